#include "messages/UserMessages.h"

#include <cstdio>

namespace messages {
namespace {

// Every text this folder shows. The Chinese ones are code page 950 bytes,
// with the characters in a comment.
constexpr char kAspiMissing[] = "WNASPI32.DLL not found";
constexpr char kFormatFailed[] = "Format message failed.  Error: %d\n";
constexpr char kCannotCreateSession[] = "Cannot creat a session";
// 錯誤的網址 ("wrong web address"), whatever the user's language
constexpr char kUnusableAddress[] = "\xBF\xF9\xBB\x7E\xAA\xBA\xBA\xF4\xA7\x7D";
constexpr char kMemoryException[] = "memory exception";

struct InstallFailureText {
  int code;
  const char* english;
  const char* chinese;
};

// The irregular spaces of the English texts are part of them.
const InstallFailureText kInstallFailures[] = {
    {install::kInstallUnzipFailed,
     "We are sorry   that  there is an error during  unzipping the"
     "\n\ndownloaded  zipped  file,  please unzip it by yourself  and"
     "\n\nexecute the *.exe file.",
     // 很抱歉解壓縮失敗，無法自動更新韌體，煩請自行解壓縮後，
     // \n\n執行 *.exe 檔案。
     "\xAB\xDC\xA9\xEA\xBA\x70\xB8\xD1\xC0\xA3\xC1\x59\xA5\xA2\xB1\xD1\xA1\x41\xB5\x4C\xAA\x6B\xA6\xDB"
     "\xB0\xCA\xA7\xF3\xB7\x73\xB6\xB4\xC5\xE9\xA1\x41\xB7\xD0\xBD\xD0\xA6\xDB\xA6\xE6\xB8\xD1\xC0\xA3"
     "\xC1\x59\xAB\xE1\xA1\x41"
     "\n\n\xB0\xF5\xA6\xE6\x20\x2A\x2E\x65\x78\x65\x20\xC0\xC9\xAE\xD7\xA1\x43"},
    {install::kInstallLaunchFailed,
     "We are sorry  that there is an  error  during  executing  the"
     "\n\nfirmware updated program, please contact Vornhal, We'll solve"
     "\n\nthe problem as soon as possible!",
     // 很抱歉無法自動更新韌體，請與VORN客服人員接洽。
     "\xAB\xDC\xA9\xEA\xBA\x70\xB5\x4C\xAA\x6B\xA6\xDB\xB0\xCA\xA7\xF3\xB7\x73\xB6\xB4\xC5\xE9\xA1\x41"
     "\xBD\xD0\xBB\x50\x56\x4F\x52\x4E\xAB\xC8\xAA\x41\xA4\x48\xAD\xFB\xB1\xB5\xAC\xA2\xA1\x43"},
    {install::kInstallNoExecutable,
     "We are sorry that there is no executable file,please contact"
     "\n\nVornhal, we'll solve the problem as soon as possible!",
     // 很抱歉無法取得更新韌體執行檔，請與VORN客服人員接洽。
     "\xAB\xDC\xA9\xEA\xBA\x70\xB5\x4C\xAA\x6B\xA8\xFA\xB1\x6F\xA7\xF3\xB7\x73\xB6\xB4\xC5\xE9\xB0\xF5"
     "\xA6\xE6\xC0\xC9\xA1\x41\xBD\xD0\xBB\x50\x56\x4F\x52\x4E\xAB\xC8\xAA\x41\xA4\x48\xAD\xFB\xB1\xB5"
     "\xAC\xA2\xA1\x43"},
};

// Said when the files went to a new folder, whose name comes between the
// two parts.
const char kOtherFolderEnglish[2][120] = {
    "A folder of that name already held other files,\n\nso the firmware files were unpacked into the new folder\n\n\"",
    "\" beside the downloaded file."};
const char kOtherFolderChinese[2][120] = {
    // 同名的資料夾中已有其他檔案，\n\n韌體檔案已解壓縮到旁邊的新資料夾「
    "\xA6\x50\xA6\x57\xAA\xBA\xB8\xEA\xAE\xC6\xA7\xA8\xA4\xA4\xA4\x77\xA6\xB3\xA8\xE4\xA5\x4C\xC0\xC9\xAE\xD7\xA1\x41"
    "\n\n\xB6\xB4\xC5\xE9\xC0\xC9\xAE\xD7\xA4\x77\xB8\xD1\xC0\xA3\xC1\x59\xA8\xEC\xAE\xC7\xC3\xE4\xAA\xBA\xB7\x73\xB8"
    "\xEA\xAE\xC6\xA7\xA8\xA1\x75",
    // 」。
    "\xA1\x76\xA1\x43"};

// The system's text is read into a buffer of this many characters.
constexpr std::uint32_t kSystemTextLength = 80;

std::string SystemErrorText(std::uint32_t code, SystemTexts& system) {
  char systemText[kSystemTextLength] = {};
  if (system.Format(code, systemText, kSystemTextLength) != 0) {
    systemText[kSystemTextLength - 1] = '\0';
    return std::string(systemText) + "\n";
  }
  char failure[64];
  std::snprintf(failure, sizeof failure, kFormatFailed, static_cast<int>(system.LastError()));
  return failure;
}

}  // namespace

UserMessages DriveProblemMessages(const scsi::DriveProblems& problems, SystemTexts& system) {
  UserMessages messages;
  for (const scsi::DriveProblem& problem : problems) {
    switch (problem.cause) {
      case scsi::ProblemCause::AspiLibraryMissing:
        messages.push_back({MessageWindow::PlainBox, kAspiMissing});
        break;
      case scsi::ProblemCause::PassThroughFailed:
        messages.push_back({MessageWindow::PlainBox, SystemErrorText(problem.windowsError, system)});
        break;
      case scsi::ProblemCause::DriveNotOpened:
      case scsi::ProblemCause::DriveNotAnswering:
        messages.push_back({MessageWindow::PlainBox, std::string(1, problem.driveLetter) + ": " +
                                                         SystemErrorText(problem.windowsError, system)});
        break;
    }
  }
  return messages;
}

UserMessages FetchFailureMessages(const catalogue::FetchFailures& failures) {
  UserMessages messages;
  for (const catalogue::FetchFailure failure : failures) {
    const char* text =
        failure == catalogue::FetchFailure::SessionNotCreated ? kCannotCreateSession : kUnusableAddress;
    messages.push_back({MessageWindow::PlainBoxExclamation, text});
  }
  return messages;
}

UserMessages InstallMessages(const install::InstallOutcome& outcome, framework::Language language) {
  UserMessages messages;
  if (outcome.unexpectedException) messages.push_back({MessageWindow::PlainBox, kMemoryException});
  for (const InstallFailureText& failure : kInstallFailures) {
    if (failure.code != outcome.code) continue;
    messages.push_back(
        {MessageWindow::ErrorDialog, framework::IsChinese(language) ? failure.chinese : failure.english});
  }
  if (!outcome.otherFolder.empty()) {
    const auto& parts = framework::IsChinese(language) ? kOtherFolderChinese : kOtherFolderEnglish;
    messages.push_back({MessageWindow::ErrorDialog, parts[0] + outcome.otherFolder + parts[1]});
  }
  return messages;
}

std::vector<std::string> TextsOf(const UserMessages& shown) {
  std::vector<std::string> texts;
  for (const UserMessage& message : shown) {
    std::string text = message.text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    texts.push_back(text);
  }
  return texts;
}

}  // namespace messages
