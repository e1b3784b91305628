#include "script/UpdateDrives.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/PartialPath.h"
#include "catalogue/Transfer.h"
#include "framework/File.h"
#include "framework/Platform.h"
#include "install/Installer.h"
#include "messages/UserMessages.h"
#include "scsi/ScsiTransport.h"
#include "update/UpdateEngine.h"

namespace script {
namespace {

using catalogue::CatalogueFetcher;

// A message's text on one log line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return text;
}

// The download window's estimate without the window: no bar to move, and no
// pause that only paces a bar; the waits end when the transfer does.
class NoBar : public catalogue::ProgressSink {
 public:
  void SetPosition(int) override {}
  void Refresh() override {}
};

class TransferEndClock : public catalogue::ProgressClock {
 public:
  explicit TransferEndClock(const catalogue::Transfer& transfer) : transfer_(transfer) {}
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
  const catalogue::Transfer& transfer_;
};

// Fetches `item` to `savedPath` (in a drive's folder of `workRoot`) as
// the download window does, without the window: over the fetcher's
// connection into the work folder's partial file of the listed SHA-256 (or
// a new temporary file beside it), checked against that hash, then put in
// place and checked again through the handle `archive` receives. `why` says
// what failed.
bool DownloadFile(CatalogueFetcher& fetcher, const catalogue::FirmwareItem& item, const std::string& savedPath,
              const std::string& workRoot, std::unique_ptr<CFile>& archive, std::string& why) {
  const std::string partial = catalogue::ReservePartialFile(savedPath);
  if (partial.empty()) {
    why = "no new file can be made beside " + savedPath;
    return false;
  }
  catalogue::Transfer transfer;
  // The work folder keeps what a failed run fetched of the file, for the
  // next run to go on from.
  transfer.partialFolder = workRoot;
  transfer.Start(fetcher, item.path, savedPath, partial, item.sha256, catalogue::StampedSize(item));
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
std::string SavedName(const catalogue::FirmwareItem& item) {
  const std::string& name = item.fileName;
  const bool plain = install::IsSafeEntryName(name) && name.find_first_of("\\/") == std::string::npos;
  return plain ? name : "firmware.zip";
}

std::string TitleOf(const std::string& fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

// The engine's voice in a run without a window: there is nobody to ask or
// to tell; each step goes into the log as it is taken.
class LogVoice : public update::UpdateVoice {
 public:
  LogVoice(ScriptLog& log, CatalogueFetcher& fetcher, std::string root)
      : log_(log), fetcher_(fetcher), root_(std::move(root)) {}

  // Into a new folder of the work folder of its own for each drive.
  bool Download(const catalogue::FirmwareItem& item, const update::UpdateRecord& record,
                update::FetchedArchive& archive) override {
    failure_.clear();
    folder_ = root_.empty() ? std::string() : NewWorkFolder(root_, record.model + "-" + record.versionInstalled);
    if (folder_.empty()) {
      failure_ = root_.empty() ? "no work folder can be made beside the history"
                               : "no folder for the files can be made in " + root_;
      return false;
    }
    archive.savedPath = folder_ + "\\" + SavedName(item);
    archive.title = TitleOf(SavedName(item));
    if (!DownloadFile(fetcher_, item, archive.savedPath, root_, archive.file, failure_)) return false;
    Step(record, "downloaded " + item.path + " to " + archive.savedPath + ", SHA-256 as the catalogue lists");
    return true;
  }
  // The command line said /yes.
  bool UpdateNow(const update::UpdateRecord&) override { return true; }
  // The flasher has its own window; nothing else here waits on a person.
  void WaitForFlashers(const std::vector<void*>& processes) override {
    for (void* process : processes) WaitForSingleObject(static_cast<HANDLE>(process), INFINITE);
  }
  // A held check ends that drive's update: nobody is there to put it right.
  update::HoldAnswer AskAboutHold(update::HoldReason, const update::UpdateRecord&) override {
    return update::HoldAnswer::Cancel;
  }
  void Kept(const update::UpdateRecord&, const std::string&) override {}
  void ChecksPassed(const update::UpdateRecord& record) override {
    Step(record, "checks before the flash passed: the same drive, not on battery, no disc, not busy");
  }
  void InstallEnded(const update::UpdateRecord& record, const install::InstallOutcome& outcome,
                    const update::FetchedArchive& archive) override {
    if (outcome.code != install::kInstallStarted) return;
    const std::string& unpacked = outcome.otherFolder.empty() ? archive.title : outcome.otherFolder;
    Step(record, "unpacked into " + folder_ + "\\" + unpacked + "; the flasher started, waiting for it to end");
  }
  // One drive to the end of its verdict before the next.
  bool ReadBackEachFlash() const override { return true; }
  // Nobody looks at a window: the run waits.
  void LookForDrives(const std::function<void()>& look) override { look(); }
  void RescanProblems(scsi::DriveIdentification& drives) override {
    for (const scsi::DriveProblem& problem : drives.TakeProblems())
      log_.Note("scan after the flasher: " + DriveProblemText(problem));
  }
  void Verdict(const update::CheckedUpdate&, bool) override {}

  // The folder of the drive's files; empty when none could be made.
  const std::string& Folder() const { return folder_; }
  // Why the download failed.
  const std::string& Failure() const { return failure_; }

  void Step(const update::UpdateRecord& record, const std::string& text) {
    log_.Line(record.address + "\tstep\t" + text);
  }

 private:
  ScriptLog& log_;
  CatalogueFetcher& fetcher_;
  const std::string root_;
  std::string folder_;
  std::string failure_;
};

// What the install's messages say, on one line.
std::string InstallText(const install::InstallOutcome& outcome) {
  std::string text;
  for (const std::string& message : messages::TextsOf(messages::InstallMessages(outcome, framework::Language::English)))
    text += (text.empty() ? "" : " ") + OneLine(message);
  return text.empty() ? "the install ended with " + std::to_string(outcome.code) : text;
}

// The verdict of a drive whose flasher ended and which was read back.
DriveEnd ReadBackEnd(const update::DriveUpdate& update, LogVoice& voice, std::string& text) {
  const update::CheckedUpdate& checked = update.checked;
  const update::UpdateRecord& record = update.record;
  voice.Step(record, "the flasher ended with exit code " + (checked.flasherExitCode < 0
                                                                 ? std::string("unknown")
                                                                 : std::to_string(checked.flasherExitCode)));
  const DriveEnd end = EndOfVerdict(checked.verdict);
  const std::string verdict = update::VerdictName(checked.verdict);
  const std::string kept = "; files kept in " + voice.Folder();
  switch (end) {
    case DriveEnd::Verified:
      text = verdict + ": the drive now runs " + checked.reported + "; " +
             (framework::RemoveTree(voice.Folder()) ? "its files were removed"
                                                    : "its files could not all be removed from " + voice.Folder());
      break;
    case DriveEnd::NotApplied:
      text = verdict + ": the drive still reports " + checked.reported + kept;
      break;
    case DriveEnd::DriveMissing:
      text = verdict + ": no " + record.model + " answers at " + record.address +
             "; restart the computer, then run /check" + kept;
      break;
    default:
      text = verdict + kept;
      break;
  }
  return end;
}

// One drive's update through the engine, ended with its verdict line.
DriveEnd UpdateDrive(const update::DrivePlan& plan, update::UpdateEngine& engine, LogVoice& voice, ScriptLog& log) {
  const update::DriveUpdate update = engine.UpdateDrive(plan.drive, *plan.Newest());
  const std::string kept = "; files kept in " + voice.Folder();
  DriveEnd end = DriveEnd::Failed;
  std::string text;
  switch (update.reached) {
    case update::DriveStep::ReadBack:
      end = ReadBackEnd(update, voice, text);
      break;
    case update::DriveStep::Held:
      end = DriveEnd::Held;
      text = std::string(update::VerdictName(update.record.verdict)) + ": nothing was flashed" + kept;
      break;
    case update::DriveStep::NotStarted:
      text = "failed: " + InstallText(update.install) + kept;
      break;
    default:
      text = "failed: " + voice.Failure() + (voice.Folder().empty() ? std::string() : kept);
      break;
  }
  log.Line(plan.drive.address + "\tverdict\t" + text);
  return end;
}

}  // namespace

void UpdatePlannedDrives(const std::vector<update::DrivePlan>& plans, scsi::ScsiTransport& transport,
                         CatalogueFetcher& fetcher, const std::string& historyFile, ScriptLog& log,
                         std::vector<DriveEnd>& ends) {
  LogVoice voice(log, fetcher, update::WorkRoot(historyFile));
  update::UpdateEngine engine(transport, voice);
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
      ends.push_back(UpdateDrive(plan, engine, voice, log));
    }
  }
}


}  // namespace script
