#include "install/Installer.h"

#include <cstring>
#include <map>
#include <memory>
#include <zlib.h>

#include "framework/File.h"
#include "framework/Platform.h"
#include "install/ExtractionStage.h"
#include "install/ProgramStart.h"
#include "zip/ZipArchiveReader.h"

namespace install {
namespace {

constexpr std::uint32_t kNameBufferSize = 260;
constexpr std::uint32_t kCopyBlock = 16384;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Drive and directory of `path`, ending with its separator ("D:\fw\" of
// "D:\fw\newfw.zip"); empty for a bare file name.
std::string DriveAndDirectory(const std::string& path) {
  const std::string folder = platform::FolderPart(path);
  if (!folder.empty()) return folder;
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  return std::string();
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != b[i]) return false;
  }
  return true;
}

// Whether `digit` is a digit 1-9 or a superscript 1, 2 or 3, which Windows
// takes as a port number too: the bytes of code page 1252 (B9, B2, B3) or of
// UTF-8 (C2 B9, ...), for a system whose code page is UTF-8.
bool IsPortDigit(const std::string& digit) {
  if (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') return true;
  const std::string superscript = digit.size() == 2 && digit[0] == '\xC2' ? digit.substr(1) : digit;
  return superscript == "\xB9" || superscript == "\xB2" || superscript == "\xB3";
}

// A segment Windows would read as a device rather than a file: CON, PRN, AUX,
// NUL, CONIN$, CONOUT$, COM and LPT with a port digit, alone or before an
// extension.
bool IsDeviceName(const std::string& segment) {
  std::string base = segment.substr(0, segment.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (EqualsIgnoringCase(base, device)) return true;
  }
  if (base.size() >= 4 && IsPortDigit(base.substr(3))) {
    const std::string stem = base.substr(0, 3);
    if (EqualsIgnoringCase(stem, "COM") || EqualsIgnoringCase(stem, "LPT")) return true;
  }
  return false;
}

// "..", "...", ". ." and the like: Windows trims trailing dots and spaces,
// so any such segment may name the parent folder.
bool IsDotsAndSpaces(const std::string& segment) {
  if (segment == "." ) return false;
  if (segment.empty()) return false;
  return segment.find_first_not_of(". ") == std::string::npos;
}

// Writes the current entry to `path` and gives it the entry's time and
// attributes. A file of that name (a second entry of the same name, perhaps
// read-only) is replaced.
void UnpackEntry(zip::ZipArchiveReader& reader, const zip::ZipEntryInfo& info, const std::string& path, char* buffer) {
  CFile output;
  CFileException error;
  if (!output.Open(path, CFile::modeCreate | CFile::modeWrite, &error) &&
      (!framework::ClearReadOnly(path) || !output.Open(path, CFile::modeCreate | CFile::modeWrite, &error)))
    throw error;
  reader.OpenCurrentEntry();
  std::uint32_t got = 0;
  do {
    got = reader.ReadCurrentEntry(buffer, kCopyBlock);
    output.Write(buffer, got);
  } while (got == kCopyBlock);
  zip::ZipArchiveReader::ApplyEntryTimeAndAttributes(output, info);
}

}  // namespace

bool IsSafeEntryName(const std::string& name) {
  if (name.empty() || name.size() >= kNameBufferSize) return false;
  if (IsSeparator(name[0])) return false;                          // absolute: \x or //server
  if (name.find(':') != std::string::npos) return false;           // drive letter or stream name
  if (name.find('\0') != std::string::npos) return false;          // would cut the path short
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string segment = name.substr(start, end - start);
    if (IsDotsAndSpaces(segment) || IsDeviceName(segment)) return false;
    start = end + 1;
  }
  return true;
}

int FindExecutable(const std::vector<std::string>& names) {
  for (std::size_t index = 0; index < names.size(); ++index) {
    const std::string& name = names[index];
    std::size_t i = 0;
    while (i < name.size()) {
      if (name[i] != '.') {
        ++i;
        continue;
      }
      const std::string extension = name.substr(i + 1, 3);
      if (extension == "exe" || extension == "EXE") return static_cast<int>(index);
      // The character right after the three taken is skipped.
      i += 5;
    }
  }
  return -1;
}

