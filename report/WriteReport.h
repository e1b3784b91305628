// `VornUpdate.exe /report FILE`: the support report, written without a
// window.
#pragma once

#include <string>
#include <vector>

#include "messages/UserMessages.h"

namespace scsi {
class ScsiTransport;
}  // namespace scsi

namespace report {

// Exit code when the report file cannot be written (added to the report's
// own exit code), and when the option names no file.
inline constexpr int kReportNotWritten = 4;

// Gathers the facts (the drives of `transport`'s start-up scan, a fresh
// fetch of the catalogue from the first source reached, or from `source`
// when "/source PATH" named one (see UseSource), the history), writes the
// report to `file` and returns the exit code (ReportExitCode, plus
// kReportNotWritten when the file could not be written).
int WriteSupportReport(const std::string& file, scsi::ScsiTransport& transport, const std::string& source);

}  // namespace report
