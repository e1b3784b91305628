#include "wizard/WindowVoice.h"

#include <windows.h>

#include "controls/MessageDialog.h"
#include "controls/WaitWindow.h"
#include "framework/Platform.h"
#include "install/DownloadDialog.h"
#include "messages/AppTexts.h"
#include "messages/FillIn.h"
#include "messages/ShowMessages.h"
#include "wizard/DriveSearch.h"
#include "wizard/PageRules.h"

namespace wizard {

bool WindowVoice::Download(const catalogue::FirmwareItem& item, const update::UpdateRecord&,
                           update::FetchedArchive& archive) {
  install::DownloadDialog download(language_);
  download.panel.text = item.ConfirmationText();
  download.defaultExtension =
      item.fileName.size() > 3 ? item.fileName.substr(item.fileName.size() - 3) : item.fileName;
  download.defaultFileName = item.fileName;
  download.fetcher = fetcher;
  download.remotePath = item.path;
  download.listedSha256 = item.sha256;
  download.listedBytes = catalogue::StampedSize(item);
  download.partialFolder = partialFolder;
  download.titleOut = &archive.title;
  download.pathOut = &archive.savedPath;
  // The saved file stays open with writers denied from the hash check until
  // it is unpacked or let be.
  download.archiveOut = &archive.file;
  return download.DoModal() == IDOK && archive.file != nullptr;
}

bool WindowVoice::UpdateNow(const update::UpdateRecord&) {
  controls::MessageDialog dialog(language_);
  dialog.panel.text = UpdateNowQuestion(language_);
  return dialog.DoModal() == IDOK;
}

// The waiting window, with nothing for the user to press: ending the wait
// early would read the drive back while the flasher still writes it.
void WindowVoice::WaitForFlashers(const std::vector<void*>& processes) {
  controls::ShowUntilSignalled(std::vector<HANDLE>(processes.begin(), processes.end()),
                               messages::AppTextsFor(language_).waiting, language_);
}

update::HoldAnswer WindowVoice::AskAboutHold(update::HoldReason hold, const update::UpdateRecord& record) {
  const messages::AppTexts& texts = messages::AppTextsFor(language_);
  const char* message = texts.heldDriveBusy;
  if (hold == update::HoldReason::DriveChanged) message = texts.heldDriveChanged;
  if (hold == update::HoldReason::OnBattery) message = texts.heldOnBattery;
  if (hold == update::HoldReason::DiscInDrive) message = texts.heldDiscInDrive;
  if (hold == update::HoldReason::AnotherUpdate) message = texts.heldAnotherUpdate;
  const std::vector<std::string> arguments = {record.model, "", "", record.address, ""};
  controls::MessageDialog dialog(language_);
  dialog.panel.text = messages::FillIn(message, arguments);
  dialog.yesText = hold == update::HoldReason::DiscInDrive ? texts.openTray : texts.retry;
  dialog.noText = texts.cancel;
  return dialog.DoModal() == IDOK ? update::HoldAnswer::Retry : update::HoldAnswer::Cancel;
}

void WindowVoice::Kept(const update::UpdateRecord&, const std::string& savedPath) {
  const std::string folder = platform::FolderPart(savedPath);
  const std::vector<std::string> arguments = {folder.empty() ? folder : folder.substr(0, folder.size() - 1),
                                              platform::NamePart(savedPath)};
  Tell(messages::FillIn(messages::AppTextsFor(language_).keptFile, arguments));
}

void WindowVoice::InstallEnded(const update::UpdateRecord&, const install::InstallOutcome& outcome,
                               const update::FetchedArchive&) {
  messages::ReportInstall(outcome, language_);
}

void WindowVoice::LookForDrives(const std::function<void()>& look) { wizard::LookForDrives(look, language_); }

void WindowVoice::RescanProblems(scsi::DriveIdentification& drives) { messages::ReportDriveProblems(drives); }

void WindowVoice::Verdict(const update::CheckedUpdate& update, bool pending) {
  Tell(messages::VerdictMessage(update, language_, pending));
}

void WindowVoice::Tell(const std::string& message) {
  controls::MessageDialog dialog(language_);
  dialog.singleButton = true;
  dialog.panel.text = message;
  dialog.DoModal();
}

}  // namespace wizard
