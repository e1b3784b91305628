#include "update/UpdateVerdict.h"

#include <algorithm>

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



std::vector<CheckedUpdate> CheckUpdates(const std::vector<UpdateRecord>& attempts,
                                        const std::vector<ScannedDrive>& drives) {
  std::vector<CheckedUpdate> checked;
  for (const UpdateRecord& attempt : attempts) {
    CheckedUpdate update;
    update.record = attempt;
    update.verdict = JudgeUpdate(attempt, drives, &update.reported);
    update.record.verdict = update.verdict;
    checked.push_back(update);
  }
  return checked;
}

std::vector<CheckedUpdate> SettleOpenRecords(const std::string& historyFile,
                                             const std::vector<ScannedDrive>& drives) {
  const std::vector<UpdateRecord> open = RecordsToCheckAtStart(ReadHistory(historyFile));
  const std::vector<CheckedUpdate> checked = CheckUpdates(open, drives);
  std::vector<CheckedUpdate> news;
  for (std::size_t i = 0; i < checked.size(); ++i) {
    const bool stillMissing =
        open[i].verdict == Verdict::DriveMissing && checked[i].verdict == Verdict::DriveMissing;
    if (stillMissing) continue;
    SettleRecord(historyFile, checked[i].record, checked[i].verdict);
    news.push_back(checked[i]);
  }
  return news;
}

std::string AddressForModel(const std::vector<ScannedDrive>& drives, const std::string& model,
                            const std::vector<std::string>& taken) {
  for (const ScannedDrive& drive : drives) {
    if (!drive.maker || drive.model != model) continue;
    if (std::find(taken.begin(), taken.end(), drive.address) == taken.end()) return drive.address;
  }
  return std::string();
}

}  // namespace update
