#include "framework/File.h"
#include "framework/FileReplace.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace framework {

const char kPathSeparator = '/';

namespace {

int CauseOfErrno(int error) {
  switch (error) {
    case ENOENT: return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG: return CFileException::badPath;
    case EMFILE:
    case ENFILE: return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return CFileException::accessDenied;
    case ENOSPC: return CFileException::diskFull;
    case EIO: return CFileException::hardIO;
    default: return CFileException::genericException;
  }
}

// POSIX has no sharing modes. So that the program behaves here as on
// Windows, at least among its own opens, every open file of this process is
// listed with whether it writes and whether it denies writing: an open for
// writing fails while another open of the same file denies writing, and an
// open that denies writing fails while the file is open for writing.
struct OpenFileEntry {
  dev_t device;
  ino_t inode;
  bool writes;
  bool deniesWrites;
};

std::mutex& OpenFilesLock() {
  static std::mutex lock;
  return lock;
}

std::map<int, OpenFileEntry>& OpenFiles() {
  static std::map<int, OpenFileEntry> files;
  return files;
}

// Lists `fd` unless that conflicts with an open of the same file.
bool ListOpenFile(int fd, const struct stat& st, bool writes, bool deniesWrites) {
  std::lock_guard<std::mutex> hold(OpenFilesLock());
  for (const auto& open : OpenFiles()) {
    const OpenFileEntry& other = open.second;
    if (other.device != st.st_dev || other.inode != st.st_ino) continue;
    if ((writes && other.deniesWrites) || (deniesWrites && other.writes)) return false;
  }
  OpenFiles()[fd] = OpenFileEntry{st.st_dev, st.st_ino, writes, deniesWrites};
  return true;
}

void UnlistOpenFile(int fd) {
  std::lock_guard<std::mutex> hold(OpenFilesLock());
  OpenFiles().erase(fd);
}

}  // namespace

std::string CFileException::What() const {
  return "file error " + std::to_string(cause) + " (" + std::strerror(static_cast<int>(osError)) +
         ") on " + fileName;
}

CFile::CFile(const std::string& path, unsigned flags) {
  CFileException error;
  if (!Open(path, flags, &error)) throw error;
}

CFile::~CFile() {
  if (handle_ == -1) return;
  UnlistOpenFile(static_cast<int>(handle_));
  ::close(static_cast<int>(handle_));
}

bool CFile::Open(const std::string& path, unsigned flags, CFileException* error) {
  int access = O_RDONLY;
  if (flags & modeWrite) access = O_WRONLY;
  if (flags & modeReadWrite) access = O_RDWR;
  // Truncated only once the sharing check has passed, as CREATE_ALWAYS does.
  if (flags & modeCreate) access |= O_CREAT;
  const int fd = ::open(path.c_str(), access | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = CFileException(CauseOfErrno(errno), errno, path);
    return false;
  }
  // A folder opens for reading on POSIX but is no file to read or write.
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    if (error) *error = CFileException(CFileException::accessDenied, EISDIR, path);
    return false;
  }
  if (!ListOpenFile(fd, st, (flags & (modeWrite | modeReadWrite)) != 0, (flags & shareDenyWrite) != 0)) {
    ::close(fd);
    if (error) *error = CFileException(CFileException::sharingViolation, ETXTBSY, path);
    return false;
  }
  if ((flags & modeCreate) && ::ftruncate(fd, 0) != 0) {
    const int code = errno;
    UnlistOpenFile(fd);
    ::close(fd);
    if (error) *error = CFileException(CauseOfErrno(code), code, path);
    return false;
  }
  if (handle_ != -1) {
    UnlistOpenFile(static_cast<int>(handle_));
    ::close(static_cast<int>(handle_));
  }
  handle_ = fd;
  path_ = path;
  return true;
}

void CFile::ThrowLastError() const {
  const int error = errno;
  throw CFileException(CauseOfErrno(error), error, path_);
}

unsigned CFile::Read(void* buffer, unsigned count) {
  unsigned done = 0;
  while (done < count) {
    const ssize_t n = ::read(static_cast<int>(handle_), static_cast<char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowLastError();
    }
    if (n == 0) break;
    done += static_cast<unsigned>(n);
  }
  return done;
}

void CFile::Write(const void* buffer, unsigned count) {
  unsigned done = 0;
  while (done < count) {
    const ssize_t n = ::write(static_cast<int>(handle_), static_cast<const char*>(buffer) + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowLastError();
    }
    done += static_cast<unsigned>(n);
  }
}

std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from) {
  const int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
  const off_t pos = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
  if (pos < 0) ThrowLastError();
  return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetLength() {
  struct stat st {};
  if (fstat(static_cast<int>(handle_), &st) != 0) ThrowLastError();
  return static_cast<std::uint64_t>(st.st_size);
}

void CFile::Close() {
  if (handle_ == -1) return;
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  UnlistOpenFile(fd);
  if (::close(fd) != 0) ThrowLastError();
}

bool CFile::IsOpen() const { return handle_ != -1; }

void CFile::SetStatus(const std::string& path, const CFileStatus& status) {
  // POSIX keeps no creation time; access and write times are set.
  struct timeval times[2] = {};
  times[0].tv_sec = status.lastAccessTime;
  times[1].tv_sec = status.lastWriteTime;
  if (::utimes(path.c_str(), times) != 0) throw CFileException(CauseOfErrno(errno), errno, path);
  if (status.attribute != 0 && !SetFileAttributesValue(path, status.attribute))
    throw CFileException(CauseOfErrno(errno), errno, path);
}

bool CreateFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool MoveToNewPath(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0 || errno != ENOENT) return false;
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool RemoveTree(const std::string& folder) {
  if (DIR* entries = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(entries)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "/" + name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        RemoveTree(path);
      } else {
        ::unlink(path.c_str());
      }
    }
    ::closedir(entries);
  }
  return ::rmdir(folder.c_str()) == 0;
}

// rename() replaces the target in one step on every POSIX system.
bool MoveIntoPlace(const std::string& source, const std::string& target) {
  return ::rename(source.c_str(), target.c_str()) == 0;
}

bool ClearReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR)) return false;
  return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool SetFileAttributesValue(const std::string& path, std::uint32_t attributes) {
  constexpr std::uint32_t kReadOnly = 0x01;
  const std::uint32_t unixMode = attributes >> 16;
  mode_t mode = 0644;
  if ((unixMode & S_IFMT) == S_IFREG) mode = (unixMode & 0777) | 0600;
  if (attributes & kReadOnly) mode &= ~static_cast<mode_t>(0222);
  return ::chmod(path.c_str(), mode) == 0;
}

void SetAttributeTimeSetterForTest(AttributeTimeSetter) {}

}  // namespace framework
