// Whether a started firmware update took: the drive it was for, read again
// after the flasher, against what was installed.
#pragma once

#include <string>
#include <vector>

#include "update/ScannedDrive.h"
#include "update/UpdateHistory.h"

namespace update {

// What a scan says about a started update: the maker's drive at the
// attempt's address with the attempt's model runs the version installed
// (verified), runs another (not applied), or is not there (drive missing).
// `reported` gets the revision the drive reports, empty when it is missing.
Verdict JudgeUpdate(const UpdateRecord& attempt, const std::vector<ScannedDrive>& drives,
                    std::string* reported = nullptr);

// The drive at `address`, or null.
const ScannedDrive* FindDrive(const std::vector<ScannedDrive>& drives, const std::string& address);

}  // namespace update
