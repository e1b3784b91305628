#include <cstdio>

#include "install/Installer.h"
#include "install/ProgramStart.h"

namespace install {
namespace {

// Without windows the messages go to standard error.
class StandardErrorMessages : public InstallMessages {
 public:
  void ShowFailure(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void ShowPlainMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

}  // namespace

InstallMessages& DefaultInstallMessages() {
  static StandardErrorMessages messages;
  return messages;
}

}  // namespace install
