// The history of started updates (its lines, its file, where it lives) and
// the verdict of a scan after the flasher.
#include "update/UpdateHistory.h"
#include "update/UpdateVerdict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/File.h"
#include "framework/Platform.h"
#include "tests/common/TestFiles.h"

namespace {

using update::ScannedDrive;
using update::UpdateRecord;
using update::Verdict;

const UpdateRecord kAttempt = {"2026-12-08 09:15:02", "QX-1234A", "0:0:0", "1.20", "1.30",
                               "qx1234a_130.zip", std::string(64, 'a'), Verdict::Pending};

std::string Scratch(const std::string& name) {
  const std::string root = VORN_TEST_SCRATCH;
  framework::CreateFolder(root);
  const std::string folder = root + framework::kPathSeparator + name;
  framework::CreateFolder(folder);
  return folder;
}

TEST(UpdateHistoryLine, RecordsSurviveTheirLineAndOddLinesArePassedOver) {
  UpdateRecord record = kAttempt;
  record.sha256.clear();  // none listed: written as "-"
  record.verdict = Verdict::NotApplied;
  const std::string line = update::FormatRecord(record);
  EXPECT_EQ(line, "2026-12-08 09:15:02\tQX-1234A\t0:0:0\t1.20\t1.30\tqx1234a_130.zip\t-\tnot applied");
  UpdateRecord read;
  ASSERT_TRUE(update::ParseRecord(line + "\r", read));
  EXPECT_TRUE(read.SameAttempt(record));
  EXPECT_EQ(read.verdict, Verdict::NotApplied);

  // Every byte of every field reads back as written, whatever the line ends.
  for (const std::string value : {"a\tb.zip", "-", "#1", "\\-\\t\r\n\\"}) {
    const UpdateRecord odd = {value, value, value, value, value, value, value, Verdict::NotApplied};
    for (const char* end : {"\r\n", "\n", "\r"}) {
      const std::string text = "# x\n" + update::FormatRecord(odd) + end + update::FormatRecord(kAttempt) + end;
      const std::vector<UpdateRecord> records = update::ParseHistory(text);
      ASSERT_EQ(records.size(), 2u) << testing::PrintToString(text);
      EXPECT_TRUE(records[0].SameAttempt(odd)) << testing::PrintToString(text);
    }
  }

  const struct {
    const char* line;
    bool parses;
    Verdict verdict;
  } rows[] = {
      {"t\tQX\t0:0:0\t1.20\t1.30\tf.zip\t-\tpending", true, Verdict::Pending},
      {"t\tQX\t0:0:0\t1.20\t1.30\tf.zip\t-\tverified", true, Verdict::Verified},
      {"t\tQX\tD:\t1.20\t1.30\tf.zip\t-\tdrive missing", true, Verdict::DriveMissing},
      {"t\tQX\t0:0:0\t1.20\t1.30\tf.zip\t-\tdone", false, Verdict::Pending},        // unknown verdict
      {"t\tQX\t0:0:0\t1.20\t1.30\tf.zip\tpending", false, Verdict::Pending},        // a field short
      {"t\tQX\t0:0:0\t1.20\t1.30\tf.zip\t-\tpending\tx", false, Verdict::Pending},  // one too many
      {"# time\tmodel\taddress\trev\tver\tfile\tsha\tpending", false, Verdict::Pending},
      {"", false, Verdict::Pending},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    UpdateRecord parsed;
    EXPECT_EQ(update::ParseRecord(row.line, parsed), row.parses);
    if (row.parses) {
      EXPECT_EQ(parsed.verdict, row.verdict);
    }
  }
}

TEST(UpdateHistoryFile, AppendsSettlesTheNewestPendingAttemptAndKeepsTheLastFifty) {
  const std::string path = Scratch("history") + framework::kPathSeparator + "sub" + framework::kPathSeparator +
                           "UpdateHistory.txt";
  platform::RemoveFile(path);
  EXPECT_TRUE(update::ReadHistory(path).empty());
  ASSERT_TRUE(update::AppendRecord(path, kAttempt));  // makes the missing folder
  ASSERT_TRUE(update::AppendRecord(path, kAttempt));  // the same attempt twice
  EXPECT_TRUE(update::SettleRecord(path, kAttempt, Verdict::Verified));
  std::vector<UpdateRecord> records = update::ReadHistory(path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].verdict, Verdict::Pending);
  EXPECT_EQ(records[1].verdict, Verdict::Verified);
  EXPECT_EQ(testfiles::ReadFile(path).substr(0, 7), "# time\t");

