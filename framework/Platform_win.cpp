#include "framework/Platform.h"

#include <windows.h>

#include <cstdio>

namespace platform {
namespace {
std::uint16_t languageOverride = 0;

// The full path of `path` as the system resolves it, with its ASCII letters
// in lower case and slashes as backslashes (a double-byte character's trail
// byte stays as it is); empty when it cannot be had.
std::string FoldedFullPath(const std::string& path) {
  char full[MAX_PATH];
  char* name = nullptr;
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, &name);
  if (path.empty() || length == 0 || length >= MAX_PATH) return std::string();
  std::string folded(full, length);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(folded[i]);
    if (IsDBCSLeadByteEx(CP_ACP, c)) {
      ++i;
    } else if (c == '/') {
      folded[i] = '\\';
    } else if (c >= 'A' && c <= 'Z') {
      folded[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
  return folded;
}
}  // namespace

std::uint16_t UserLanguageId() {
  return languageOverride != 0 ? languageOverride : GetUserDefaultLangID();
}

void OverrideUserLanguageId(std::uint16_t id) { languageOverride = id; }

std::uint32_t ProcessId() { return GetCurrentProcessId(); }

// GetEnvironmentVariableA rather than the shell's folder functions:
// SHGetFolderPath is not in Windows 98 SE's shell32, and APPDATA is set on
// every NT-line system from 2000 on.
std::string EnvironmentValue(const char* name) {
  char value[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  const std::string folder = FolderPart(std::string(path, length));
  return folder.empty() ? folder : folder.substr(0, folder.size() - 1);
}

std::string WindowsFolder() {
  char path[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string LocalTimeText() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return text;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool SamePath(const std::string& a, const std::string& b) {
  const std::string full = FoldedFullPath(a);
  return !full.empty() && full == FoldedFullPath(b);
}

NewFile CreateNewFile(const std::string& path) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    return NewFile::kCreated;
  }
  const DWORD error = GetLastError();
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFile::kExists
                                                                     : NewFile::kFailed;
}

struct InputFile {
  HANDLE handle;
};

InputFile* OpenInputFile(const std::string& path) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return new InputFile{handle};
}

std::size_t ReadInputFile(InputFile* file, void* buffer, std::size_t size) {
  if (file == nullptr || size == 0) return 0;
  // ReadFile takes a 32-bit count; callers read in modest chunks anyway.
  const DWORD request = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(file->handle, buffer, request, &got, nullptr)) return 0;
  return got;
}

void CloseInputFile(InputFile* file) {
  if (file == nullptr) return;
  CloseHandle(file->handle);
  delete file;
}

}  // namespace platform
