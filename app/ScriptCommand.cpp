#include "app/ScriptCommand.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ProgramInfo.h"
#include "app/DriveSnapshot.h"
#include "app/FetchedCatalogue.h"
#include "app/ReportCommand.h"
#include "app/ScriptLog.h"
#include "app/UpdateCheck.h"
#include "app/UpdateFollowUp.h"
#include "catalogue/CatalogueFetcher.h"
#include "framework/File.h"
#include "framework/Platform.h"
#include "install/Installer.h"
#include "install/SavePath.h"
#include "install/Transfer.h"
#include "update/UpdatePlan.h"
#include "messages/UserMessages.h"
#include "scsi/ScsiTransport.h"

namespace app {
namespace {

// A message's text on one log line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return text;
}

// The follow-up's voice in a run without a window: there is nobody to ask
// or to tell, and the run logs what happened itself.
class LogVoice : public FollowUpVoice {
 public:
  explicit LogVoice(ScriptLog& log) : log_(log) {}

  // The flasher has its own window; nothing else here waits on a person.
  void WaitForFlashers(const std::vector<void*>& processes) override {
    for (void* process : processes) WaitForSingleObject(static_cast<HANDLE>(process), INFINITE);
  }
  // A held check ends that drive's update: nobody is there to put it right.
  update::HoldAnswer AskAboutHold(update::HoldReason, const update::UpdateRecord&) override {
    return update::HoldAnswer::Cancel;
  }
  void Kept(const update::UpdateRecord&, const std::string&) override {}
  void RescanProblems(DriveIdentification& drives) override {
    for (const scsi::DriveProblem& problem : drives.TakeProblems())
      log_.Note("scan after the flasher: " + DriveProblemText(problem));
  }
  void Verdict(const CheckedUpdate&, bool) override {}

 private:
  ScriptLog& log_;
};

// The download window's estimate without the window: no bar to move, and no
// pause that only paces a bar; the waits end when the transfer does.
class NoBar : public ProgressSink {
 public:
  void SetPosition(int) override {}
  void Refresh() override {}
};

class TransferEndClock : public ProgressClock {
 public:
  explicit TransferEndClock(const Transfer& transfer) : transfer_(transfer) {}
  void Pause(std::uint32_t) override {}
  void Idle(const std::atomic<std::int32_t>& done) override {
    if (done.load(std::memory_order_acquire) != 1) return;
    // The worker of the moment: a transfer that goes on after a drop has a
    // new one.
    const HANDLE doneEvent = transfer_.DoneEvent();
    if (doneEvent == nullptr || WaitForSingleObject(doneEvent, kWaitMs) == WAIT_FAILED) Sleep(kWaitMs);
  }

 private:
  static constexpr DWORD kWaitMs = 100;
  const Transfer& transfer_;
};

// Fetches `item` to `savedPath` (in a drive's folder of `workRoot`) as
// the download window does, without the window: over the fetcher's
// connection into the work folder's partial file of the listed SHA-256 (or
// a new temporary file beside it), checked against that hash, then put in
// place and checked again through the handle `archive` receives. `why` says
// what failed.
bool Download(CatalogueFetcher& fetcher, const FirmwareItem& item, const std::string& savedPath,
              const std::string& workRoot, std::unique_ptr<CFile>& archive, std::string& why) {
  const std::string partial = ReservePartialFile(savedPath);
  if (partial.empty()) {
    why = "no new file can be made beside " + savedPath;
    return false;
  }
  Transfer transfer;
  // The work folder keeps what a failed run fetched of the file, for the
  // next run to go on from.
  transfer.partialFolder = workRoot;
  transfer.Start(fetcher, item.path, savedPath, partial, item.sha256, StampedSize(item));
  NoBar bar;
  TransferEndClock clock(transfer);
  transfer.RunProgress(bar, clock);
  if (transfer.Succeeded()) {
    archive = transfer.TakeArchive();
    return true;
  }
  why = transfer.NotAsListed() ? "the file that arrived is not the one the catalogue lists (its SHA-256 differs); deleted"
        : transfer.GaveUp()    ? "the transfer stalled and was given up after going on three times"
                               : "the download of " + item.path + " failed";
  return false;
}

// A new folder in `root` for one drive's files, "NAME", else "NAME-2",
// "NAME-3", ...: never one an earlier run left (it may hold kept files).
std::string NewWorkFolder(const std::string& root, const std::string& name) {
  std::string plain;
  for (char c : name) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                      c == '-' || c == '_';
    plain += keep ? c : '_';
  }
  for (int n = 1; n < 1000; ++n) {
    const std::string folder = root + "\\" + plain + (n == 1 ? "" : "-" + std::to_string(n));
    if (framework::CreateFolder(folder)) return folder;
  }
  return std::string();
}

