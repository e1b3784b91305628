// The log and the exit codes of `/check` and `/update`, the runs without a
// window that a site's deployment tools start. A program without a window
// has no console on the old systems, so the log file is the output: plain
// English, CR LF line ends, each line written as soon as it is known.
//
//   # lines         what the run saw: the program, the drives, the catalogue
//   address ...     the header of the drive table, then one tab-separated
//                   line per drive of the maker (DriveTableLine)
//   ADDRESS<TAB>step<TAB>...      /update: each step of a drive's update
//   ADDRESS<TAB>verdict<TAB>...   /update: how the drive's update ended
//   exit code N: MEANING          always the last line
#pragma once

#include <string>
#include <vector>

#include "catalogue/FetchFailure.h"
#include "framework/File.h"
#include "update/UpdateHistory.h"
#include "update/UpdatePlan.h"
#include "scsi/DriveProblem.h"

namespace script {

// The exit codes, one table for both modes (README, "Updating many PCs").
enum ScriptExitCode : int {
  kExitNothingToDo = 0,           // /check: nothing newer; /update: all verified, or nothing to do
  kExitUpdateAvailable = 1,       // /check: a drive is offered newer firmware
  kExitNoMakerDrive = 2,          // /check: no drive of the maker was found
  kExitNoCatalogue = 3,           // no catalogue arrived (server not reached, or the source unreadable)
  kExitCatalogueNotVerified = 4,  // the catalogue arrived but was refused: signature, or older than one seen
  kExitHeld = 5,                  // /update: a check before the flash held a drive back
  kExitNotApplied = 6,            // /update: a drive still runs its old firmware
  kExitDriveMissing = 7,          // /update: a drive was not found after its flasher
  kExitFailed = 8,                // /update: download, hash, unpacking or the flasher's start failed
  kExitNotConfirmed = 9,          // /update without /yes: nothing done
  kExitBadCommandLine = 10,       // a word the program does not know, or an option without its value
  kExitLogNotWritten = 11,        // the log could not be made: nothing done (no log carries this one)
};

// What an exit code means, in the log's words ("update available", ...).
const char* ExitCodeMeaning(int code);
// The log's last line: "exit code N: MEANING".
std::string ExitLine(int code);

// Where the log goes without /log: the file "UpdateLog.txt" in the folder of
// the update history file `historyFile`; empty when that is empty.
std::string LogFileBeside(const std::string& historyFile);

// How the catalogue of a run ended.
enum class CatalogueState { Usable, NotArrived, NotVerified };

// /check's code: the catalogue's state first (a site whose share or server
// fails sees it on every computer), then no drive of the maker, then
// whether any drive is offered something newer.
int CheckExitCode(CatalogueState catalogue, const std::vector<update::DrivePlan>& plans);

// How one drive's update ended.
enum class DriveEnd { Verified, Held, NotApplied, DriveMissing, Failed };

// The end a verdict of the history gives; a pending one (never settled)
// counts as failed.
DriveEnd EndOfVerdict(update::Verdict verdict);

// /update's code over its drives, in this order: drive missing, failed, not
// applied, held; 0 when every drive was verified or none was updated.
int UpdateExitCode(const std::vector<DriveEnd>& ends);

// `code`, unless `ends` hold a drive that did not end verified: then
// UpdateExitCode of them. The ends of a run are those of its drives' updates,
// of the earlier updates it found did not take, and a failed end for each
// drive it could not look at; none of these may end a run as a success.
int ExitCodeWith(const std::vector<DriveEnd>& ends, int code);

// The log's words for an earlier update that `verdict` settles, naming it.
std::string EarlierUpdateText(const update::UpdateRecord& record, update::Verdict verdict);

// The header of the drive table and one drive's line: address, model,
// revision, the newest version offered (or "-"), its file's path and its
// SHA-256 (or "-"). The version is the entry's date code when it lists no
// version, as the history records it.
std::string DriveTableHeader();
std::string DriveTableLine(const update::DrivePlan& plan);

// What the drive side or the catalogue fetch met, in the log's words (the
// wizard's messages for these are in the user's language, or the system's).
std::string DriveProblemText(const scsi::DriveProblem& problem);
std::string FetchFailureText(catalogue::FetchFailure failure);

// The log file of one run.
class ScriptLog {
 public:
  // Creates (or empties) the file at `path`, which other programs may read
  // but not write meanwhile; false when it cannot (HeldElsewhere: another
  // run writes it).
  bool Open(const std::string& path);
  bool HeldElsewhere() const { return heldElsewhere_; }
  // Writes `line` and its line end at once. A write that fails is passed
  // over and the run goes on: the log is the record, not the work.
  void Line(const std::string& line);
  // A line of what the run saw: "# " and `text`.
  void Note(const std::string& text);
  // Writes the exit line and returns `code`.
  int End(int code);

  const std::string& Path() const { return path_; }

 private:
  CFile file_;
  std::string path_;
  bool heldElsewhere_ = false;
};

}  // namespace script
