// The basic record of a drive, as every part after the scan sees it: the
// planner, the checks before a flash, the verdict, the report and the logs.
#pragma once

#include <string>

namespace update {

// One drive as a scan found it.
struct ScannedDrive {
  std::string address;   // "adapter:target:lun" (ASPI) or "D:" (pass-through)
  std::string vendor;    // INQUIRY vendor identification, trailing spaces removed
  std::string product;   // INQUIRY product identification, trailing spaces removed
  std::string model;     // the product up to its first space, as the device page lists it
  std::string revision;  // firmware revision, as the device page lists it
  std::string dateCode;  // "/" removed; empty when the drive gives none
  bool maker = false;    // one of the maker's drives
};

}  // namespace update
