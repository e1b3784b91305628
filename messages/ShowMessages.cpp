#include "messages/ShowMessages.h"

#include <windows.h>

#include "controls/MessageDialog.h"
#include "framework/MessageBox.h"
#include "scsi/DriveIdentification.h"

namespace messages {
namespace {

using framework::Language;

class FormattedSystemTexts final : public SystemTexts {
 public:
  std::uint32_t Format(std::uint32_t code, char* buffer, std::uint32_t size) override {
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, buffer, size, nullptr);
  }
  std::uint32_t LastError() override { return GetLastError(); }
};

void ShowErrorDialog(const std::string& text, Language language) {
  // Without a parent; its result does not matter.
  controls::MessageDialog box(language);
  box.singleButton = true;
  box.panel.text = text;
  box.DoModal();
}

}  // namespace

SystemTexts& WindowsSystemTexts() {
  static FormattedSystemTexts texts;
  return texts;
}

void Show(const UserMessages& messages, Language language) {
  for (const UserMessage& message : messages) {
    switch (message.window) {
      case MessageWindow::PlainBox:
        AfxMessageBox(message.text, MB_OK);
        break;
      case MessageWindow::PlainBoxExclamation:
        AfxMessageBox(message.text, MB_ICONEXCLAMATION);
        break;
      case MessageWindow::ErrorDialog:
        ShowErrorDialog(message.text, language);
        break;
    }
  }
}

void ReportDriveProblems(scsi::DriveIdentification& drives) {
  // The drive side's texts are the same in every language.
  Show(DriveProblemMessages(drives.TakeProblems(), WindowsSystemTexts()), Language::English);
}

void ReportFetchFailures(const catalogue::FetchFailures& failures) {
  Show(FetchFailureMessages(failures), Language::English);
}

void ReportInstall(const install::InstallOutcome& outcome, Language language) {
  Show(InstallMessages(outcome, language), language);
}

}  // namespace messages
