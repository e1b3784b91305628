#include "app/UpdateCheck.h"

#include <algorithm>

#include "app/AppTexts.h"
#include "update/UpdateVerdict.h"
#include "messages/FillIn.h"

namespace app {

std::vector<CheckedUpdate> CheckUpdates(const std::vector<update::UpdateRecord>& attempts,
                                        const std::vector<update::ScannedDrive>& drives) {
  std::vector<CheckedUpdate> checked;
  for (const update::UpdateRecord& attempt : attempts) {
    CheckedUpdate update;
    update.record = attempt;
    update.verdict = update::JudgeUpdate(attempt, drives, &update.reported);
    update.record.verdict = update.verdict;
    checked.push_back(update);
  }
  return checked;
}

std::vector<CheckedUpdate> SettleOpenRecords(const std::string& historyFile,
                                             const std::vector<update::ScannedDrive>& drives) {
  const std::vector<update::UpdateRecord> open = update::RecordsToCheckAtStart(update::ReadHistory(historyFile));
  const std::vector<CheckedUpdate> checked = CheckUpdates(open, drives);
  std::vector<CheckedUpdate> news;
  for (std::size_t i = 0; i < checked.size(); ++i) {
    const bool stillMissing =
        open[i].verdict == update::Verdict::DriveMissing && checked[i].verdict == update::Verdict::DriveMissing;
    if (stillMissing) continue;
    update::SettleRecord(historyFile, checked[i].record, checked[i].verdict);
    news.push_back(checked[i]);
  }
  return news;
}

std::string AddressForModel(const std::vector<update::ScannedDrive>& drives, const std::string& model,
                            const std::vector<std::string>& taken) {
  for (const update::ScannedDrive& drive : drives) {
    if (!drive.maker || drive.model != model) continue;
    if (std::find(taken.begin(), taken.end(), drive.address) == taken.end()) return drive.address;
  }
  return std::string();
}

std::string VerdictMessage(const CheckedUpdate& update, Language language, bool pending) {
  const AppTexts& texts = AppTextsFor(language);
  const std::vector<std::string> arguments = {update.record.model, update.record.versionInstalled, update.reported,
                                    update.record.address, update.record.time};
  const char* verdictText = texts.driveMissing;
  if (update.verdict == update::Verdict::Verified) verdictText = texts.verified;
  if (update.verdict == update::Verdict::NotApplied) verdictText = texts.notApplied;
  return (pending ? messages::FillIn(texts.pendingChecked, arguments) + "\n" : std::string()) + messages::FillIn(verdictText, arguments);
}

}  // namespace app
