// Whether a started firmware update took: the drive it was for, read again
// after the flasher, against what was installed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update/ScannedDrive.h"
#include "update/UpdateHistory.h"

namespace update {

// What a scan says about a started update: the maker's drive at the
// attempt's address with the attempt's model runs the version installed
// (verified), runs another (not applied), or is not there (drive missing).
// `reported` gets the revision the drive reports, empty when it is missing.
Verdict JudgeUpdate(const UpdateRecord& attempt, const std::vector<ScannedDrive>& drives,
                    std::string* reported = nullptr);

// The drive at `address`, or null.
const ScannedDrive* FindDrive(const std::vector<ScannedDrive>& drives, const std::string& address);

struct CheckedUpdate {
  UpdateRecord record;
  Verdict verdict = Verdict::Pending;
  std::string reported;  // the revision the drive reports; empty when missing
  std::int64_t flasherExitCode = -1;  // the flasher's exit code; -1: not known
};

// The verdict of each attempt against one scan, in the attempts' order.
std::vector<CheckedUpdate> CheckUpdates(const std::vector<UpdateRecord>& attempts,
                                        const std::vector<ScannedDrive>& drives);

// Settles the open records of the history at `historyFile`
// (RecordsToCheckAtStart) against `drives`: writes each verdict and
// returns the updates whose verdict is news, in the history's order. A drive
// still missing since its flash is passed over: its record stays open for a
// start that finds it.
std::vector<CheckedUpdate> SettleOpenRecords(const std::string& historyFile,
                                             const std::vector<ScannedDrive>& drives);

// The address of the maker's drive of `model` that an update started in this
// run was for: the first such drive of the scan whose address is not in
// `taken` (the wizard offers a model's files on its first drive, and lists
// a drive only until it has been handled). Empty when there is none.
std::string AddressForModel(const std::vector<ScannedDrive>& drives, const std::string& model,
                            const std::vector<std::string>& taken);

}  // namespace update