  UpdateRecord other = kAttempt;
  other.address = "0:2:0";
  EXPECT_FALSE(update::SettleRecord(path, other, Verdict::DriveMissing)) << "no such pending record";
  // A drive missing after its flash stays open until a start finds it.
  EXPECT_TRUE(update::SettleRecord(path, kAttempt, Verdict::DriveMissing));
  EXPECT_TRUE(update::SettleRecord(path, kAttempt, Verdict::Verified));
  EXPECT_FALSE(update::SettleRecord(path, kAttempt, Verdict::NotApplied)) << "both records are settled";

  for (int i = 0; i < 60; ++i) {
    UpdateRecord record = kAttempt;
    record.time = "2026-12-09 10:00:" + std::to_string(10 + i);
    ASSERT_TRUE(update::AppendRecord(path, record));
  }
  records = update::ReadHistory(path);
  ASSERT_EQ(records.size(), update::kHistoryRecords);
  EXPECT_EQ(records.back().time, "2026-12-09 10:00:69");
}

// Which records a start checks: the pending ones, and a drive's newest
// record when its drive was missing after the flash.
TEST(UpdateHistoryFile, AStartChecksPendingRecordsAndEachDrivesNewestMissingOne) {
  auto record = [](const char* time, const char* model, const char* address, Verdict verdict) {
    UpdateRecord r = kAttempt;
    r.time = time;
    r.model = model;
    r.address = address;
    r.verdict = verdict;
    return r;
  };
  const std::vector<UpdateRecord> history = {
      record("1", "QX-1234A", "0:0:0", Verdict::DriveMissing),  // superseded by 3
      record("2", "QX-9000B", "0:1:0", Verdict::DriveMissing),  // newest of its drive
      record("3", "QX-1234A", "0:0:0", Verdict::Verified),
      record("4", "QX-1234A", "0:2:0", Verdict::NotApplied),
      record("5", "QX-1234A", "0:2:0", Verdict::Pending),
      record("6", "QX-1234A", "0:0:0", Verdict::Pending),
  };
  std::vector<std::string> times;
  for (const UpdateRecord& r : update::RecordsToCheckAtStart(history)) times.push_back(r.time);
  EXPECT_EQ(times, (std::vector<std::string>{"2", "5", "6"}));
  EXPECT_TRUE(update::RecordsToCheckAtStart({history[0], history[2]}).empty());
}

TEST(UpdateHistoryPlace, AppDataOnTheNtLineElseBesideTheProgramThenTheWindowsFolder) {
  const char s = framework::kPathSeparator;
  const std::string file = "UpdateHistory.txt";
  const struct {
    bool nt;
    const char* appData;
    const char* program;
    std::vector<std::string> expected;
  } rows[] = {
      {true, "C:\\Users\\me\\AppData\\Roaming", "C:\\Program Files\\VORN",
       {std::string("C:\\Users\\me\\AppData\\Roaming") + s + "VORN" + s + file,
        std::string("C:\\Program Files\\VORN") + s + file, std::string("C:\\WINDOWS") + s + file}},
      {true, "", "C:\\VORN", {std::string("C:\\VORN") + s + file, std::string("C:\\WINDOWS") + s + file}},  // NT 4
      {false, "C:\\ignored", "C:\\VORN", {std::string("C:\\VORN") + s + file, std::string("C:\\WINDOWS") + s + file}},
      {false, "", "", {std::string("C:\\WINDOWS") + s + file}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.nt ? "NT " : "9x ") + row.appData + " " + row.program);
    EXPECT_EQ(update::HistoryFileCandidates(row.nt, row.appData, row.program, "C:\\WINDOWS"), row.expected);
  }

  // A file already there is kept; else the first place that takes a file.
  const std::string folder = Scratch("history-place");
  const std::string first = folder + s + "a" + s + file;
  const std::string second = folder + s + "b" + s + file;
  platform::RemoveFile(first);
  platform::RemoveFile(second);
  const std::string blocked = folder + s + "not-a-folder";
  testfiles::WriteFile(blocked, "a file where a folder would be");
  EXPECT_EQ(update::ChooseHistoryFile({blocked + s + file, first, second}), first);
  EXPECT_FALSE(platform::FileExists(first)) << "the trial file stays";
  ASSERT_TRUE(update::AppendRecord(second, kAttempt));
  EXPECT_EQ(update::ChooseHistoryFile({first, second}), second);
  EXPECT_EQ(update::ChooseHistoryFile({blocked + s + file}), "");
}

