#include "update/UpdateEngine.h"

#include "framework/File.h"
#include "framework/Platform.h"
#include "scsi/ScsiTransport.h"
#include "update/DriveSnapshot.h"
#include "update/UpdatePlan.h"

namespace update {

std::string HistoryFilePath(bool ntLine) {
  return ChooseHistoryFile(HistoryFileCandidates(ntLine, platform::EnvironmentValue("APPDATA"),
                                                 platform::ProgramFolder(), platform::WindowsFolder()));
}

std::string WorkRoot(const std::string& historyFile) {
  const std::string folder = platform::FolderPart(historyFile);
  if (folder.empty()) return std::string();
  const std::string root = folder + "Downloads";
  framework::CreateFolder(root);
  return framework::IsFolder(root) ? root : std::string();
}

std::vector<CheckedUpdate> SettleOpenRecordsUnlessUpdating(const std::string& historyFile,
                                                           const std::vector<ScannedDrive>& drives,
                                                           bool& anotherUpdate) {
  MachineUpdateLock lock(platform::FolderPart(historyFile));
  anotherUpdate = !lock.Take();
  if (anotherUpdate) return {};
  return SettleOpenRecords(historyFile, drives);
}

UpdateEngine::UpdateEngine(scsi::ScsiTransport& transport, UpdateVoice& voice)
    : transport_(transport),
      voice_(voice),
      historyFile_(HistoryFilePath(transport.isNt)),
      drives_(SnapshotDrives(transport)),
      updateLock_(platform::FolderPart(historyFile_)) {}

UpdateEngine::~UpdateEngine() {
  for (install::StartedProgram& flasher : flashers_) install::CloseStartedProgram(flasher);
}

void UpdateEngine::CheckPending() {
  bool anotherUpdate = false;
  for (const CheckedUpdate& update : SettleOpenRecordsUnlessUpdating(historyFile_, drives_, anotherUpdate))
    voice_.Verdict(update, true);
}

DriveUpdate UpdateEngine::UpdateDrive(const ScannedDrive& drive, const catalogue::FirmwareItem& item) {
  DriveUpdate update;
  update.record = RecordOfUpdate(drive, item);
  FetchedArchive archive;
  if (!voice_.Download(item, update.record, archive) || archive.file == nullptr) return update;
  update.savedPath = archive.savedPath;
  update.reached = DriveStep::Saved;
  if (!voice_.UpdateNow(update.record)) return update;

  update.reached = DriveStep::Held;
  if (!ReadyToFlash(update.record, archive.savedPath)) return update;
  voice_.ChecksPassed(update.record);

  install::StartedProgram flasher;
  update.install = install::RunInstall(*archive.file, archive.title, &flasher);
  archive.file.reset();
  voice_.InstallEnded(update.record, update.install, archive);
  if (update.install.code != install::kInstallStarted) {
    update.reached = DriveStep::NotStarted;
    ReleaseLockUnlessFlashing();
    return update;
  }
  update.reached = DriveStep::Started;
  Started(update.record, flasher);
  if (!voice_.ReadBackEachFlash()) return update;

  // The flasher just started is the only one since the last read-back: the
  // earlier ones were read back after their own flash.
  update.checked = ReadBack().back();
  update.reached = DriveStep::ReadBack;
  return update;
}

std::vector<void*> UpdateEngine::FlasherProcesses() const {
  std::vector<void*> processes;
  for (const install::StartedProgram& flasher : flashers_) processes.push_back(flasher.process);
  return processes;
}

std::string UpdateEngine::NextAddress(const std::string& model) const {
  std::vector<std::string> taken;
  for (const UpdateRecord& earlier : started_) taken.push_back(earlier.address);
  return AddressForModel(drives_, model, taken);
}

bool UpdateEngine::ReadyToFlash(UpdateRecord& record, const std::string& savedPath) {
  voice_.WaitForFlashers(FlasherProcesses());

  if (record.address.empty()) record.address = NextAddress(record.model);
  HoldReason hold = HoldReason::None;
  {
    TransportConditions conditions(transport_, ChosenDriveIndex(record), SystemPowerSource, updateLock_);
    hold = RunFlashGate(conditions, [&](HoldReason reason) { return voice_.AskAboutHold(reason, record); });
  }
  if (hold == HoldReason::None) return true;

  ReleaseLockUnlessFlashing();
  record.time = platform::LocalTimeText();
  record.verdict = HeldVerdict(hold);
  AppendRecord(historyFile_, record);
  voice_.Kept(record, savedPath);
  return false;
}

int UpdateEngine::ChosenDriveIndex(const UpdateRecord& record) const {
  // The drive must still be the one the user or the plan chose: the model
  // and revision recorded then, not those of a rescan since (a flasher of
  // this run may have changed it too). The snapshot lists the drives in
  // table order; an index out of range the checks find gone, which holds
  // the flash as a changed drive.
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    const ScannedDrive& drive = drives_[i];
    if (drive.address != record.address) continue;
    const bool asChosen = drive.model == record.model && drive.revision == record.revisionBefore;
    return asChosen ? static_cast<int>(i) : -1;
  }
  return -1;
}

void UpdateEngine::ReleaseLockUnlessFlashing() {
  if (started_.empty()) updateLock_.Release();
}

void UpdateEngine::Started(UpdateRecord& record, install::StartedProgram& flasher) {
  record.time = platform::LocalTimeText();
  if (record.address.empty()) record.address = NextAddress(record.model);
  record.verdict = Verdict::Pending;
  AppendRecord(historyFile_, record);
  started_.push_back(record);
  updateLock_.RecordFlasher(flasher.processId);
  flashers_.push_back(flasher);
  flasher = install::StartedProgram{};
}

std::vector<CheckedUpdate> UpdateEngine::ReadBack() {
  if (started_.empty()) {
    updateLock_.Release();
    return {};
  }
  voice_.WaitForFlashers(FlasherProcesses());
  std::vector<std::int64_t> exitCodes;
  for (install::StartedProgram& flasher : flashers_) {
    std::uint32_t code = 0;
    exitCodes.push_back(install::ExitCodeOf(flasher, code) ? std::int64_t{code} : -1);
    install::CloseStartedProgram(flasher);
  }
  flashers_.clear();
  updateLock_.ForgetFlasher();

  voice_.LookForDrives([this] { transport_.Rescan(); });
  // What the rescan met is said as at start-up, before the verdicts.
  voice_.RescanProblems(transport_);
  drives_ = SnapshotDrives(transport_);
  std::vector<CheckedUpdate> checked = CheckUpdates(started_, drives_);
  for (std::size_t i = 0; i < checked.size(); ++i) {
    checked[i].flasherExitCode = exitCodes[i];
    SettleRecord(historyFile_, checked[i].record, checked[i].verdict);
  }
  started_.clear();
  // The flashers have ended and the drives have been read back.
  updateLock_.Release();
  for (const CheckedUpdate& update : checked) voice_.Verdict(update, false);
  return checked;
}

}  // namespace update
