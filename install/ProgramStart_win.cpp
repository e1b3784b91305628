#include "install/ProgramStart.h"

#include <windows.h>

namespace install {
namespace {

// The folder `path` lies in; a drive's root keeps its backslash ("C:\\"),
// for "C:" alone names the drive's current folder.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash > 0 && path[slash - 1] == ':' ? slash + 1 : slash);
}

}  // namespace

bool StartProgram(const std::string& path, StartedProgram* started) {
  SECURITY_ATTRIBUTES processAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  SECURITY_ATTRIBUTES threadAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);  // 68
  PROCESS_INFORMATION process = {};
  // The program runs in its own folder, where a flasher looks for the
  // firmware image beside it, not in whatever folder this one was started
  // from.
  const std::string folder = FolderOf(path);
  if (!CreateProcessA(path.c_str(), nullptr, &processAttributes, &threadAttributes, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return false;
  StartedProgram program{process.hProcess, process.hThread, process.dwProcessId};
  if (started != nullptr) {
    *started = program;
  } else {
    CloseStartedProgram(program);
  }
  return true;
}

bool ExitCodeOf(const StartedProgram& started, std::uint32_t& code) {
  DWORD exitCode = 0;
  if (started.process == nullptr || !GetExitCodeProcess(started.process, &exitCode) || exitCode == STILL_ACTIVE)
    return false;
  code = exitCode;
  return true;
}

void CloseStartedProgram(StartedProgram& started) {
  if (started.thread != nullptr) CloseHandle(started.thread);
  if (started.process != nullptr) CloseHandle(started.process);
  started = StartedProgram{};
}

}  // namespace install
