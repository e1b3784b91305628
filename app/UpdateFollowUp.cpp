#include "app/UpdateFollowUp.h"

#include <windows.h>

#include <cstdio>

#include "app/AppTexts.h"
#include "app/DriveSnapshot.h"
#include "app/FlasherWait.h"
#include "app/UpdateCheck.h"
#include "controls/MessageDialog.h"
#include "framework/File.h"
#include "framework/Platform.h"
#include "messages/FillIn.h"
#include "messages/ShowMessages.h"
#include "scsi/ScsiTransport.h"

namespace app {
namespace {

// GetEnvironmentVariableA rather than the shell's folder functions:
// SHGetFolderPath is not in Windows 98 SE's shell32, and the variable is set
// on every NT-line system from 2000 on. NT 4 has none, and its users get the
// program's folder.
std::string EnvironmentValue(const char* name) {
  char value[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string WindowsFolder() {
  char path[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

}  // namespace

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  const std::string folder = platform::FolderPart(std::string(path, length));
  return folder.empty() ? folder : folder.substr(0, folder.size() - 1);
}

std::string HistoryFilePath(bool ntLine) {
  return update::ChooseHistoryFile(
      update::HistoryFileCandidates(ntLine, EnvironmentValue("APPDATA"), ProgramFolder(), WindowsFolder()));
}

std::string WorkRoot(const std::string& historyFile) {
  const std::string folder = platform::FolderPart(historyFile);
  if (folder.empty()) return std::string();
  const std::string root = folder + "Downloads";
  framework::CreateFolder(root);
  return framework::IsFolder(root) ? root : std::string();
}

std::string LocalTimeText() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return text;
}

std::vector<CheckedUpdate> SettleOpenRecordsUnlessUpdating(const std::string& historyFile,
                                                           const std::vector<update::ScannedDrive>& drives,
                                                           bool& anotherUpdate) {
  update::MachineUpdateLock lock(platform::FolderPart(historyFile));
  anotherUpdate = !lock.Take();
  if (anotherUpdate) return {};
  return SettleOpenRecords(historyFile, drives);
}

void WindowVoice::WaitForFlashers(const std::vector<void*>& processes) { app::WaitForFlashers(processes, language_); }

update::HoldAnswer WindowVoice::AskAboutHold(update::HoldReason hold, const update::UpdateRecord& record) {
  const AppTexts& texts = AppTextsFor(language_);
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
  Tell(messages::FillIn(AppTextsFor(language_).keptFile, arguments));
}

void WindowVoice::RescanProblems(DriveIdentification& drives) { messages::ReportDriveProblems(drives); }

void WindowVoice::Verdict(const CheckedUpdate& update, bool pending) {
  Tell(VerdictMessage(update, language_, pending));
}

void WindowVoice::Tell(const std::string& message) {
  controls::MessageDialog dialog(language_);
  dialog.singleButton = true;
  dialog.panel.text = message;
  dialog.DoModal();
}

UpdateFollowUp::UpdateFollowUp(ScsiTransport& transport, FollowUpVoice& voice)
    : transport_(transport),
      voice_(voice),
      historyFile_(HistoryFilePath(transport.isNt)),
      startDrives_(SnapshotDrives(transport)),
      updateLock_(platform::FolderPart(historyFile_)) {}

UpdateFollowUp::~UpdateFollowUp() {
  for (install::StartedProgram& flasher : flashers_) install::CloseStartedProgram(flasher);
}

void UpdateFollowUp::CheckPending() {
  bool anotherUpdate = false;
  for (const CheckedUpdate& update : SettleOpenRecordsUnlessUpdating(historyFile_, startDrives_, anotherUpdate))
    voice_.Verdict(update, true);
}

std::string UpdateFollowUp::NextAddress(const std::string& model) const {
  std::vector<std::string> taken;
  for (const update::UpdateRecord& earlier : started_) taken.push_back(earlier.address);
  return AddressForModel(startDrives_, model, taken);
}

bool UpdateFollowUp::ReadyToFlash(update::UpdateRecord& record, const std::string& savedPath) {
  std::vector<void*> processes;
  for (const install::StartedProgram& flasher : flashers_) processes.push_back(flasher.process);
  voice_.WaitForFlashers(processes);

  if (record.address.empty()) record.address = NextAddress(record.model);
  update::HoldReason hold = update::HoldReason::None;
  {
    update::TransportConditions conditions(transport_, ChosenDriveIndex(record), update::SystemPowerSource,
                                           updateLock_);
    hold = update::RunFlashGate(conditions,
                                [&](update::HoldReason reason) { return voice_.AskAboutHold(reason, record); });
  }
  if (hold == update::HoldReason::None) return true;

  ReleaseLockUnlessFlashing();
  record.time = LocalTimeText();
  record.verdict = update::HeldVerdict(hold);
  update::AppendRecord(historyFile_, record);
  voice_.Kept(record, savedPath);
  return false;
}

int UpdateFollowUp::ChosenDriveIndex(const update::UpdateRecord& record) const {
  // The drive must still be the one the user or the plan chose: the model
  // and revision recorded then, not those of a rescan since (a flasher of
  // this run may have changed it too). The snapshot lists the drives in
  // table order; an index out of range the checks find gone, which holds
  // the flash as a changed drive.
  for (std::size_t i = 0; i < startDrives_.size(); ++i) {
    const update::ScannedDrive& drive = startDrives_[i];
    if (drive.address != record.address) continue;
    const bool asChosen = drive.model == record.model && drive.revision == record.revisionBefore;
    return asChosen ? static_cast<int>(i) : -1;
  }
  return -1;
}

void UpdateFollowUp::NotStarted() { ReleaseLockUnlessFlashing(); }

void UpdateFollowUp::ReleaseLockUnlessFlashing() {
  if (started_.empty()) updateLock_.Release();
}

void UpdateFollowUp::Started(update::UpdateRecord& record, install::StartedProgram& flasher) {
  record.time = LocalTimeText();
  if (record.address.empty()) record.address = NextAddress(record.model);
  record.verdict = update::Verdict::Pending;
  update::AppendRecord(historyFile_, record);
  started_.push_back(record);
  updateLock_.RecordFlasher(flasher.processId);
  flashers_.push_back(flasher);
  flasher = install::StartedProgram{};
}

std::vector<CheckedUpdate> UpdateFollowUp::CheckStarted() {
  if (started_.empty()) {
    updateLock_.Release();
    return {};
  }
  std::vector<void*> processes;
  for (const install::StartedProgram& flasher : flashers_) processes.push_back(flasher.process);
  voice_.WaitForFlashers(processes);
  std::vector<std::int64_t> exitCodes;
  for (install::StartedProgram& flasher : flashers_) {
    std::uint32_t code = 0;
    exitCodes.push_back(install::ExitCodeOf(flasher, code) ? std::int64_t{code} : -1);
    install::CloseStartedProgram(flasher);
  }
  flashers_.clear();
  updateLock_.ForgetFlasher();

  transport_.Rescan();
  // What the rescan met is said as at start-up, before the verdicts.
  voice_.RescanProblems(transport_);
  startDrives_ = SnapshotDrives(transport_);
  std::vector<CheckedUpdate> checked = CheckUpdates(started_, startDrives_);
  for (std::size_t i = 0; i < checked.size(); ++i) {
    checked[i].flasherExitCode = exitCodes[i];
    update::SettleRecord(historyFile_, checked[i].record, checked[i].verdict);
  }
  started_.clear();
  // The flashers have ended and the drives have been read back.
  updateLock_.Release();
  for (const CheckedUpdate& update : checked) voice_.Verdict(update, false);
  return checked;
}

}  // namespace app
