// Unpacks a saved firmware archive into a folder beside it and starts the
// flasher it carries.
//
// Outcomes: the installer shows nothing. RunInstall returns an
// InstallOutcome, the result code (0, 501, 502, 503) and whether unpacking
// ended on an exception of no expected kind; the caller tells the user.
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

struct InstallOutcome {
  int code = kInstallStarted;
  // Unpacking was ended by an exception that is neither the zip reader's nor
  // a file's (out of memory, for one); the code is then 501.
  bool unexpectedException = false;
};

struct StartedProgram;

// Runs the install of InstallFirmware and returns how it ended. With
// `flasher`, the started flasher is handed back there (code 0 only), for its
// caller to wait for and close.
InstallOutcome RunInstall(const std::string& listText, const std::string& savedPath,
                          const std::string& fileTitle, StartedProgram* flasher = nullptr);

// Unpacks `savedPath` into the folder `fileTitle` beside it, deletes the
// archive and starts the first unpacked program: 0, 501, 502 or 503.
// `listText` is passed along by the wizard and not used. RunInstall's code.
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
// kMaxUnpackedBytes. `*unexpectedException`, when given, tells whether an
// exception of no expected kind ended the extraction.
int ExtractArchive(const std::string& archivePath, const std::string& folderName,
                   std::vector<std::string>& fullPaths, std::vector<std::string>& names,
                   bool* unexpectedException = nullptr);

// Index of the first name with an "exe" or "EXE" extension by the scan rule
// (after each '.', the three characters that follow; a miss resumes five
// characters after that '.'), or -1.
int FindExecutable(const std::vector<std::string>& names);

// Whether an entry name may be unpacked: not empty, shorter than 260 bytes,
// not absolute, no drive letter or other colon, no segment of only dots and
// spaces other than ".", no device name (CON, NUL, COM1, ...) as a segment.
bool IsSafeEntryName(const std::string& name);

}  // namespace install
