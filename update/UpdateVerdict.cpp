#include "update/UpdateVerdict.h"

namespace update {

const ScannedDrive* FindDrive(const std::vector<ScannedDrive>& drives, const std::string& address) {
  for (const ScannedDrive& drive : drives) {
    if (drive.address == address) return &drive;
  }
  return nullptr;
}

Verdict JudgeUpdate(const UpdateRecord& attempt, const std::vector<ScannedDrive>& drives,
                    std::string* reported) {
  if (reported != nullptr) reported->clear();
  const ScannedDrive* drive = FindDrive(drives, attempt.address);
  // Another drive at that address (or the drive now answering as another
  // maker's) is not the drive that was updated.
  if (drive == nullptr || !drive->maker || drive->model != attempt.model) return Verdict::DriveMissing;
  if (reported != nullptr) *reported = drive->revision;
  // An entry listed by date code alone records its date code as the version.
  const bool runsIt = !attempt.versionInstalled.empty() &&
                      (drive->revision == attempt.versionInstalled || drive->dateCode == attempt.versionInstalled);
  return runsIt ? Verdict::Verified : Verdict::NotApplied;
}

}  // namespace update
