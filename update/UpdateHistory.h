// The short history of firmware updates: one line per update attempt in a
// small text file the user can write, so that the next start can settle an
// update whose outcome was never seen and support can read what was done.
//
// A record is one line of tab-separated fields:
//
//   time  model  address  revision before  version installed  file name  SHA-256  verdict
//
// An empty field is written as "-". Inside a field a backslash escapes what
// the line cannot hold: "\\" a backslash, "\t" a tab, "\r" and "\n" the line
// ends, "\-" a field that is "-" itself, "\#" a "#" at its start (a line
// starting with "#" is a comment); every other byte stands as it is, so a
// file written before escapes were used reads as it did. Lines end with
// CR LF as written, or LF or CR alone.
//
// The verdict is "pending" from the flasher's start until the drive has been
// read again, then "verified", "not applied" or "drive missing". An attempt
// whose flasher never started, for a check before it held the flash back and
// the user cancelled, has a verdict "held: " with the reason. Lines starting
// with '#' and lines that do not parse are passed over when reading.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace update {

enum class Verdict {
  Pending,
  Verified,
  NotApplied,
  DriveMissing,
  HeldDriveChanged,
  HeldOnBattery,
  HeldDiscInDrive,
  HeldDriveBusy,
  HeldAnotherUpdate,
};

// "pending", "verified", "not applied", "drive missing", "held: drive
// changed", "held: on battery", "held: disc in drive", "held: drive busy",
// "held: another update is running".
const char* VerdictName(Verdict verdict);

struct UpdateRecord {
  std::string time;              // local time, "YYYY-MM-DD hh:mm:ss"
  std::string model;             // the drive's model, as the device page lists it
  std::string address;           // "adapter:target:lun" (ASPI) or "D:" (pass-through)
  std::string revisionBefore;    // the drive's revision when the update started
  std::string versionInstalled;  // the catalogue entry's version
  std::string fileName;          // the firmware file's name on the server
  std::string sha256;            // as the catalogue listed it; empty: none listed
  Verdict verdict = Verdict::Pending;

  // The same attempt: every field but the verdict is equal.
  bool SameAttempt(const UpdateRecord& other) const;
};

// The record as one line, without the line end. Fields are escaped as above,
// so that every byte of every field reads back as it was.
std::string FormatRecord(const UpdateRecord& record);
// False for comments, blank lines and lines without exactly eight fields or
// with an unknown verdict.
bool ParseRecord(const std::string& line, UpdateRecord& record);

// Every record of the history text, oldest first.
std::vector<UpdateRecord> ParseHistory(const std::string& text);
// The whole file: a comment line naming the fields, then the last
// kHistoryRecords records, one a line with CR LF.
std::string FormatHistory(const std::vector<UpdateRecord>& records);

// How many records the file keeps; older ones are dropped when it is written.
inline constexpr std::size_t kHistoryRecords = 50;

// The records of the file at `path`; none when it is missing or unreadable.
std::vector<UpdateRecord> ReadHistory(const std::string& path);
// Writes `records` as the whole file (FormatHistory), making the file's
// folder when it is missing. False when the file could not be written.
bool WriteHistory(const std::string& path, const std::vector<UpdateRecord>& records);
// Appends one record (by rewriting the file with it at the end). False,
// with the file left as it was, when it is there but cannot be read.
bool AppendRecord(const std::string& path, const UpdateRecord& record);
// Gives the newest record of the same attempt that is still open (pending,
// or drive missing) its verdict. False when the file holds no such record
// or cannot be written.
bool SettleRecord(const std::string& path, const UpdateRecord& attempt, Verdict verdict);

// The records a start checks against its drives, oldest first: every
// pending one, and each "drive missing" one that is the newest record of its
// drive (model and address). A drive that was missing after its flash may
// come back after a restart, and the user was told to start the program
// again to check; a later update of the same drive supersedes the old
// record.
std::vector<UpdateRecord> RecordsToCheckAtStart(const std::vector<UpdateRecord>& records);

// Where the history may live, most preferred first: on the NT line the
// user's application-data folder (`appData`, empty when unknown), in a
// folder "VORN" beside the other programs' folders there, for it is per
// user and writable without administrator rights; then, as on the 9x line,
// the program's own folder (9x has no per-user folders and guards no
// folder), and the Windows folder for a program run from read-only media.
// Empty folders are left out. Each entry is the file's full path.
std::vector<std::string> HistoryFileCandidates(bool ntLine, const std::string& appData,
                                               const std::string& programFolder,
                                               const std::string& windowsFolder);

// The candidate that holds a history already, else the first where a new
// file can be made (its folder made when missing; the trial file is
// removed); empty when none can.
std::string ChooseHistoryFile(const std::vector<std::string>& candidates);

}  // namespace update
