// What the program does around the wizard for the updates it starts: it
// writes each started update into the history as pending, waits for the
// flashers after the wizard, reads the drives again and tells the user
// whether each update took; at start-up it settles the updates a previous
// run left pending.
#pragma once

#include <string>
#include <vector>

#include "framework/Language.h"
#include "install/FlashGate.h"
#include "install/ProgramStart.h"
#include "install/UpdateHistory.h"
#include "install/UpdateVerdict.h"

class ScsiTransport;

namespace app {

// Where this machine keeps the history (install::HistoryFileCandidates with
// this system's folders); empty when no folder can take it.
std::string HistoryFilePath(bool ntLine);

// The local time as "YYYY-MM-DD hh:mm:ss".
std::string LocalTimeText();

class UpdateFollowUp {
 public:
  // Takes the drives as the start-up scan found them.
  UpdateFollowUp(ScsiTransport& transport, Language language);
  ~UpdateFollowUp();
  UpdateFollowUp(const UpdateFollowUp&) = delete;
  UpdateFollowUp& operator=(const UpdateFollowUp&) = delete;

  // Before the welcome page: judges the open records of the history
  // (install::RecordsToCheckAtStart) against the drives found at start-up,
  // writes the verdicts and shows each in the message dialog, so that each is
  // shown once. A drive still missing is passed over in silence.
  void CheckPending();

  // Before the flasher of an update the user has agreed to, whose drive's
  // model and revision `record` holds: waits (with the waiting window) for a
  // flasher of this run that still runs, for one flasher at a time, then
  // runs the checks that the flash is safe (install::RunFlashGate), asking
  // the user about each that holds it back. Gives `record` the drive's
  // address. True when the flasher may start. False when the user cancelled:
  // the attempt is written to the history as held, with its reason, and the
  // user is told where the downloaded file `savedPath` is kept.
  bool ReadyToFlash(install::UpdateRecord& record, const std::string& savedPath);

  // The wizard's report of a started update: gives it the time and, unless
  // ReadyToFlash did, the drive's address, writes it as pending and keeps
  // the flasher.
  void Started(install::UpdateRecord& record, install::StartedProgram& flasher);

  // After the wizard: waits for the flashers (with the waiting window),
  // closes them, scans the drives again, writes the verdicts and shows each
  // in the message dialog (one a dialog: its panel holds three lines). Nothing when no update was started.
  void CheckStarted();

 private:
  void Tell(const std::string& message);
  // The address of the maker's drive of `model` that the next update is for.
  std::string NextAddress(const std::string& model) const;
  install::HoldAnswer AskAboutHold(install::HoldReason hold, const install::UpdateRecord& record);

  ScsiTransport& transport_;
  Language language_;
  std::string historyFile_;
  std::vector<install::ScannedDrive> startDrives_;
  std::vector<install::UpdateRecord> started_;
  std::vector<install::StartedProgram> flashers_;
};

}  // namespace app
