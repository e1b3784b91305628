#include "controls/MessageDialog.h"
#include "framework/MessageBox.h"
#include "install/Installer.h"
#include "install/ProgramStart.h"

namespace install {
namespace {

class DialogMessages : public InstallMessages {
 public:
  // The message dialog in its single-button form, without a parent; its
  // result does not matter.
  void ShowFailure(const std::string& text) override {
    controls::MessageDialog box;
    box.singleButton = true;
    box.panel.text = text;
    box.DoModal();
  }
  void ShowPlainMessage(const std::string& text) override { AfxMessageBox(text); }
};

}  // namespace

InstallMessages& DefaultInstallMessages() {
  static DialogMessages messages;
  return messages;
}

}  // namespace install
