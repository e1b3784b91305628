// What the program does around the wizard without a window: its texts, the
// verdict message, which drive an update was for, the report's command line
// and the report's offers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppTexts.h"
#include "app/CommandLine.h"
#include "app/ScriptLog.h"
#include "app/SupportReport.h"
#include "app/UpdateCheck.h"
#include "tests/install/Cp950.h"

namespace {

using update::ScannedDrive;
using update::UpdateRecord;
using update::Verdict;

const ScannedDrive kQx1234 = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.20", "030101", true};
const ScannedDrive kOther = {"0:1:0", "ACME", "CD-52X", "CD-52X", "1.00", "020202", false};
const ScannedDrive kSecondQx1234 = {"0:2:0", "VORN", "QX-1234A", "QX-1234A", "1.20", "030101", true};

TEST(AppTexts, ChineseTextsAreTheirCodePage950Bytes) {
  const app::AppTexts& zh = app::AppTextsFor(Language::ChineseTaiwan);
  const struct {
    const char* stored;
    const char* utf8;
  } rows[] = {
      {zh.waiting, "韌體更新程式執行中。\n\n在它結束之前，請勿關閉電腦。"},
      {zh.verified, "%1 現在執行的韌體版本為 %2。"},
      {zh.notApplied, "%1 仍回報韌體版本 %3，更新至 %2 沒有生效。\n請再執行一次更新；若仍失敗，請與VORN客服人員接洽。"},
      {zh.driveMissing, "找不到位於 %4 的 %1，或它沒有回應。\n請重新啟動電腦，再執行本程式以確認更新結果。"},
      {zh.pendingChecked, "於 %5 開始的更新已檢查完畢："},
      {zh.heldDriveChanged, "位於 %4 的 %1 已更換或找不到。\n請檢查光碟機及連接線，再按「重試」。"},
      {zh.heldOnBattery, "電腦正以電池供電，更新中途斷電可能損壞光碟機。\n請接上電源，再按「重試」。"},
      {zh.heldDiscInDrive, "位於 %4 的 %1 內有光碟。請按「開啟托盤」，\n取出光碟並讓托盤保持開啟。"},
      {zh.heldDriveBusy, "位於 %4 的 %1 正在忙碌。\n請關閉燒錄光碟的程式，等它結束後再按「重試」。"},
      {zh.heldAnotherUpdate, "這部電腦上正在執行另一項更新。\n請等它結束後再按「重試」。"},
      {zh.keptFile, "更新沒有開始，下載的檔案保留在：\n%1\n%2"},
      {zh.retry, "重試"},
      {zh.cancel, "取消"},
      {zh.openTray, "開啟托盤"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(std::string(row.stored), Utf8ToCp950(row.utf8));
  }
}

TEST(VerdictMessage, SaysWhatTheDriveReportsInTheUsersLanguage) {
  UpdateRecord flashed = {"2026-12-08 09:15:02", "QX-1234A", "0:0:0", "1.20", "1.30", "a.zip", "", Verdict::Pending};
  UpdateRecord missing = flashed;
  missing.model = "QX-9000B";
  missing.address = "0:2:0";
  missing.versionInstalled = "2.10";
  const ScannedDrive flashedDrive = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.30", "030512", true};
  const std::vector<app::CheckedUpdate> checked = app::CheckUpdates({flashed, missing}, {flashedDrive, kOther});
  ASSERT_EQ(checked.size(), 2u);
  EXPECT_EQ(checked[0].record.verdict, Verdict::Verified);
  EXPECT_EQ(checked[1].record.verdict, Verdict::DriveMissing);
  EXPECT_EQ(app::VerdictMessage(checked[0], Language::English), "QX-1234A now runs firmware 1.30.");
  EXPECT_EQ(app::VerdictMessage(checked[1], Language::English),
            "QX-9000B at 0:2:0 was not found or does not answer. Restart the\n"
            "computer, then start this program again to check the update.");
  EXPECT_EQ(app::VerdictMessage(checked[0], Language::English, true),
            "The update started on 2026-12-08 09:15:02 has been checked:\nQX-1234A now runs firmware 1.30.");
  EXPECT_EQ(app::VerdictMessage(checked[0], Language::ChineseTaiwan),
            "QX-1234A" + Utf8ToCp950(" 現在執行的韌體版本為 ") + "1.30" + Utf8ToCp950("。"));

  app::CheckedUpdate stale = checked[0];
  stale.verdict = Verdict::NotApplied;
  stale.reported = "1.20";
  EXPECT_EQ(app::VerdictMessage(stale, Language::English),
            "QX-1234A still reports firmware 1.20: the update to 1.30 did not\n"
            "take effect. Run the update again or contact Vornhal.");
}

TEST(AddressForModel, EachUpdateOfARunTakesTheNextDriveOfItsModel) {
  const std::vector<ScannedDrive> drives = {kOther, kQx1234, kSecondQx1234};
  EXPECT_EQ(app::AddressForModel(drives, "QX-1234A", {}), "0:0:0");
  EXPECT_EQ(app::AddressForModel(drives, "QX-1234A", {"0:0:0"}), "0:2:0");
  EXPECT_EQ(app::AddressForModel(drives, "QX-1234A", {"0:0:0", "0:2:0"}), "");
  EXPECT_EQ(app::AddressForModel(drives, "CD-52X", {}), "") << "another maker's drive is never updated";
}

TEST(ReportRequest, SlashOrDashReportThenTheFile) {
  const struct {
    const char* commandLine;
    bool requested;
    const char* file;
  } rows[] = {
      {"VornUpdate.exe /report out.txt", true, "out.txt"},
      {"\"C:\\Program Files\\VORN\\VornUpdate.exe\" -REPORT \"C:\\My Files\\out.txt\"", true,
       "C:\\My Files\\out.txt"},
      {"VornUpdate.exe   /Report\tZ:\\tmp\\r.txt  extra", true, "Z:\\tmp\\r.txt"},
      {"VornUpdate.exe /report", true, ""},
      {"VornUpdate.exe", false, ""},
      {"\"C:\\x /report\\VornUpdate.exe\"", false, ""},  // inside the program's own quoted path
      {"VornUpdate.exe /reports out.txt", false, ""},
      // A switch is never the report's file.
      {"VornUpdate.exe /report /source D:\\fw", true, ""},
  };
  // The report reads its file from the one parser of every mode.
  for (const auto& row : rows) {
    SCOPED_TRACE(row.commandLine);
    const app::ScriptRequest request = app::ParseScriptRequest(row.commandLine);
    EXPECT_EQ(request.mode == app::ScriptMode::Report, row.requested);
    if (row.requested) {
      EXPECT_EQ(request.reportFile, row.file);
    }
  }
}

TEST(ScriptRequest, ModesOptionsAndWhatIsWrong) {
  const struct {
    const char* commandLine;
    app::ScriptMode mode;
    const char* model;
    const char* source;
    const char* log;
    const char* error;  // a part of it; "" for none
  } rows[] = {
      {"VornUpdate.exe", app::ScriptMode::None, "", "", "", ""},
      {"VornUpdate.exe /report r.txt", app::ScriptMode::Report, "", "", "", ""},
      {"VornUpdate.exe /source D:\\fw /report r.txt", app::ScriptMode::Report, "", "D:\\fw", "", ""},
      {"VornUpdate.exe /check /model QX-1234A", app::ScriptMode::Check, "QX-1234A", "", "", "go with /update"},
      {"VornUpdate.exe /update /yes /log /model M", app::ScriptMode::Update, "M", "", "", "/log needs a value"},
      {"VornUpdate.exe -CHECK /log \"C:\\My Logs\\a.txt\"", app::ScriptMode::Check, "", "", "C:\\My Logs\\a.txt", ""},
      {"VornUpdate.exe /update /yes /model QX-1234A /source \\\\server\\vorn", app::ScriptMode::Update, "QX-1234A",
       "\\\\server\\vorn", "", ""},
      {"VornUpdate.exe /check /update", app::ScriptMode::Update, "", "", "", "only one of"},
      {"VornUpdate.exe /report r.txt /check", app::ScriptMode::Check, "", "", "", "only one of"},
      {"VornUpdate.exe /check /yes", app::ScriptMode::Check, "", "", "", "go with /update"},
      {"VornUpdate.exe /update /yes /log", app::ScriptMode::Update, "", "", "", "/log needs a value"},
      {"VornUpdate.exe /update /yes /logs x", app::ScriptMode::Update, "", "", "", "unknown word on the command line: /logs"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.commandLine);
    const app::ScriptRequest request = app::ParseScriptRequest(row.commandLine);
    EXPECT_EQ(request.mode, row.mode);
    EXPECT_EQ(request.model, row.model);
    EXPECT_EQ(request.source, row.source);
    EXPECT_EQ(request.log, row.log);
    EXPECT_EQ(request.error.empty(), *row.error == 0) << request.error;
    EXPECT_NE(request.error.find(row.error), std::string::npos) << request.error;
  }
}

// How a run's exit code sums up its catalogue, its drives and their ends.
TEST(ScriptExitCode, CatalogueFirstThenTheWorstDrive) {
  using app::CatalogueState;
  using app::DriveEnd;
  update::DrivePlan upToDate, newer;
  newer.offers.resize(1);
  newer.newest = 0;
  EXPECT_EQ(app::CheckExitCode(CatalogueState::NotVerified, {}), app::kExitCatalogueNotVerified);
  EXPECT_EQ(app::CheckExitCode(CatalogueState::NotArrived, {newer}), app::kExitNoCatalogue);
  EXPECT_EQ(app::CheckExitCode(CatalogueState::Usable, {}), app::kExitNoMakerDrive);
  EXPECT_EQ(app::CheckExitCode(CatalogueState::Usable, {upToDate, newer}), app::kExitUpdateAvailable);
  EXPECT_EQ(app::CheckExitCode(CatalogueState::Usable, {upToDate}), app::kExitNothingToDo);
  EXPECT_EQ(app::UpdateExitCode({}), app::kExitNothingToDo);
  EXPECT_EQ(app::UpdateExitCode({DriveEnd::Verified, DriveEnd::Verified}), app::kExitNothingToDo);
  EXPECT_EQ(app::UpdateExitCode({DriveEnd::Held, DriveEnd::NotApplied, DriveEnd::Verified}), app::kExitNotApplied);
  EXPECT_EQ(app::UpdateExitCode({DriveEnd::Held, DriveEnd::Failed, DriveEnd::DriveMissing}), app::kExitDriveMissing);
  EXPECT_EQ(app::EndOfVerdict(Verdict::HeldOnBattery), DriveEnd::Held);
  EXPECT_EQ(app::EndOfVerdict(Verdict::Pending), DriveEnd::Failed);
  EXPECT_EQ(app::UpdateExitCode({DriveEnd::NotApplied, DriveEnd::Failed}), app::kExitFailed);
  EXPECT_EQ(app::EndOfVerdict(Verdict::HeldAnotherUpdate), DriveEnd::Held);
  // An earlier update that did not take, or a drive that could not be looked
  // at, never lets a run end as a success.
  EXPECT_EQ(app::ExitCodeWith({DriveEnd::Verified}, app::kExitNoMakerDrive), app::kExitNoMakerDrive);
  EXPECT_EQ(app::ExitCodeWith({DriveEnd::DriveMissing}, app::kExitNothingToDo), app::kExitDriveMissing);
  EXPECT_EQ(app::ExitCodeWith({DriveEnd::NotApplied}, app::kExitUpdateAvailable), app::kExitNotApplied);
  EXPECT_EQ(app::ExitCodeWith({DriveEnd::Failed, DriveEnd::Held}, app::kExitNoMakerDrive), app::kExitFailed);
  // The literal numbers, so that two swapped codes fail.
  const struct {
    int code;
    const char* line;
  } lines[] = {
      {app::kExitNothingToDo, "exit code 0: nothing to do"},
      {app::kExitUpdateAvailable, "exit code 1: update available"},
      {app::kExitNoMakerDrive, "exit code 2: no drive of the maker"},
      {app::kExitNoCatalogue, "exit code 3: no catalogue"},
      {app::kExitCatalogueNotVerified, "exit code 4: catalogue not verified"},
      {app::kExitHeld, "exit code 5: held by a check before the flash"},
      {app::kExitNotApplied, "exit code 6: not applied"},
      {app::kExitDriveMissing, "exit code 7: drive missing after the flash"},
      {app::kExitFailed, "exit code 8: failed"},
      {app::kExitNotConfirmed, "exit code 9: refused: /update needs /yes"},
      {app::kExitBadCommandLine, "exit code 10: wrong command line"},
      {app::kExitLogNotWritten, "exit code 11: log not written"},
  };
  for (const auto& row : lines) EXPECT_EQ(app::ExitLine(row.code), row.line);
}

TEST(SupportReport, SaysWhyEachEntryIsOrIsNotOffered) {
  app::ReportFacts facts;
  facts.transport = "ASPI, WNASPI32.DLL";
  facts.scanWorked = true;
  facts.drives = {kQx1234, kOther};
  facts.catalogueArrived = true;
  facts.catalogueUsable = true;
  facts.hashRequired = true;
  const std::string hash(64, 'b');
  facts.written = "2026-12-08 10:00:00";
  facts.acceptedSerial = 5;
  facts.catalogue =
      "<serial> 7 <issued> 2026-11-30\n<model> QX-1234A\n"
      "<version> 1.30 <fw location> pub/a/new.zip <size> 9 <sha256> " + hash + " <compare mode> version <~item>\n"
      "<version> 1.10 <fw location> pub/a/old.zip <size> 9 <sha256> " + hash + " <compare mode> version <~item>\n"
      "<version> 1.31 <fw location> pub/a/nohash.zip <compare mode> version <~item>\n"
      "<version> 1.32B <datecode> 030801 <fw location> pub/a/beta.zip <size> 9 <sha256> " + hash + " <~item>\n"
      "<~model>\n<model> QX-9000B\n<version> 2.10 <fw location> pub/b/x.zip <~item>\n<~model>\n";
  const std::string report = app::ComposeReport(facts);
  for (const char* expected : {
           "  0:0:0  vendor VORN  product QX-1234A  revision 1.20  date code 030101  the maker's drive\r\n",
           "  0:1:0  vendor ACME  product CD-52X  revision 1.00  date code 020202  another maker's drive\r\n",
           "    new.zip  version 1.30  date code -  compared by version: offered\r\n",
           "    old.zip  version 1.10  date code -  compared by version: not offered: not newer than revision 1.20\r\n",
           "    nohash.zip  version 1.31  date code -  compared by version: not offered: no SHA-256 or size listed\r\n",
           "    beta.zip  version 1.32B  date code 030801  compared by date code: offered\r\n",
           "    not offered, for another model: QX-9000B 2.10\r\n",
           "  serial: 7 (highest accepted before: 5)\r\n  issued: 2026-11-30, 8 days old\r\n",
           "Result: scan worked, catalogue fetched and usable, exit code 0\r\n",
       }) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected << "\nin\n" << report;
  }
  EXPECT_EQ(report.find("CD-52X at"), std::string::npos) << "another maker's drive is offered nothing";

  const struct {
    bool scanWorked;
    bool catalogueUsable;
    int exitCode;
  } results[] = {{true, true, 0}, {false, true, 1}, {true, false, 2}, {false, false, 3}};
  for (const auto& row : results) {
    facts.scanWorked = row.scanWorked;
    facts.catalogueUsable = row.catalogueUsable;
    EXPECT_EQ(app::ReportExitCode(facts), row.exitCode) << row.scanWorked << row.catalogueUsable;
  }
  EXPECT_NE(app::ComposeReport(facts).find("  none: no usable catalogue\r\n"), std::string::npos);
}

}  // namespace
