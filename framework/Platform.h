// The few operating-system services the portable core needs, behind one
// neutral header: Platform_win.cpp implements them for the program,
// Platform_posix.cpp for the native build of the core and its tests.
#pragma once

#include <cstddef>
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

// Whether `a` and `b` name the same place: their full paths (from the
// current folder when relative, "." and ".." taken out) compare equal, on
// Windows without regard to case and with a slash read as a backslash.
bool SamePath(const std::string& a, const std::string& b);

// Makes a new, empty file at `path`, refusing to touch one that is there.
enum class NewFile { kCreated, kExists, kFailed };
NewFile CreateNewFile(const std::string& path);

// A file opened for sequential reading of its raw bytes (no text-mode
// conversion). Null when the file cannot be opened.
struct InputFile;
InputFile* OpenInputFile(const std::string& path);
// Reads up to `size` bytes; returns how many were read, 0 at the end of the
// file or on a read failure.
std::size_t ReadInputFile(InputFile* file, void* buffer, std::size_t size);
// Closes the file; null is allowed.
void CloseInputFile(InputFile* file);

// Reads the whole file at `path` into `bytes`; false, with `bytes` empty,
// when it cannot be opened. Reading stops once more than `limit` bytes have
// arrived, so a larger file leaves more than `limit` (but not all) in `bytes`.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t limit = SIZE_MAX);

// The value of the environment variable `name`; empty when it is unset or
// too long for a path.
std::string EnvironmentValue(const char* name);

// The folder the program runs from, without a separator at the end; empty
// when its path cannot be had whole.
std::string ProgramFolder();

// The Windows folder; empty where there is none.
std::string WindowsFolder();

// The local time as "YYYY-MM-DD hh:mm:ss".
std::string LocalTimeText();

// This process's id, which no other running process has.
std::uint32_t ProcessId();

// Writes `bytes` as the whole file at `path`, made or emptied first; false
// when it could not be opened or written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Writes `bytes` beside `path`, under a name of this process's own, and
// moves that file into place: another process reading `path` meanwhile, or
// writing it the same way, sees the old file or the new one, never one cut
// short. False, with `path` as it was, when either step fails.
bool ReplaceWholeFile(const std::string& path, const std::string& bytes);

// The parts of a path whose separators are '\\' or '/': the folder with
// its separator at the end ("D:\\fw\\" of "D:\\fw\\a.zip"; empty for a
// bare name), and the name after it.
std::string FolderPart(const std::string& path);
std::string NamePart(const std::string& path);

}  // namespace platform
