#include "install/ProgramStart.h"

#include <cstdio>
#include <spawn.h>

#include "install/Installer.h"

extern char** environ;

namespace install {

bool StartProgram(const std::string& path) {
  std::string argument0 = path;
  char* argv[] = {argument0.data(), nullptr};
  pid_t pid = 0;
  // Not waited for: the child is reaped when this process ends.
  return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) == 0;
}

namespace {

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
