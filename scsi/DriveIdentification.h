// What the catalogue matching asks of the drive scan: how many drives are
// listed, and for each whether it is one of the maker's drives with its model,
// firmware revision and date code. ScsiTransport answers for the real drives;
// tests answer with a table.
#pragma once

#include <string>

#include "scsi/DriveProblem.h"

namespace scsi {

class DriveIdentification {
 public:
  virtual int DriveCount() const = 0;
  virtual void SelectDrive(int index) = 0;
  // True for one of the maker's drives, with its three texts; false, with no
  // texts and without touching the drive, for any other.
  virtual bool IdentifyDrive(int index, std::string& model, std::string& revision,
                             std::string& dateCode) = 0;
  // The problems met since the last call, oldest first; none by default.
  virtual scsi::DriveProblems TakeProblems() { return {}; }

 protected:
  ~DriveIdentification() = default;
};

}  // namespace scsi
