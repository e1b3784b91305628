// File access of the program: a plain file class with its exception, and the
// few services around files the installer needs (times, attributes, folders).
// File_win.cpp implements them over Win32, File_posix.cpp over POSIX.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "framework/Exception.h"

namespace framework {

// Raised by CFile when the operating system refuses an operation.
class CFileException : public CException {
 public:
  enum Cause {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    diskFull = 13,
  };

  CFileException() = default;
  CFileException(int cause, long osError, std::string fileName)
      : cause(cause), osError(osError), fileName(std::move(fileName)) {}
  std::string What() const override;

  int cause = none;
  long osError = 0;  // GetLastError() on Windows, errno elsewhere
  std::string fileName;
};

// Times and attribute byte of a file, as CFile::SetStatus applies them.
// Times are calendar times (seconds since 1970, UTC).
struct CFileStatus {
  std::time_t creationTime = 0;
  std::time_t lastAccessTime = 0;
  std::time_t lastWriteTime = 0;
  std::uint8_t attribute = 0;  // 0: leave the attributes alone
};

// An open file. Errors of Open come back through its result; every other
// failure throws CFileException. The destructor closes the file.
class CFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareDenyWrite = 0x0020,
    modeCreate = 0x1000,  // create, or truncate an existing file
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };

  CFile() = default;
  // Opens or throws CFileException.
  CFile(const std::string& path, unsigned flags);
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens `path`; on failure fills `error` (when given) and returns false.
  bool Open(const std::string& path, unsigned flags, CFileException* error = nullptr);
  // Reads up to `count` bytes; returns fewer only at the end of the file.
  unsigned Read(void* buffer, unsigned count);
  void Write(const void* buffer, unsigned count);
  std::uint64_t Seek(std::int64_t offset, SeekPosition from);
  std::uint64_t GetLength();
  void Close();
  bool IsOpen() const;
  const std::string& GetFilePath() const { return path_; }

  // Sets the times of the file at `path`; a non-zero attribute byte also
  // replaces its attributes. Throws CFileException on failure.
  static void SetStatus(const std::string& path, const CFileStatus& status);

 private:
  [[noreturn]] void ThrowLastError() const;

  std::string path_;
  // The Win32 handle or the POSIX descriptor; -1 while closed.
  std::intptr_t handle_ = -1;
};

// The separator this platform's paths use ('\\' on Windows, '/' elsewhere).
extern const char kPathSeparator;

// Creates one folder; false when it could not be made (it may already exist).
bool CreateFolder(const std::string& path);

// Whether `path` names an existing folder.
bool IsFolder(const std::string& path);

// Whether `path` is a link of the file system (a reparse point on Windows, a
// symbolic link elsewhere), which a write would follow to another place.
bool IsLink(const std::string& path);

// Renames a file or folder to `to` on the same volume; false when `to`
// already exists or the system refused. Neither path ends with a separator.
bool MoveToNewPath(const std::string& from, const std::string& to);

// Removes an empty folder; false when it is not empty or the system refused.
bool RemoveFolder(const std::string& path);

// Removes `folder` with everything in it; a link to a folder is removed,
// not followed. False when anything is left.
bool RemoveTree(const std::string& folder);

// Makes a read-only file writable again; false when `path` is no read-only
// file or the system refused.
bool ClearReadOnly(const std::string& path);

// Gives the file its attributes: on Windows the full 32-bit value goes to
// SetFileAttributesA. Elsewhere the value is read as a zip entry's external
// attributes: Unix permission bits from the high 16 bits of a regular file
// (the owner keeps reading and writing) and the read-only bit of the low
// byte. Returns false when the system refused.
bool SetFileAttributesValue(const std::string& path, std::uint32_t attributes);

// Windows: CFile::SetStatus first sets the times through a handle opened for
// the attributes alone (FILE_WRITE_ATTRIBUTES), which Windows 95/98/Me
// refuse. Tests put in a call that fails as there; null restores. No effect
// elsewhere.
using AttributeTimeSetter = bool (*)(const std::string& path, const CFileStatus& status);
void SetAttributeTimeSetterForTest(AttributeTimeSetter setter);

}  // namespace framework

using framework::CFile;
using framework::CFileException;
using framework::CFileStatus;
