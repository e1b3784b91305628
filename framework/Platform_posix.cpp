#include "framework/Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {
constexpr std::uint16_t kDefaultLanguageId = 1033;
std::uint16_t languageOverride = 0;
}  // namespace

std::uint16_t UserLanguageId() {
  return languageOverride != 0 ? languageOverride : kDefaultLanguageId;
}

void OverrideUserLanguageId(std::uint16_t id) { languageOverride = id; }

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

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
