#include "framework/Platform.h"

#include <windows.h>

namespace platform {
namespace {
std::uint16_t languageOverride = 0;
}

std::uint16_t UserLanguageId() {
  return languageOverride != 0 ? languageOverride : GetUserDefaultLangID();
}

void OverrideUserLanguageId(std::uint16_t id) { languageOverride = id; }

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace platform