TEST(UpdateVerdict, TheDriveAtTheAddressDecides) {
  const ScannedDrive flashed = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.30", "030512", true};
  const ScannedDrive unchanged = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.20", "030101", true};
  const ScannedDrive otherRevision = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.25", "030101", true};
  const ScannedDrive elsewhere = {"0:2:0", "VORN", "QX-1234A", "QX-1234A", "1.30", "030512", true};
  const ScannedDrive otherModel = {"0:0:0", "VORN", "QX-9000B", "QX-9000B", "1.30", "030512", true};
  const ScannedDrive otherMaker = {"0:0:0", "ACME", "QX-1234A", "QX-1234A", "1.30", "030512", false};
  const ScannedDrive noDateCode = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.20", "", true};
  UpdateRecord byDateCode = kAttempt;
  byDateCode.versionInstalled = "030512";
  UpdateRecord noVersion = kAttempt;
  noVersion.versionInstalled.clear();
  const struct {
    const char* name;
    UpdateRecord attempt;
    std::vector<ScannedDrive> drives;
    Verdict verdict;
    const char* reported;
  } rows[] = {
      {"runs the version installed", kAttempt, {flashed}, Verdict::Verified, "1.30"},
      {"still the old revision", kAttempt, {unchanged}, Verdict::NotApplied, "1.20"},
      {"a revision nobody installed", kAttempt, {otherRevision}, Verdict::NotApplied, "1.25"},
      {"no drive at all", kAttempt, {}, Verdict::DriveMissing, ""},
      {"the model only at another address", kAttempt, {elsewhere}, Verdict::DriveMissing, ""},
      {"another model at the address", kAttempt, {otherModel}, Verdict::DriveMissing, ""},
      {"another maker's drive at the address", kAttempt, {otherMaker}, Verdict::DriveMissing, ""},
      {"an entry listed by date code only", byDateCode, {flashed}, Verdict::Verified, "1.30"},
      {"date code entry not taken", byDateCode, {unchanged}, Verdict::NotApplied, "1.20"},
      {"no version recorded, a drive without date code", noVersion, {noDateCode}, Verdict::NotApplied, "1.20"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string reported = "stale";
    EXPECT_EQ(update::JudgeUpdate(row.attempt, row.drives, &reported), row.verdict);
    EXPECT_EQ(reported, row.reported);
  }
}

TEST(AddressForModel, EachUpdateOfARunTakesTheNextDriveOfItsModel) {
  const ScannedDrive other = {"0:1:0", "ACME", "CD-52X", "CD-52X", "1.00", "020202", false};
  const ScannedDrive first = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.20", "030101", true};
  ScannedDrive second = first;
  second.address = "0:2:0";
  const std::vector<ScannedDrive> drives = {other, first, second};
  EXPECT_EQ(update::AddressForModel(drives, "QX-1234A", {}), "0:0:0");
  EXPECT_EQ(update::AddressForModel(drives, "QX-1234A", {"0:0:0"}), "0:2:0");
  EXPECT_EQ(update::AddressForModel(drives, "QX-1234A", {"0:0:0", "0:2:0"}), "");
  EXPECT_EQ(update::AddressForModel(drives, "CD-52X", {}), "") << "another maker's drive is never updated";
}

}  // namespace
