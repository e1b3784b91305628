// What the program does around the wizard for the updates it starts: it
// writes each started update into the history as pending, waits for the
// flashers after the wizard, reads the drives again and tells the user
// whether each update took; at start-up it settles the updates a previous
// run left pending.
#pragma once

#include <string>
#include <vector>

#include "app/UpdateCheck.h"
#include "framework/Language.h"
#include "update/FlashGate.h"
#include "update/UpdateLock.h"
#include "install/ProgramStart.h"
#include "update/UpdateHistory.h"
#include "update/ScannedDrive.h"

class DriveIdentification;
class ScsiTransport;

namespace app {

// The folder the program runs from, without a trailing backslash; empty
// when its path cannot be had whole.
std::string ProgramFolder();

// Where this machine keeps the history (update::HistoryFileCandidates with
// this system's folders); empty when no folder can take it.
std::string HistoryFilePath(bool ntLine);

// The program's own work folder beside the history file `historyFile`
// ("Downloads"), made when missing; empty when it cannot be. Not the
// system's temporary folder: a startup script runs as SYSTEM, whose
// temporary folder every user can make folders in, and the flasher started
// from there would run as SYSTEM.
std::string WorkRoot(const std::string& historyFile);

// The local time as "YYYY-MM-DD hh:mm:ss".
std::string LocalTimeText();

// SettleOpenRecords, unless another copy of the program is updating a drive
// (it holds the machine's update lock, or a flasher a copy that was ended
// had started still runs): an open record may then be that copy's, whose
// flasher has not ended. `anotherUpdate` tells which.
std::vector<CheckedUpdate> SettleOpenRecordsUnlessUpdating(const std::string& historyFile,
                                                           const std::vector<update::ScannedDrive>& drives,
                                                           bool& anotherUpdate);

// How the follow-up meets the person at the computer: the wizard's windows
// (WindowVoice), or in a script run nobody, its log taking their place.
class FollowUpVoice {
 public:
  // Returns once every process of `processes` (process handles) has ended.
  virtual void WaitForFlashers(const std::vector<void*>& processes) = 0;
  // A check holds back the flash of `record`'s drive: try again, or give up.
  virtual update::HoldAnswer AskAboutHold(update::HoldReason hold, const update::UpdateRecord& record) = 0;
  // The flash of `record` was given up while held (its verdict says why);
  // the downloaded file stays at `savedPath`.
  virtual void Kept(const update::UpdateRecord& record, const std::string& savedPath) = 0;
  // What the drive side met in a rescan.
  virtual void RescanProblems(DriveIdentification& drives) = 0;
  // The verdict of an update; with `pending`, one a previous run left open.
  virtual void Verdict(const CheckedUpdate& update, bool pending) = 0;

 protected:
  ~FollowUpVoice() = default;
};

// The wizard's voice: the waiting window, the held question, the message
// dialog, in `language`.
class WindowVoice : public FollowUpVoice {
 public:
  explicit WindowVoice(Language language) : language_(language) {}
  void WaitForFlashers(const std::vector<void*>& processes) override;
  update::HoldAnswer AskAboutHold(update::HoldReason hold, const update::UpdateRecord& record) override;
  void Kept(const update::UpdateRecord& record, const std::string& savedPath) override;
  void RescanProblems(DriveIdentification& drives) override;
  void Verdict(const CheckedUpdate& update, bool pending) override;

 private:
  void Tell(const std::string& message);
  Language language_;
};

class UpdateFollowUp {
 public:
  // Takes the drives as the start-up scan found them; speaks through `voice`.
  UpdateFollowUp(ScsiTransport& transport, FollowUpVoice& voice);
  ~UpdateFollowUp();
  UpdateFollowUp(const UpdateFollowUp&) = delete;
  UpdateFollowUp& operator=(const UpdateFollowUp&) = delete;

  // Before the welcome page: settles the open records of the history against
  // the drives found at start-up (SettleOpenRecordsUnlessUpdating) and tells each verdict,
  // so that each is told once.
  void CheckPending();

  // Before the flasher of an update the user has agreed to, whose drive's
  // model and revision `record` holds as they were when the update was
  // chosen: waits (with the waiting window) for a flasher of this run that
  // still runs, for one flasher at a time, then takes the machine's update
  // lock and runs the checks that the flash is safe (update::RunFlashGate),
  // asking the voice about each that holds it back. The lock is kept until
  // CheckStarted has read the drives back, or NotStarted. Gives `record` the drive's
  // address unless it has one. True when the flasher may start. False when
  // the answer was to give up: the attempt is written to the history as
  // held, with its reason (also in `record.verdict`), and the voice is told
  // where the downloaded file `savedPath` is kept.
  bool ReadyToFlash(update::UpdateRecord& record, const std::string& savedPath);

  // The flasher of an update that passed ReadyToFlash did not start (the
  // archive could not be unpacked): the machine's lock is given back unless
  // a flasher of this run still waits for its verdict.
  void NotStarted();

  // The wizard's report of a started update: gives it the time and, unless
  // ReadyToFlash did, the drive's address, writes it as pending and keeps
  // the flasher, whose process id the lock records for the next copies
  // until CheckStarted has seen it end.
  void Started(update::UpdateRecord& record, install::StartedProgram& flasher);

  // After the wizard (or after each flasher of a script run): waits for the
  // flashers, reads their exit codes, closes them, scans the drives again,
  // writes the verdicts and tells each (the wizard: one message dialog each,
  // whose panel holds three lines). Returns the updates checked, in the
  // order they were started; none when no update was started. The next
  // checks before a flash look at the drives of this scan.
  std::vector<CheckedUpdate> CheckStarted();

 private:
  // The address of the maker's drive of `model` that the next update is for.
  std::string NextAddress(const std::string& model) const;
  // The index of `record`'s drive in the latest scan when it is still the
  // drive chosen; -1 otherwise.
  int ChosenDriveIndex(const update::UpdateRecord& record) const;
  void ReleaseLockUnlessFlashing();

  ScsiTransport& transport_;
  FollowUpVoice& voice_;
  std::string historyFile_;
  std::vector<update::ScannedDrive> startDrives_;
  std::vector<update::UpdateRecord> started_;
  std::vector<install::StartedProgram> flashers_;
  update::MachineUpdateLock updateLock_;
};

}  // namespace app
