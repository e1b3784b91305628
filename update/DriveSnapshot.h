// The drives of the transport's table as plain records, for the verdict of
// an update and for the support report.
#pragma once

#include <vector>

#include "update/ScannedDrive.h"

namespace scsi {
class ScsiTransport;
}  // namespace scsi

namespace update {

// Every listed drive, in table order: its address, INQUIRY texts and date
// code (read with a fresh INQUIRY), and whether it is one of the maker's.
std::vector<update::ScannedDrive> SnapshotDrives(scsi::ScsiTransport& transport);

}  // namespace update
