#include "framework/Platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace platform {
namespace {
constexpr std::uint16_t kDefaultLanguageId = 1033;
std::uint16_t languageOverride = 0;

// `path` from the root, from the current folder when relative, with "."
// and ".." taken out; empty when the current folder cannot be had.
std::string FullPath(const std::string& path) {
  std::string whole = path;
  if (path.empty() || path[0] != '/') {
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr) return std::string();
    whole = std::string(folder) + "/" + path;
  }
  std::vector<std::string> parts;
  for (std::size_t at = 0; at <= whole.size();) {
    const std::size_t slash = std::min(whole.find('/', at), whole.size());
    const std::string part = whole.substr(at, slash - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = slash + 1;
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  return full.empty() ? "/" : full;
}
}  // namespace

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(getpid()); }

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string ProgramFolder() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) return std::string();
  const std::string folder = FolderPart(std::string(path, static_cast<std::size_t>(length)));
  return folder.empty() ? folder : folder.substr(0, folder.size() - 1);
}

std::string WindowsFolder() { return std::string(); }

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::uint16_t UserLanguageId() {
  return languageOverride != 0 ? languageOverride : kDefaultLanguageId;
}

void OverrideUserLanguageId(std::uint16_t id) { languageOverride = id; }

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool SamePath(const std::string& a, const std::string& b) {
  const std::string full = FullPath(a);
  return !a.empty() && !b.empty() && !full.empty() && full == FullPath(b);
}

NewFile CreateNewFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd >= 0) {
    close(fd);
    return NewFile::kCreated;
  }
  return errno == EEXIST ? NewFile::kExists : NewFile::kFailed;
}

struct InputFile {
  int fd;
};

InputFile* OpenInputFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return nullptr;
  return new InputFile{fd};
}

std::size_t ReadInputFile(InputFile* file, void* buffer, std::size_t size) {
  if (file == nullptr || size == 0) return 0;
  for (;;) {
    const ssize_t n = read(file->fd, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return 0;
  }
}

void CloseInputFile(InputFile* file) {
  if (file == nullptr) return;
  close(file->fd);
  delete file;
}

}  // namespace platform
