// The words and the window of every outcome the layers below return.
#include "messages/UserMessages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "tests/install/Cp950.h"

namespace {

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

}  // namespace
