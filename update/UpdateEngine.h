// The engine that updates a drive, whichever front end asks: the wizard for
// each drive the user takes, /update for each drive the plan picks. It is
// the one place where the steps are taken in order: the download, the
// "update now?" answer, the checks before the flash, the unpacking, the
// start of the flasher, the history, the wait for the flasher, the drives
// read back and the verdict. The front end answers and shows through its
// voice (UpdateVoice); the engine shows nothing itself.
//
// At start-up it settles the updates a previous run left open.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/FirmwareItem.h"
#include "framework/File.h"
#include "install/Installer.h"
#include "install/ProgramStart.h"
#include "update/FlashGate.h"
#include "update/ScannedDrive.h"
#include "update/UpdateHistory.h"
#include "update/UpdateLock.h"
#include "update/UpdateVerdict.h"

namespace scsi {
class DriveIdentification;
}  // namespace scsi
namespace scsi {
class ScsiTransport;
}  // namespace scsi

namespace update {

// Where this machine keeps the history (HistoryFileCandidates with this
// system's folders); empty when no folder can take it.
std::string HistoryFilePath(bool ntLine);

// The program's own work folder beside the history file `historyFile`
// ("Downloads"), made when missing; empty when it cannot be. Not the
// system's temporary folder: a startup script runs as SYSTEM, whose
// temporary folder every user can make folders in, and the flasher started
// from there would run as SYSTEM.
std::string WorkRoot(const std::string& historyFile);

// SettleOpenRecords, unless another copy of the program is updating a drive
// (it holds the machine's update lock, or a flasher a copy that was ended
// had started still runs): an open record may then be that copy's, whose
// flasher has not ended. `anotherUpdate` tells which.
std::vector<CheckedUpdate> SettleOpenRecordsUnlessUpdating(const std::string& historyFile,
                                                           const std::vector<ScannedDrive>& drives,
                                                           bool& anotherUpdate);

// A firmware file as the front end fetched it: where it was saved, the
// name of the folder it is unpacked into, and the file itself, open with
// writers denied since its hash was checked.
struct FetchedArchive {
  std::string savedPath;
  std::string title;
  std::unique_ptr<CFile> file;
};

// How the engine meets the person at the computer: the wizard's windows, or
// in a script run nobody, its log taking their place.
class UpdateVoice {
 public:
  // Fetches `item` for the update `record` describes into `archive`; false
  // when there is nothing to flash (given up or failed; the voice has said
  // why).
  virtual bool Download(const catalogue::FirmwareItem& item, const UpdateRecord& record, FetchedArchive& archive) = 0;
  // Whether the downloaded file is to be flashed now.
  virtual bool UpdateNow(const UpdateRecord& record) = 0;
  // Returns once every process of `processes` (process handles) has ended.
  virtual void WaitForFlashers(const std::vector<void*>& processes) = 0;
  // A check holds back the flash of `record`'s drive: try again, or give up.
  virtual HoldAnswer AskAboutHold(HoldReason hold, const UpdateRecord& record) = 0;
  // The flash of `record` was given up while held (its verdict says why);
  // the downloaded file stays at `savedPath`.
  virtual void Kept(const UpdateRecord& record, const std::string& savedPath) = 0;
  // Every check before the flash of `record` passed.
  virtual void ChecksPassed(const UpdateRecord& record) = 0;
  // How unpacking `archive` and starting the flasher of `record` ended.
  virtual void InstallEnded(const UpdateRecord& record, const install::InstallOutcome& outcome,
                            const FetchedArchive& archive) = 0;
  // Whether each flash is read back before UpdateDrive returns (one drive to
  // its verdict before the next), or only when the front end calls ReadBack.
  virtual bool ReadBackEachFlash() const = 0;
  // Runs `look`, which reads the drives again and may wait out a drive
  // that does not answer; the wizard keeps its windows answering meanwhile.
  virtual void LookForDrives(const std::function<void()>& look) = 0;
  // What the drive side met in a rescan.
  virtual void RescanProblems(scsi::DriveIdentification& drives) = 0;
  // The verdict of an update; with `pending`, one a previous run left open.
  virtual void Verdict(const CheckedUpdate& update, bool pending) = 0;

 protected:
  ~UpdateVoice() = default;
};

// How far one drive's update went.
enum class DriveStep {
  NotDownloaded,  // no file to flash: the download was given up or failed
  Saved,          // downloaded; not to be flashed now
  Held,           // a check before the flash held it and the answer was to give up
  NotStarted,     // the archive could not be unpacked or its flasher started
  Started,        // the flasher runs; ReadBack gives the verdict
  ReadBack,       // the flasher ended and the drive was read back: `checked`
};

struct DriveUpdate {
  DriveStep reached = DriveStep::NotDownloaded;
  UpdateRecord record;
  std::string savedPath;          // the downloaded file, from Saved on
  install::InstallOutcome install;  // with NotStarted and later
  CheckedUpdate checked;          // with ReadBack
};

class UpdateEngine {
 public:
  // Takes the drives as the start-up scan found them; speaks through `voice`.
  UpdateEngine(scsi::ScsiTransport& transport, UpdateVoice& voice);
  ~UpdateEngine();
  UpdateEngine(const UpdateEngine&) = delete;
  UpdateEngine& operator=(const UpdateEngine&) = delete;

  const std::string& HistoryFile() const { return historyFile_; }
  // The drives as the latest scan found them, in the scan's table order.
  const std::vector<ScannedDrive>& Drives() const { return drives_; }

  // Before the first update: settles the open records of the history against
  // the drives found at start-up (SettleOpenRecordsUnlessUpdating) and tells
  // each verdict, so that each is told once.
  void CheckPending();

  // Updates `drive` to `item`, each step in its order. The drive is the one
  // chosen, with its model and revision as they were then; an empty address
  // means the first of the maker's drives of its model that this run has
  // not updated yet.
  //
  // Before the flasher starts, it waits (through the voice) for a flasher of
  // this run that still runs, for one flasher at a time, then takes the
  // machine's update lock and runs the checks that the flash is safe
  // (RunFlashGate), asking the voice about each that holds it back. Given
  // up, the attempt is written to the history as held, with its reason. A
  // started flash is written as pending; the lock is kept, with the
  // flasher's process id for the next copies, until ReadBack has read the
  // drives back.
  DriveUpdate UpdateDrive(const ScannedDrive& drive, const catalogue::FirmwareItem& item);

  // Waits for the flashers started since the last read-back, reads their
  // exit codes, closes them, scans the drives again, writes the verdicts and
  // tells each. Returns the updates checked, in the order they were started;
  // none when no update was started. The next checks before a flash look at
  // the drives of this scan.
  std::vector<CheckedUpdate> ReadBack();

 private:
  bool ReadyToFlash(UpdateRecord& record, const std::string& savedPath);
  void Started(UpdateRecord& record, install::StartedProgram& flasher);
  // The address of the maker's drive of `model` that the next update is for.
  std::string NextAddress(const std::string& model) const;
  // The index of `record`'s drive in the latest scan when it is still the
  // drive chosen; -1 otherwise.
  int ChosenDriveIndex(const UpdateRecord& record) const;
  void ReleaseLockUnlessFlashing();
  std::vector<void*> FlasherProcesses() const;

  scsi::ScsiTransport& transport_;
  UpdateVoice& voice_;
  std::string historyFile_;
  std::vector<ScannedDrive> drives_;
  std::vector<UpdateRecord> started_;
  std::vector<install::StartedProgram> flashers_;
  MachineUpdateLock updateLock_;
};

}  // namespace update
