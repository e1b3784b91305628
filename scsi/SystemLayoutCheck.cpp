// Pins the system's own pass-through record, as the Windows headers declare
// it for this build's pointer width, to the figures the program's record is
// pinned to. Nothing here runs: a mismatch stops the build.
#include <windows.h>
#include <ntddscsi.h>

#include <cstddef>

#include "scsi/ScsiLayout.h"

namespace scsi_layout {

static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == kSptdDataBuffer);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == kSptdSenseInfoOffset);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == kSptdCdb);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == kSptdSize);

struct SystemPassThroughRecord {
  SCSI_PASS_THROUGH_DIRECT spt;
  ULONG filler;
  UCHAR senseBuffer[32];
};
static_assert(offsetof(SystemPassThroughRecord, senseBuffer) == kPassThroughSense);
static_assert(sizeof(SystemPassThroughRecord) == kPassThroughSize);

static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == 0x4D014);

}  // namespace scsi_layout
