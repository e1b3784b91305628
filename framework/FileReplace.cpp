#include "framework/FileReplace.h"

#include <windows.h>

namespace framework {
namespace {

bool SystemReplacingMove(const char* source, const char* target) {
  return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING) != 0;
}

ReplacingMove replacingMove = &SystemReplacingMove;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A free name beside `target` to keep the old file under meanwhile.
std::string AsideName(const std::string& target) {
  for (int i = 0;; ++i) {
    const std::string candidate = target + ".old" + (i == 0 ? std::string() : std::to_string(i));
    if (!Exists(candidate)) return candidate;
  }
}

// Delete, then rename: the way Windows 95/98/Me replace a file.
bool MoveAsideAndIn(const std::string& source, const std::string& target) {
  if (!Exists(target)) return MoveFileA(source.c_str(), target.c_str()) != 0;
  const std::string aside = AsideName(target);
  if (!MoveFileA(target.c_str(), aside.c_str())) return false;
  if (!MoveFileA(source.c_str(), target.c_str())) {
    const DWORD error = GetLastError();
    MoveFileA(aside.c_str(), target.c_str());
    SetLastError(error);
    return false;
  }
  // The old file may be read-only, which DeleteFileA refuses.
  SetFileAttributesA(aside.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(aside.c_str());
  return true;
}

}  // namespace

bool MoveIntoPlace(const std::string& source, const std::string& target) {
  if (replacingMove(source.c_str(), target.c_str())) return true;
  if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  return MoveAsideAndIn(source, target);
}

void SetReplacingMoveForTest(ReplacingMove move) {
  replacingMove = move != nullptr ? move : &SystemReplacingMove;
}

}  // namespace framework
