// `VornUpdate.exe /check` and `VornUpdate.exe /update /yes`: the runs
// without a window that a site's deployment tools start on many computers.
// Both scan, fetch and ask the planner (update/UpdatePlan); /update then
// hands each drive to the update engine the wizard uses too
// (update/UpdateEngine, script/UpdateDrives.h): the download and its
// SHA-256, the checks before the flash, unpacking, the flasher, the drive
// read back and the history. The log (ScriptLog.h) is their output; the
// exit code sums the run up.
#pragma once

#include "script/CommandLine.h"

namespace scsi {
class ScsiTransport;
}  // namespace scsi

namespace script {

// Runs `request` (mode Check or Update) over the drives of `transport`'s
// start-up scan and returns the exit code (ScriptExitCode).
int RunScript(const ScriptRequest& request, scsi::ScsiTransport& transport);

}  // namespace script
