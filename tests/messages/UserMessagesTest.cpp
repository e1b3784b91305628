// The words and the window of every outcome the layers below return.
#include "messages/UserMessages.h"

#include "messages/AppTexts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/install/Cp950.h"

namespace {

using catalogue::FetchFailure;

using framework::Language;

using messages::MessageWindow;
using messages::UserMessage;
using messages::UserMessages;

// FormatMessageA as the tests script it: a text per code, or a failure.
class ScriptedSystemTexts : public messages::SystemTexts {
 public:
  static constexpr std::uint32_t kErrorInsufficientBuffer = 122;

  std::map<std::uint32_t, std::string> texts;
  bool fails = false;
  std::uint32_t failureError = 0;

  std::uint32_t Format(std::uint32_t code, char* buffer, std::uint32_t size) override {
    if (fails) {
      lastError_ = failureError;
      return 0;
    }
    const std::string& text = texts[code];
    if (text.size() + 1 > size) {
      lastError_ = kErrorInsufficientBuffer;
      return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<std::uint32_t>(text.size());
  }
  std::uint32_t LastError() override { return lastError_; }

 private:
  std::uint32_t lastError_ = 0;
};

constexpr std::uint32_t kErrorAccessDenied = 5;

TEST(DriveProblemMessages, EachProblemIsOnePlainBoxInOrder) {
  using scsi::ProblemCause;
  struct Row {
    const char* name;
    scsi::DriveProblem problem;
    std::string systemText;
    bool formatFails;
    std::uint32_t formatError;
    std::string shown;
  };
  const Row rows[] = {
      {"library missing", {ProblemCause::AspiLibraryMissing}, "", false, 0,
       "WNASPI32.DLL not found"},
      {"system text and a line feed", {ProblemCause::PassThroughFailed, kErrorAccessDenied},
       "Access is denied.\r\n", false, 0, "Access is denied.\r\n\n"},
      {"format failure names its own error", {ProblemCause::PassThroughFailed, 31}, "", true, 317,
       "Format message failed.  Error: 317\n"},
      // The text is read into an 80-character buffer; a longer one does not fit.
      {"text longer than the buffer", {ProblemCause::PassThroughFailed, 1}, std::string(80, 'x'),
       false, 0, "Format message failed.  Error: 122\n"},
      {"text that just fits", {ProblemCause::PassThroughFailed, 1}, std::string(79, 'y'), false, 0,
       std::string(79, 'y') + "\n"},
      {"a drive held open names its letter", {ProblemCause::DriveNotOpened, 32, 'E'},
       "The process cannot access the file.\r\n", false, 0, "E: The process cannot access the file.\r\n\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedSystemTexts system;
    system.texts[row.problem.windowsError] = row.systemText;
    system.fails = row.formatFails;
    system.failureError = row.formatError;
    EXPECT_EQ(messages::DriveProblemMessages({row.problem}, system),
              (UserMessages{{MessageWindow::PlainBox, row.shown}}));
  }

  ScriptedSystemTexts system;
  system.texts[kErrorAccessDenied] = "Access is denied.\r\n";
  const scsi::DriveProblems twice = {{ProblemCause::PassThroughFailed, kErrorAccessDenied},
                                     {ProblemCause::AspiLibraryMissing}};
  EXPECT_EQ(messages::DriveProblemMessages(twice, system),
            (UserMessages{{MessageWindow::PlainBox, "Access is denied.\r\n\n"},
                          {MessageWindow::PlainBox, "WNASPI32.DLL not found"}}));
  EXPECT_TRUE(messages::DriveProblemMessages({}, system).empty());
}

TEST(FetchFailureMessages, EachStoppedAttemptIsOneExclamationBoxInEveryLanguage) {
  const UserMessages shown = messages::FetchFailureMessages(
      {FetchFailure::SessionNotCreated, FetchFailure::UnusableAddress, FetchFailure::UnusableAddress});
  const UserMessage session{MessageWindow::PlainBoxExclamation, "Cannot creat a session"};
  const UserMessage address{MessageWindow::PlainBoxExclamation, Utf8ToCp950("錯誤的網址")};
  EXPECT_EQ(shown, (UserMessages{session, address, address}));
  EXPECT_TRUE(messages::FetchFailureMessages({}).empty());
}

TEST(InstallMessages, EachFailureCodeInTheMessageDialogInTheCallersLanguage) {
  struct Row {
    int code;
    const char* chinese;  // UTF-8
    const char* englishStart;
  };
  const Row rows[] = {
      {install::kInstallUnzipFailed,
       "很抱歉解壓縮失敗，無法自動更新韌體，煩請自行解壓縮後，\n\n執行 *.exe 檔案。",
       "We are sorry   that  there is an error during  unzipping the\n\n"},
      {install::kInstallLaunchFailed, "很抱歉無法自動更新韌體，請與VORN客服人員接洽。",
       "We are sorry  that there is an  error  during  executing  the\n\n"},
      {install::kInstallNoExecutable, "很抱歉無法取得更新韌體執行檔，請與VORN客服人員接洽。",
       "We are sorry that there is no executable file,please contact\n\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    const install::InstallOutcome outcome{row.code, false};
    EXPECT_EQ(messages::InstallMessages(outcome, Language::ChineseTaiwan),
              (UserMessages{{MessageWindow::ErrorDialog, Utf8ToCp950(row.chinese)}}));
    const UserMessages english = messages::InstallMessages(outcome, Language::English);
    ASSERT_EQ(english.size(), 1u);
    EXPECT_EQ(english[0].window, MessageWindow::ErrorDialog);
    EXPECT_EQ(english[0].text.rfind(row.englishStart, 0), 0u) << english[0].text;
  }
  EXPECT_TRUE(messages::InstallMessages({install::kInstallStarted, false}, Language::English).empty());

  // Unpacked into a new folder: the message dialog names it, after a failure's text.
  install::InstallOutcome moved{install::kInstallNoExecutable};
  moved.otherFolder = "newfw-2";
  const UserMessages chinese = messages::InstallMessages(moved, Language::ChineseTaiwan);
  ASSERT_EQ(chinese.size(), 2u);
  EXPECT_EQ(chinese[1], (UserMessage{MessageWindow::ErrorDialog,
                                     Utf8ToCp950("同名的資料夾中已有其他檔案，\n\n韌體檔案已解壓縮到旁邊的新資料夾「newfw-2」。")}));
  moved.code = install::kInstallStarted;
  const UserMessages english = messages::InstallMessages(moved, Language::English);
  ASSERT_EQ(english.size(), 1u);
  EXPECT_NE(english[0].text.find("new folder\n\n\"newfw-2\" beside"), std::string::npos) << english[0].text;

  // An unexpected exception while unpacking: the plain box first, then 501.
  const UserMessages afterException =
      messages::InstallMessages({install::kInstallUnzipFailed, true}, Language::ChineseTaiwan);
  ASSERT_EQ(afterException.size(), 2u);
  EXPECT_EQ(afterException[0], (UserMessage{MessageWindow::PlainBox, "memory exception"}));
  EXPECT_EQ(afterException[1],
            messages::InstallMessages({install::kInstallUnzipFailed, false}, Language::ChineseTaiwan)[0]);
}

TEST(AppTexts, ChineseTextsAreTheirCodePage950Bytes) {
  const messages::AppTexts& zh = messages::AppTextsFor(Language::ChineseTaiwan);
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
  update::UpdateRecord flashed = {"2026-12-08 09:15:02", "QX-1234A", "0:0:0", "1.20", "1.30", "a.zip", "", update::Verdict::Pending};
  update::UpdateRecord missing = flashed;
  missing.model = "QX-9000B";
  missing.address = "0:2:0";
  missing.versionInstalled = "2.10";
  const update::ScannedDrive flashedDrive = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.30", "030512", true};
  const std::vector<update::CheckedUpdate> checked = update::CheckUpdates({flashed, missing}, {flashedDrive, {"0:1:0", "ACME", "CD-52X", "CD-52X", "1.00", "020202", false}});
  ASSERT_EQ(checked.size(), 2u);
  EXPECT_EQ(checked[0].record.verdict, update::Verdict::Verified);
  EXPECT_EQ(checked[1].record.verdict, update::Verdict::DriveMissing);
  EXPECT_EQ(messages::VerdictMessage(checked[0], Language::English), "QX-1234A now runs firmware 1.30.");
  EXPECT_EQ(messages::VerdictMessage(checked[1], Language::English),
            "QX-9000B at 0:2:0 was not found or does not answer. Restart the\n"
            "computer, then start this program again to check the update.");
  EXPECT_EQ(messages::VerdictMessage(checked[0], Language::English, true),
            "The update started on 2026-12-08 09:15:02 has been checked:\nQX-1234A now runs firmware 1.30.");
  EXPECT_EQ(messages::VerdictMessage(checked[0], Language::ChineseTaiwan),
            "QX-1234A" + Utf8ToCp950(" 現在執行的韌體版本為 ") + "1.30" + Utf8ToCp950("。"));

  update::CheckedUpdate stale = checked[0];
  stale.verdict = update::Verdict::NotApplied;
  stale.reported = "1.20";
  EXPECT_EQ(messages::VerdictMessage(stale, Language::English),
            "QX-1234A still reports firmware 1.20: the update to 1.30 did not\n"
            "take effect. Run the update again or contact Vornhal.");
}

}  // namespace