// The name the downloaded file is saved under: the entry's file name when it
// is a plain one, else a name of the program's.
std::string SavedName(const FirmwareItem& item) {
  const std::string& name = item.fileName;
  const bool plain = install::IsSafeEntryName(name) && name.find_first_of("\\/") == std::string::npos;
  return plain ? name : "firmware.zip";
}

std::string TitleOf(const std::string& fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::string CommandText(const ScriptRequest& request) {
  std::string text = request.mode == ScriptMode::Check ? "/check" : "/update";
  if (request.yes) text += " /yes";
  if (!request.model.empty()) text += " /model " + request.model;
  if (!request.source.empty()) text += " /source " + request.source;
  if (!request.log.empty()) text += " /log " + request.log;
  return text;
}

// One drive's update through the wizard's steps, logged step by step.
DriveEnd UpdateDrive(const update::DrivePlan& plan, CatalogueFetcher& fetcher, UpdateFollowUp& followUp,
                     ScriptLog& log, const std::string& root) {
  const FirmwareItem& item = *plan.Newest();
  const update::ScannedDrive& drive = plan.drive;
  const auto step = [&](const std::string& text) { log.Line(drive.address + "\tstep\t" + text); };
  const auto end = [&](DriveEnd driveEnd, const std::string& text) {
    log.Line(drive.address + "\tverdict\t" + text);
    return driveEnd;
  };
  update::UpdateRecord record = update::RecordOfUpdate(drive, item);
  const std::string folder =
      root.empty() ? std::string() : NewWorkFolder(root, drive.model + "-" + record.versionInstalled);
  if (folder.empty()) {
    return end(DriveEnd::Failed, root.empty() ? "failed: no work folder can be made beside the history"
                                              : "failed: no folder for the files can be made in " + root);
  }
  const std::string kept = "; files kept in " + folder;

  const std::string saved = folder + "\\" + SavedName(item);
  std::unique_ptr<CFile> archive;
  std::string why;
  if (!Download(fetcher, item, saved, root, archive, why)) return end(DriveEnd::Failed, "failed: " + why + kept);
  step("downloaded " + item.path + " to " + saved + ", SHA-256 as the catalogue lists");

  if (!followUp.ReadyToFlash(record, saved)) {
    return end(DriveEnd::Held, std::string(update::VerdictName(record.verdict)) + ": nothing was flashed" + kept);
  }
  step("checks before the flash passed: the same drive, not on battery, no disc, not busy");

  install::StartedProgram flasher;
  const std::string title = TitleOf(SavedName(item));
  const install::InstallOutcome outcome = install::RunInstall(*archive, title, &flasher);
  archive.reset();
  if (outcome.code != install::kInstallStarted) {
    followUp.NotStarted();
    std::string text;
    for (const std::string& message : TextsOf(messages::InstallMessages(outcome, Language::English)))
      text += (text.empty() ? "" : " ") + OneLine(message);
    return end(DriveEnd::Failed, "failed: " + (text.empty() ? "the install ended with " + std::to_string(outcome.code) : text) + kept);
  }
  step("unpacked into " + folder + "\\" + (outcome.otherFolder.empty() ? title : outcome.otherFolder) +
       "; the flasher started, waiting for it to end");
  followUp.Started(record, flasher);

  const std::vector<CheckedUpdate> checked = followUp.CheckStarted();
  const CheckedUpdate& update = checked.front();
  step("the flasher ended with exit code " +
       (update.flasherExitCode < 0 ? std::string("unknown") : std::to_string(update.flasherExitCode)));
  const DriveEnd driveEnd = EndOfVerdict(update.verdict);
  const std::string verdict = update::VerdictName(update.verdict);
  switch (driveEnd) {
    case DriveEnd::Verified:
      return end(driveEnd, verdict + ": the drive now runs " + update.reported + "; " +
                               (framework::RemoveTree(folder) ? "its files were removed" : "its files could not all be removed from " + folder));
    case DriveEnd::NotApplied:
      return end(driveEnd, verdict + ": the drive still reports " + update.reported + kept);
    case DriveEnd::DriveMissing:
      return end(driveEnd, verdict + ": no " + drive.model + " answers at " + drive.address +
                               "; restart the computer, then run /check" + kept);
    default:
      return end(driveEnd, verdict + kept);
  }
}

// Opens the log of a run at `logFile`, or, when another run writes that
// one, beside it under a name with this run's process id (noted in it).
// False when neither can be made.
bool OpenLog(ScriptLog& log, const std::string& logFile) {
  if (log.Open(logFile)) return true;
  if (!log.HeldElsewhere()) return false;
  const std::string own =
      platform::FolderPart(logFile) + "UpdateLog-" + std::to_string(platform::ProcessId()) + ".txt";
  if (!log.Open(own)) return false;
  log.Note("the log: " + logFile + " is being written by another run; this run's log is here");
  return true;
}

}  // namespace

