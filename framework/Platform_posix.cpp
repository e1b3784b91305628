#include "framework/Platform.h"

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

}  // namespace platform
