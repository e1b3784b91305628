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

struct StartedProgram;

// Runs InstallFirmware and shows the message for a failure in the language
// `languageId` selects (the wizard's). Returns InstallFirmware's result.
int RunInstall(const std::string& listText, const std::string& savedPath, const std::string& fileTitle,
               std::uint16_t languageId, StartedProgram* flasher = nullptr);

// Unpacks `savedPath` into the folder `fileTitle` beside it, deletes the
// archive and starts the first unpacked program: 0, 501, 502 or 503.
// `listText` is passed along by the wizard and not used. With `flasher`, the
// started flasher is handed back there (result 0 only), for its caller to
// wait for and close.
int InstallFirmware(const std::string& listText, const std::string& savedPath, const std::string& fileTitle,
                    StartedProgram* flasher = nullptr);

// Output no firmware archive comes near: an archive whose members add up to
// more is refused before anything is written.
inline constexpr std::uint64_t kMaxUnpackedBytes = 256u * 1024 * 1024;

// Unpacks every file entry of the archive into the folder `folderName`
// beside it (made when missing), appending each file's bare name to `names`
// and its path to `fullPaths`; files of the same name are replaced. 1 when
// every entry was handled, 0 on any failure. All or nothing: the files are
// unpacked into a scratch folder beside the target and moved into it only
// when every member has passed its checks, so a failure leaves the target
// folder as it was. Fails: entries whose names are empty, 260 bytes or
// longer, or lead outside the folder; members that share bytes with another
// (the overlapping-members zip bomb); members adding up to more than
// kMaxUnpackedBytes.
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