int RunScript(const ScriptRequest& request, ScsiTransport& transport) {
  const std::string historyFile = HistoryFilePath(transport.isNt);
  ScriptLog log;
  // A link would take the log's writes elsewhere: a run as SYSTEM must not
  // overwrite whatever file a user's link points at.
  const bool linkRefused = !request.log.empty() && framework::IsLink(request.log);
  if (!OpenLog(log, request.log.empty() || linkRefused ? LogFileBeside(historyFile) : request.log)) {
    return kExitLogNotWritten;
  }
  log.Note(std::string("VORN Firmware Update ") + VORN_VERSION_TEXT + ", " + CommandText(request) + ", " +
           LocalTimeText());
  if (linkRefused) {
    log.Note("the log: " + request.log + " is a link, which this program does not write through; "
             "the log is here instead");
  }
  if (!request.error.empty()) {
    log.Note("the command line: " + request.error);
    return log.End(kExitBadCommandLine);
  }
  if (request.mode == ScriptMode::Update && !request.yes) {
    log.Note("nothing was done: an unattended update runs only when the command line says /yes");
    return log.End(kExitNotConfirmed);
  }

  const bool scanWorked = transport.ScanWorked();
  const std::vector<update::ScannedDrive> drives = SnapshotDrives(transport);
  std::vector<update::ScannedDrive> chosen;
  for (const update::ScannedDrive& drive : drives) {
    if (drive.maker && (request.model.empty() || drive.model == request.model)) chosen.push_back(drive);
  }
  log.Note(std::string("drives: ") + transport.TransportName() +
           (scanWorked ? "" : ", could not scan") + ", " + std::to_string(drives.size()) + " found, " +
           std::to_string(chosen.size()) + (request.model.empty() ? " of the maker" : " of model " + request.model));
  // What ends the run as failed whatever else it does: drives that could
  // not be looked at (one of them may be the maker's), and the updates of
  // an earlier run that this run finds did not take.
  std::vector<DriveEnd> ends;
  if (!scanWorked) ends.push_back(DriveEnd::Failed);
  for (const scsi::DriveProblem& problem : transport.TakeProblems()) {
    log.Note("scan: " + DriveProblemText(problem));
    if (problem.cause == scsi::ProblemCause::DriveNotOpened || problem.cause == scsi::ProblemCause::DriveNotAnswering) {
      ends.push_back(DriveEnd::Failed);
    }
  }
  bool anotherUpdate = false;
  for (const CheckedUpdate& update : SettleOpenRecordsUnlessUpdating(historyFile, drives, anotherUpdate)) {
    log.Note("an update left open before, settled now: " + update::FormatRecord(update.record));
    const DriveEnd earlier = EndOfVerdict(update.verdict);
    if (earlier != DriveEnd::Verified) log.Note(EarlierUpdateText(update.record, update.verdict));
    ends.push_back(earlier);
  }
  if (anotherUpdate) log.Note("another update is running on this computer: the history's open records are its own");
  log.Note("history: " + (historyFile.empty() ? std::string("none (no folder can take it)") : historyFile));

  if (request.mode == ScriptMode::Update && chosen.empty()) {
    log.Line(DriveTableHeader());
    // Not having looked is not having nothing to do.
    return log.End(ExitCodeWith(ends, kExitNothingToDo));
  }

  CatalogueFetcher fetcher;
  if (!UseSource(fetcher, request.source, historyFile)) {
    log.Note("catalogue: the source " + request.source + " cannot be read by this program; nothing was fetched");
    log.Line(DriveTableHeader());
    return log.End(ExitCodeWith(ends, kExitNoCatalogue));
  }
  const FetchedCatalogue fetched = FetchVerifiedCatalogue(fetcher, SerialFileBeside(historyFile), true);
  log.Note("catalogue: " + fetched.server + ": " + VerificationText(fetched));
  for (FetchFailure failure : fetcher.failures) log.Note("catalogue: " + FetchFailureText(failure));
  if (fetched.serialNotKept) {
    log.Note("catalogue: its serial " + std::to_string(fetched.issue.serial) + " could not be kept in " +
             SerialFileBeside(historyFile) + "; an older catalogue would not be refused next time");
  }
  const CatalogueState state = !fetched.arrived   ? CatalogueState::NotArrived
                               : !fetched.usable ? CatalogueState::NotVerified
                                                 : CatalogueState::Usable;

  const std::vector<update::DrivePlan> plans =
      update::PlanUpdates(chosen, state == CatalogueState::Usable ? fetched.text : std::string(),
                           fetched.hashRequired, update::ReadHistory(historyFile));
  log.Line(DriveTableHeader());
  for (const update::DrivePlan& plan : plans) log.Line(DriveTableLine(plan));
  if (request.mode == ScriptMode::Check || state != CatalogueState::Usable) {
    ReleaseFetch(fetcher);
    // Drives that could not be scanned are not "no drive of the maker".
    if (request.mode == ScriptMode::Check) return log.End(ExitCodeWith(ends, CheckExitCode(state, plans)));
    return log.End(
        ExitCodeWith(ends, state == CatalogueState::NotVerified ? kExitCatalogueNotVerified : kExitNoCatalogue));
  }

  // One drive at a time, each to the end of its verdict before the next.
  const std::string root = WorkRoot(historyFile);
  LogVoice voice(log);
  UpdateFollowUp followUp(transport, voice);
  for (const update::DrivePlan& plan : plans) {
    const std::string& address = plan.drive.address;
    if (plan.action == update::PlannedAction::NothingNewer) {
      log.Line(address + "\tverdict\tnothing newer: nothing to do");
    } else if (plan.action == update::PlannedAction::NotAppliedBefore) {
      log.Line(address + "\tverdict\tnot applied: the same update, " + plan.earlier.revisionBefore + " to " +
               plan.earlier.versionInstalled + ", did not take on " + plan.earlier.time +
               "; it is not flashed again unattended (the wizard offers it)");
      ends.push_back(DriveEnd::NotApplied);
    } else {
      ends.push_back(UpdateDrive(plan, fetcher, followUp, log, root));
    }
  }
  ReleaseFetch(fetcher);
  return log.End(ExitCodeWith(ends, kExitNothingToDo));
}

}  // namespace app
