// Unpacks a saved firmware archive into a folder beside it and starts the
// flasher it carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace install {

// Result codes of InstallFirmware.
enum InstallResult : int {
  kInstallStarted = 0,        // flasher started
  kInstallUnzipFailed = 501,  // unpacking the archive failed
  kInstallLaunchFailed = 502, // starting the flasher failed
  kInstallNoExecutable = 503, // the archive holds no file with extension exe
};

// Where the installer shows what went wrong. By default (Windows) failures
// appear in the single-button message dialog and the rest in the plain
// message box; tests set their own to see the texts.
class InstallMessages {
 public:
  virtual ~InstallMessages() = default;
  // A failure of the install (messages 501, 502, 503).
  virtual void ShowFailure(const std::string& text) = 0;
  // A plain system message box with an OK button ("memory exception").
  virtual void ShowPlainMessage(const std::string& text) = 0;
};

// Makes `messages` the receiver of the installer's messages; null restores
// the platform's default. The caller keeps ownership.
void SetInstallMessages(InstallMessages* messages);
InstallMessages& CurrentInstallMessages();

// Runs InstallFirmware and shows the message for a failure in the language
// `languageId` selects (the wizard's).
void RunInstall(const std::string& listText, const std::string& savedPath, const std::string& fileTitle,
                std::uint16_t languageId);

// Unpacks `savedPath` into the folder `fileTitle` beside it, deletes the
// archive and starts the first unpacked program: 0, 501, 502 or 503.
// `listText` is passed along by the wizard and not used.
int InstallFirmware(const std::string& listText, const std::string& savedPath, const std::string& fileTitle);

// Unpacks every file entry of the archive into the folder `folderName` made
// beside it, appending each file's bare name to `names` and its path to
// `fullPaths`. 1 when every entry was handled, 0 on any failure (files made
// so far stay). Entries whose names are empty, 260 bytes or longer, or lead
// outside the folder fail the extraction before anything of theirs is made.
int ExtractArchive(const std::string& archivePath, const std::string& folderName,
                   std::vector<std::string>& fullPaths, std::vector<std::string>& names);

// Index of the first name with an "exe" or "EXE" extension by the scan rule
// (after each '.', the three characters that follow; a miss resumes five
// characters after that '.'), or -1.
int FindExecutable(const std::vector<std::string>& names);

// Whether an entry name may be unpacked: not empty, shorter than 260 bytes,
// not absolute, no drive letter or other colon, no segment of only dots and
// spaces other than ".", no device name (CON, NUL, COM1, ...) as a segment.
bool IsSafeEntryName(const std::string& name);

}  // namespace install
