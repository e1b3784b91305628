// Unpacks a saved firmware archive into a folder beside it and starts the
// flasher it carries. The archive is read through a handle that denies
// writers, held since its hash was checked, and every unpacked file is held
// open the same way, checked again, until the flasher has started: what was
// checked is what runs.
//
// Outcomes: the installer shows nothing. RunInstall returns an
// InstallOutcome, the result code (0, 501, 502, 503) and whether unpacking
// ended on an exception of no expected kind; the caller tells the user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/File.h"

namespace install {

// Result codes of InstallFirmware.
enum InstallResult : int {
  kInstallStarted = 0,        // flasher started
  kInstallUnzipFailed = 501,  // unpacking the archive failed
  kInstallLaunchFailed = 502, // starting the flasher failed
  kInstallNoExecutable = 503, // the archive holds no file with extension exe
};

struct InstallOutcome {
  InstallOutcome(int code = kInstallStarted, bool unexpectedException = false)
      : code(code), unexpectedException(unexpectedException) {}

  int code = kInstallStarted;
  // Unpacking was ended by an exception that is neither the zip reader's nor
  // a file's (out of memory, for one); the code is then 501.
  bool unexpectedException = false;
  // The name of the folder the files went to when it is not `fileTitle`,
  // because a folder of that name already held other files; else empty.
  std::string otherFolder;
};

struct StartedProgram;

// Runs the install of InstallFirmware and returns how it ended. With
// `flasher`, the started flasher is handed back there (code 0 only), for its
// caller to wait for and close.
InstallOutcome RunInstall(const std::string& savedPath, const std::string& fileTitle,
                          StartedProgram* flasher = nullptr);
// The same for `archive`, the saved file open for reading with writers
// denied since its hash was checked: it is read through that handle, and
// closed before it is deleted.
InstallOutcome RunInstall(CFile& archive, const std::string& fileTitle, StartedProgram* flasher = nullptr);

// Unpacks `savedPath` into the folder `fileTitle` beside it, deletes the
// archive and starts the first unpacked program: 0, 501, 502 or 503.
// RunInstall's code.
int InstallFirmware(const std::string& savedPath, const std::string& fileTitle, StartedProgram* flasher = nullptr);

// Output no firmware archive comes near: an archive whose members add up to
// more is refused before anything is written.
inline constexpr std::uint64_t kMaxUnpackedBytes = 256u * 1024 * 1024;

// What an extraction made.
struct Extraction {
  std::vector<std::string> fullPaths;  // each file entry's path, in archive order
  std::vector<std::string> names;      // its bare name
  std::string folder;                  // the folder unpacked into, without a final separator
  // Each file once, with the CRC-32 and size of the last entry written to it.
  struct Written {
    std::string path;
    std::uint32_t crc32;
    std::uint32_t size;
  };
  std::vector<Written> written;
  bool unexpectedException = false;
};

// Unpacks every file entry of `archive`, read through that open file, into
// the folder `folderName` beside it (see ExtractionStage::Commit for when
// another folder is made instead). 1 when every entry was handled, 0 on any
// failure, which leaves the folder as it was and `extraction`'s lists empty;
// the failures of the path form below.
int ExtractArchive(CFile& archive, const std::string& folderName, Extraction& extraction);

// Opens each written file for reading with writers denied, into `held`, and
// checks its CRC-32 and size again through that handle: the files cannot
// change from then on, and were not changed since they were written. False
// when a file cannot be opened or differs.
bool HoldUnpackedFiles(const Extraction& extraction, std::vector<std::unique_ptr<CFile>>& held);

// Unpacks every file entry of the archive into the folder `folderName`
// beside it, appending each file's bare name to `names` and its path to
// `fullPaths`; files of the same name are replaced. 1 when every entry was
// handled, 0 on any failure. All or nothing: the files are unpacked into a
// scratch folder beside the target and moved into place only when every
// member has passed its checks, so a failure leaves the target folder as it
// was. A target folder holding files of other names keeps them, and the
// files go to a new folder (the target's name with "-2", "-3", ...). Fails: entries whose names are empty, 260 bytes or
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
