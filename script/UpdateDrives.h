// /update's drives through the update engine (update/UpdateEngine.h), its
// voice the log: nobody to ask or to tell, the download without its window
// into a folder of the work folder for each drive, and each step and
// verdict on a line of its own.
#pragma once

#include <string>
#include <vector>

#include "catalogue/CatalogueFetcher.h"
#include "script/ScriptLog.h"
#include "update/UpdatePlan.h"

namespace scsi {
class ScsiTransport;
}  // namespace scsi

namespace script {

// Each planned drive, one at a time, each to the end of its verdict before
// the next, over the drives of `transport` and the files of `fetcher`, the
// files kept in the work folder beside `historyFile`; how each ended goes
// into `ends`.
void UpdatePlannedDrives(const std::vector<update::DrivePlan>& plans, scsi::ScsiTransport& transport,
                         catalogue::CatalogueFetcher& fetcher, const std::string& historyFile, ScriptLog& log,
                         std::vector<DriveEnd>& ends);

}  // namespace script
