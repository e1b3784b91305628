// The few operating-system services the portable core needs, behind one
// neutral header: Platform_win.cpp implements them for the program,
// Platform_posix.cpp for the native build of the core and its tests.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The user's language identifier (GetUserDefaultLangID on Windows; 1033 by
// default natively). 1028 selects the Chinese texts.
std::uint16_t UserLanguageId();

// Makes UserLanguageId return `id` from now on; 0 restores the system's value.
// For tests of language-dependent texts in either build.
void OverrideUserLanguageId(std::uint16_t id);

bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);

}  // namespace platform
