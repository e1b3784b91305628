#include "framework/File.h"

#include <windows.h>

namespace framework {

const char kPathSeparator = '\\';

namespace {

int CauseOfError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return CFileException::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return CFileException::badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return CFileException::tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: return CFileException::accessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return CFileException::sharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return CFileException::diskFull;
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE: return CFileException::badSeek;
    default: return CFileException::genericException;
  }
}

HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// Calendar time (seconds since 1970) to the Win32 file time (100 ns since 1601).
FILETIME ToFileTime(std::time_t t) {
  const ULONGLONG ticks = (static_cast<ULONGLONG>(t) + 11644473600ULL) * 10000000ULL;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

// Sets the file's three times through a handle opened with `access`; false,
// with the last-error code set, when the open or the call fails.
bool SetTimes(const std::string& path, DWORD access, const CFileStatus& status) {
  const HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const FILETIME created = ToFileTime(status.creationTime);
  const FILETIME accessed = ToFileTime(status.lastAccessTime);
  const FILETIME written = ToFileTime(status.lastWriteTime);
  const BOOL ok = SetFileTime(h, &created, &accessed, &written);
  const DWORD code = GetLastError();
  CloseHandle(h);
  SetLastError(code);
  return ok != 0;
}

bool SetTimesThroughAttributeHandle(const std::string& path, const CFileStatus& status) {
  return SetTimes(path, FILE_WRITE_ATTRIBUTES, status);
}

AttributeTimeSetter attributeTimeSetter = &SetTimesThroughAttributeHandle;

}  // namespace

std::string CFileException::What() const {
  return "file error " + std::to_string(cause) + " (system error " + std::to_string(osError) +
         ") on " + fileName;
}

CFile::CFile(const std::string& path, unsigned flags) {
  CFileException error;
  if (!Open(path, flags, &error)) throw error;
}

CFile::~CFile() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
}

bool CFile::Open(const std::string& path, unsigned flags, CFileException* error) {
  DWORD access = GENERIC_READ;
  if (flags & modeWrite) access = GENERIC_WRITE;
  if (flags & modeReadWrite) access = GENERIC_READ | GENERIC_WRITE;
  const DWORD share = (flags & shareDenyWrite) ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
  const HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (error) *error = CFileException(CauseOfError(code), static_cast<long>(code), path);
    return false;
  }
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  handle_ = reinterpret_cast<std::intptr_t>(h);
  path_ = path;
  return true;
}

void CFile::ThrowLastError() const {
  const DWORD code = GetLastError();
  throw CFileException(CauseOfError(code), static_cast<long>(code), path_);
}

unsigned CFile::Read(void* buffer, unsigned count) {
  DWORD done = 0;
  if (!ReadFile(AsHandle(handle_), buffer, count, &done, nullptr)) ThrowLastError();
  return done;
}

void CFile::Write(const void* buffer, unsigned count) {
  DWORD done = 0;
  if (!WriteFile(AsHandle(handle_), buffer, count, &done, nullptr)) ThrowLastError();
  if (done != count) throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, path_);
}

// SetFilePointer and GetFileSize rather than their ...Ex forms, which
// Windows 95/98/Me lack; a result of all ones is an error only when the
// last-error code says so.
std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from) {
  const DWORD method = from == begin ? FILE_BEGIN : from == current ? FILE_CURRENT : FILE_END;
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(AsHandle(handle_), static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) ThrowLastError();
  return (static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) | low;
}

std::uint64_t CFile::GetLength() {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(AsHandle(handle_), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) ThrowLastError();
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

void CFile::Close() {
  if (handle_ == -1) return;
  const HANDLE h = AsHandle(handle_);
  handle_ = -1;
  if (!CloseHandle(h)) ThrowLastError();
}

bool CFile::IsOpen() const { return handle_ != -1; }

void CFile::SetStatus(const std::string& path, const CFileStatus& status) {
  // Windows 95/98/Me set times only through a handle opened for writing;
  // the NT line also through one opened for the attributes alone, which a
  // read-only file allows.
  if (!attributeTimeSetter(path, status) && !SetTimes(path, GENERIC_WRITE, status)) {
    const DWORD code = GetLastError();
    throw CFileException(CauseOfError(code), static_cast<long>(code), path);
  }
  if (status.attribute != 0 && !SetFileAttributesA(path.c_str(), status.attribute)) {
    const DWORD attrCode = GetLastError();
    throw CFileException(CauseOfError(attrCode), static_cast<long>(attrCode), path);
  }
}

void SetAttributeTimeSetterForTest(AttributeTimeSetter setter) {
  attributeTimeSetter = setter != nullptr ? setter : &SetTimesThroughAttributeHandle;
}

bool CreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The 9x line has no reparse points: the attribute is never set there.
bool IsLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// MoveFileA never replaces an existing file or folder.
bool MoveToNewPath(const std::string& from, const std::string& to) { return MoveFileA(from.c_str(), to.c_str()) != 0; }

bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      const DWORD attributes = found.dwFileAttributes;
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(path);
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(path.c_str());
      } else {
        if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryA(folder.c_str()) != 0;
}


bool ClearReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

bool SetFileAttributesValue(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != 0;
}

}  // namespace framework
