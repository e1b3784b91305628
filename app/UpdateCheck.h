// After the flasher: which drive each started update was for, whether it
// took, and the one message that tells the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Language.h"
#include "update/UpdateHistory.h"
#include "update/ScannedDrive.h"

namespace app {

struct CheckedUpdate {
  update::UpdateRecord record;
  update::Verdict verdict = update::Verdict::Pending;
  std::string reported;  // the revision the drive reports; empty when missing
  std::int64_t flasherExitCode = -1;  // the flasher's exit code; -1: not known
};

// The verdict of each attempt against one scan, in the attempts' order.
std::vector<CheckedUpdate> CheckUpdates(const std::vector<update::UpdateRecord>& attempts,
                                        const std::vector<update::ScannedDrive>& drives);

// Settles the open records of the history at `historyFile`
// (update::RecordsToCheckAtStart) against `drives`: writes each verdict and
// returns the updates whose verdict is news, in the history's order. A drive
// still missing since its flash is passed over: its record stays open for a
// start that finds it.
std::vector<CheckedUpdate> SettleOpenRecords(const std::string& historyFile,
                                             const std::vector<update::ScannedDrive>& drives);

// The address of the maker's drive of `model` that an update started in this
// run was for: the first such drive of the scan whose address is not in
// `taken` (the wizard offers a model's files on its first drive, and lists
// a drive only until it has been handled). Empty when there is none.
std::string AddressForModel(const std::vector<update::ScannedDrive>& drives, const std::string& model,
                            const std::vector<std::string>& taken);

// The message for one update. With `pending`, it is preceded by the line
// that says when the update was started.
std::string VerdictMessage(const CheckedUpdate& update, Language language, bool pending = false);

}  // namespace app
