// What the program tells the user about the failures that the layers below
// return: problems of the drive side, catalogue fetch attempts that stopped
// before they tried the server, and the outcome of an install. Each becomes
// its words, in the user's language where there are two, and the window it
// appears in; ShowMessages.h shows them. The layers themselves show nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/FetchFailure.h"
#include "framework/Language.h"
#include "install/Installer.h"
#include "scsi/DriveProblem.h"

namespace messages {

enum class MessageWindow {
  PlainBox,             // the system's message box with its OK button
  PlainBoxExclamation,  // the same with the exclamation icon
  ErrorDialog,          // the skinned message dialog in its one-button form
};

struct UserMessage {
  MessageWindow window;
  std::string text;

  bool operator==(const UserMessage& other) const {
    return window == other.window && text == other.text;
  }
};

using UserMessages = std::vector<UserMessage>;

// The system's own text of a Windows error code (FormatMessageA and
// GetLastError on Windows; tests play it).
class SystemTexts {
 public:
  virtual ~SystemTexts() = default;
  // Writes the text for `code` into `buffer` of `size` characters; the number
  // of characters written, 0 on failure.
  virtual std::uint32_t Format(std::uint32_t code, char* buffer, std::uint32_t size) = 0;
  // The error of the failed Format.
  virtual std::uint32_t LastError() = 0;
};

// One plain box per problem, in order: "WNASPI32.DLL not found", or the
// system's text of the error followed by a line feed (when the text cannot
// be had, "Format message failed.  Error: <its error>\n").
UserMessages DriveProblemMessages(const scsi::DriveProblems& problems, SystemTexts& system);

// One plain box with the exclamation icon per stopped attempt, in order.
UserMessages FetchFailureMessages(const catalogue::FetchFailures& failures);

// Nothing for a started flasher; otherwise the failure's text in the message
// dialog, after a plain "memory exception" box when unpacking ended on an
// unexpected exception. Then, when the files went to a new folder because
// the folder of their name held other files, the message dialog naming it.
UserMessages InstallMessages(const install::InstallOutcome& outcome, framework::Language language);

// The texts of messages the wizard would show, without their final line
// ends, for a report or a log instead.
std::vector<std::string> TextsOf(const UserMessages& shown);

}  // namespace messages