int ExtractArchive(CFile& archive, const std::string& folderName, Extraction& extraction) {
  extraction.unexpectedException = false;
  try {
    zip::ZipArchiveReader reader(archive);
    // Members sharing their bytes, and more output than any firmware
    // archive holds, are refused before anything is written.
    if (reader.CheckMemberLayout() > kMaxUnpackedBytes) return 0;
    ExtractionStage stage(DriveAndDirectory(archive.GetFilePath()) + folderName + framework::kPathSeparator);
    reader.GoToFirstEntry();
    std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
    std::vector<std::string> relatives, names;
    std::map<std::string, Extraction::Written> written;
    do {
      zip::ZipEntryInfo info;
      reader.GetEntryInfo(&info);
      // Names that do not fit the 260-byte buffer, and empty names, end the
      // extraction.
      if (info.nameLength == 0 || info.nameLength >= kNameBufferSize) return 0;
      char nameBuffer[kNameBufferSize];
      reader.GetEntryInfo(&info, nameBuffer, info.nameLength + 1);
      const std::string name(nameBuffer, info.nameLength);
      if (IsSeparator(name.back())) continue;  // a directory entry makes nothing by itself
      if (!IsSafeEntryName(name)) return 0;
      std::string relative;
      const std::string stagedPath = stage.AddFile(name, relative);
      names.push_back(platform::NamePart(name));
      relatives.push_back(relative);
      UnpackEntry(reader, info, stagedPath, buffer.get());
      written[relative] = Extraction::Written{relative, info.crc32, info.uncompressedSize};
    } while (reader.GoToNextEntry());
    reader.CloseArchive();  // checks the last member's CRC
    if (!stage.Commit()) return 0;
    extraction.folder = stage.Folder();
    const std::string prefix = extraction.folder + framework::kPathSeparator;
    for (std::size_t i = 0; i < relatives.size(); ++i) {
      extraction.fullPaths.push_back(prefix + relatives[i]);
      extraction.names.push_back(names[i]);
    }
    for (auto& file : written) {
      file.second.path = prefix + file.first;
      extraction.written.push_back(file.second);
    }
    return 1;
  } catch (const zip::CZipException&) {
  } catch (const CFileException&) {
  } catch (...) {
    extraction.unexpectedException = true;
  }
  return 0;
}

int ExtractArchive(const std::string& archivePath, const std::string& folderName,
                   std::vector<std::string>& fullPaths, std::vector<std::string>& names,
                   bool* unexpectedException) {
  if (unexpectedException != nullptr) *unexpectedException = false;
  CFile archive;
  if (!archive.Open(archivePath, CFile::modeRead | CFile::shareDenyWrite)) return 0;
  Extraction extraction;
  const int result = ExtractArchive(archive, folderName, extraction);
  fullPaths.insert(fullPaths.end(), extraction.fullPaths.begin(), extraction.fullPaths.end());
  names.insert(names.end(), extraction.names.begin(), extraction.names.end());
  if (unexpectedException != nullptr) *unexpectedException = extraction.unexpectedException;
  return result;
}

bool HoldUnpackedFiles(const Extraction& extraction, std::vector<std::unique_ptr<CFile>>& held) {
  std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
  try {
    for (const Extraction::Written& file : extraction.written) {
      held.push_back(std::unique_ptr<CFile>(new CFile));
      CFile& input = *held.back();
      if (!input.Open(file.path, CFile::modeRead | CFile::shareDenyWrite)) return false;
      uLong crc = crc32(0, nullptr, 0);
      std::uint64_t size = 0;
      for (unsigned got; (got = input.Read(buffer.get(), kCopyBlock)) > 0; size += got)
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.get()), got);
      if (crc != file.crc32 || size != file.size) return false;
    }
  } catch (const CFileException&) {
    return false;
  }
  return true;
}

int InstallFirmware(const std::string& savedPath, const std::string& fileTitle, StartedProgram* flasher) {
  return RunInstall(savedPath, fileTitle, flasher).code;
}

InstallOutcome RunInstall(const std::string& savedPath, const std::string& fileTitle, StartedProgram* flasher) {
  CFile archive;
  if (!archive.Open(savedPath, CFile::modeRead | CFile::shareDenyWrite)) {
    InstallOutcome outcome;
    outcome.code = kInstallUnzipFailed;
    return outcome;
  }
  return RunInstall(archive, fileTitle, flasher);
}

InstallOutcome RunInstall(CFile& archive, const std::string& fileTitle, StartedProgram* flasher) {
  InstallOutcome outcome;
  Extraction extraction;
  const int unpacked = ExtractArchive(archive, fileTitle, extraction);
  outcome.unexpectedException = extraction.unexpectedException;
  if (unpacked == 0) {
    outcome.code = kInstallUnzipFailed;
    return outcome;
  }
  const std::string folderName = platform::NamePart(extraction.folder);
  if (folderName != fileTitle) outcome.otherFolder = folderName;
  // Held until the flasher has started, after the archive is gone.
  std::vector<std::unique_ptr<CFile>> held;
  if (!HoldUnpackedFiles(extraction, held)) {
    outcome.code = kInstallUnzipFailed;
    return outcome;
  }
  const int index = FindExecutable(extraction.names);
  if (index < 0) {
    outcome.code = kInstallNoExecutable;
    return outcome;
  }
  // Windows deletes no file that is open; the unpacked folder stays, and
  // the result of the deletion does not matter.
  const std::string savedPath = archive.GetFilePath();
  try {
    archive.Close();
  } catch (const CFileException&) {
  }
  platform::RemoveFile(savedPath);
  outcome.code = StartProgram(extraction.fullPaths[static_cast<std::size_t>(index)], flasher)
                     ? kInstallStarted
                     : kInstallLaunchFailed;
  return outcome;
}

}  // namespace install
