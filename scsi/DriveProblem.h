// What went wrong on the drive side that the user is to hear of. The
// transport shows nothing itself: it records each problem as it happens, in
// order, and whoever speaks to the user takes them (TakeProblems) and chooses
// the words and the window.
#pragma once

#include <cstdint>
#include <vector>

namespace scsi {

enum class ProblemCause {
  AspiLibraryMissing,  // WNASPI32.DLL did not load, or lacks an entry point
  PassThroughFailed,   // a pass-through request failed with `windowsError`
  DriveNotOpened,      // NT line: the CD-ROM drive `driveLetter` could not be opened
                       // (held open by another program, access denied, ...), so
                       // it was not read
  DriveNotAnswering,   // NT line: the drive `driveLetter` did not answer its INQUIRY within
                       // the time-out, so it was listed without texts
};

struct DriveProblem {
  ProblemCause cause;
  std::uint32_t windowsError = 0;  // GetLastError of the failed call; 0 when none
  char driveLetter = 0;            // the drive it concerns; 0 when none

  bool operator==(const DriveProblem& other) const {
    return cause == other.cause && windowsError == other.windowsError && driveLetter == other.driveLetter;
  }
};

using DriveProblems = std::vector<DriveProblem>;

}  // namespace scsi
