// The command line of every mode, and the log's exit codes and lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/CommandLine.h"
#include "script/ScriptLog.h"

namespace {

using update::Verdict;

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
    const script::ScriptRequest request = script::ParseScriptRequest(row.commandLine);
    EXPECT_EQ(request.mode == script::ScriptMode::Report, row.requested);
    if (row.requested) {
      EXPECT_EQ(request.reportFile, row.file);
    }
  }
}

TEST(ScriptRequest, ModesOptionsAndWhatIsWrong) {
  const struct {
    const char* commandLine;
    script::ScriptMode mode;
    const char* model;
    const char* source;
    const char* log;
    const char* error;  // a part of it; "" for none
  } rows[] = {
      {"VornUpdate.exe", script::ScriptMode::None, "", "", "", ""},
      {"VornUpdate.exe /report r.txt", script::ScriptMode::Report, "", "", "", ""},
      {"VornUpdate.exe /source D:\\fw /report r.txt", script::ScriptMode::Report, "", "D:\\fw", "", ""},
      {"VornUpdate.exe /check /model QX-1234A", script::ScriptMode::Check, "QX-1234A", "", "", "go with /update"},
      {"VornUpdate.exe /update /yes /log /model M", script::ScriptMode::Update, "M", "", "", "/log needs a value"},
      {"VornUpdate.exe -CHECK /log \"C:\\My Logs\\a.txt\"", script::ScriptMode::Check, "", "", "C:\\My Logs\\a.txt", ""},
      {"VornUpdate.exe /update /yes /model QX-1234A /source \\\\server\\vorn", script::ScriptMode::Update, "QX-1234A",
       "\\\\server\\vorn", "", ""},
      {"VornUpdate.exe /check /update", script::ScriptMode::Update, "", "", "", "only one of"},
      {"VornUpdate.exe /report r.txt /check", script::ScriptMode::Check, "", "", "", "only one of"},
      {"VornUpdate.exe /check /yes", script::ScriptMode::Check, "", "", "", "go with /update"},
      {"VornUpdate.exe /update /yes /log", script::ScriptMode::Update, "", "", "", "/log needs a value"},
      {"VornUpdate.exe /update /yes /logs x", script::ScriptMode::Update, "", "", "", "unknown word on the command line: /logs"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.commandLine);
    const script::ScriptRequest request = script::ParseScriptRequest(row.commandLine);
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
  using script::CatalogueState;
  using script::DriveEnd;
  update::DrivePlan upToDate, newer;
  newer.offers.resize(1);
  newer.newest = 0;
  EXPECT_EQ(script::CheckExitCode(CatalogueState::NotVerified, {}), script::kExitCatalogueNotVerified);
  EXPECT_EQ(script::CheckExitCode(CatalogueState::NotArrived, {newer}), script::kExitNoCatalogue);
  EXPECT_EQ(script::CheckExitCode(CatalogueState::Usable, {}), script::kExitNoMakerDrive);
  EXPECT_EQ(script::CheckExitCode(CatalogueState::Usable, {upToDate, newer}), script::kExitUpdateAvailable);
  EXPECT_EQ(script::CheckExitCode(CatalogueState::Usable, {upToDate}), script::kExitNothingToDo);
  EXPECT_EQ(script::UpdateExitCode({}), script::kExitNothingToDo);
  EXPECT_EQ(script::UpdateExitCode({DriveEnd::Verified, DriveEnd::Verified}), script::kExitNothingToDo);
  EXPECT_EQ(script::UpdateExitCode({DriveEnd::Held, DriveEnd::NotApplied, DriveEnd::Verified}), script::kExitNotApplied);
  EXPECT_EQ(script::UpdateExitCode({DriveEnd::Held, DriveEnd::Failed, DriveEnd::DriveMissing}), script::kExitDriveMissing);
  EXPECT_EQ(script::EndOfVerdict(Verdict::HeldOnBattery), DriveEnd::Held);
  EXPECT_EQ(script::EndOfVerdict(Verdict::Pending), DriveEnd::Failed);
  EXPECT_EQ(script::UpdateExitCode({DriveEnd::NotApplied, DriveEnd::Failed}), script::kExitFailed);
  EXPECT_EQ(script::EndOfVerdict(Verdict::HeldAnotherUpdate), DriveEnd::Held);
  // An earlier update that did not take, or a drive that could not be looked
  // at, never lets a run end as a success.
  EXPECT_EQ(script::ExitCodeWith({DriveEnd::Verified}, script::kExitNoMakerDrive), script::kExitNoMakerDrive);
  EXPECT_EQ(script::ExitCodeWith({DriveEnd::DriveMissing}, script::kExitNothingToDo), script::kExitDriveMissing);
  EXPECT_EQ(script::ExitCodeWith({DriveEnd::NotApplied}, script::kExitUpdateAvailable), script::kExitNotApplied);
  EXPECT_EQ(script::ExitCodeWith({DriveEnd::Failed, DriveEnd::Held}, script::kExitNoMakerDrive), script::kExitFailed);
  // The literal numbers, so that two swapped codes fail.
  const struct {
    int code;
    const char* line;
  } lines[] = {
      {script::kExitNothingToDo, "exit code 0: nothing to do"},
      {script::kExitUpdateAvailable, "exit code 1: update available"},
      {script::kExitNoMakerDrive, "exit code 2: no drive of the maker"},
      {script::kExitNoCatalogue, "exit code 3: no catalogue"},
      {script::kExitCatalogueNotVerified, "exit code 4: catalogue not verified"},
      {script::kExitHeld, "exit code 5: held by a check before the flash"},
      {script::kExitNotApplied, "exit code 6: not applied"},
      {script::kExitDriveMissing, "exit code 7: drive missing after the flash"},
      {script::kExitFailed, "exit code 8: failed"},
      {script::kExitNotConfirmed, "exit code 9: refused: /update needs /yes"},
      {script::kExitBadCommandLine, "exit code 10: wrong command line"},
      {script::kExitLogNotWritten, "exit code 11: log not written"},
  };
  for (const auto& row : lines) EXPECT_EQ(script::ExitLine(row.code), row.line);
}

}  // namespace
