// What a second look at a drive tells, just before its firmware is
// replaced: whether the drive the user chose still answers at its address,
// and whether it is free (no disc in it, no program writing to it).
#pragma once

#include "scsi/ScsiRecords.h"

namespace scsi {

enum class DriveLook {
  Same,      // it answers INQUIRY with the identification and revision it had
  Changed,   // another drive, or another revision, answers there
  Gone,      // nothing answers at its address
  HeldOpen,  // NT line: another program holds the drive open without sharing it
};

enum class MediumState {
  Empty,     // no medium (sense 02/3A/xx): the tray is empty or open
  Disc,      // a disc is in the drive, ready or becoming ready
  Busy,      // a long operation is under way (02/04/07, 02/04/08)
  Unknown,   // no answer that tells: the command failed, or other sense
};

// The state a TEST UNIT READY answer tells. A unit attention (sense key 6)
// tells nothing yet: the caller asks again (see ScsiTransport::ReadMedium).
MediumState MediumOf(const UnitAnswer& answer);
bool IsUnitAttention(const UnitAnswer& answer);

}  // namespace scsi
