#include "install/ProgramStart.h"

#include <windows.h>

#include "framework/Platform.h"

namespace install {
bool StartProgram(const std::string& path, StartedProgram* started) {
  SECURITY_ATTRIBUTES processAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  SECURITY_ATTRIBUTES threadAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);  // 68
  PROCESS_INFORMATION process = {};
  // The program runs in its own folder, where a flasher looks for the
  // firmware image beside it, not in whatever folder this one was started
  // from. The folder keeps its separator at the end, so a drive's root is
  // "C:\\", for "C:" alone names the drive's current folder.
  const std::string folder = platform::FolderPart(path);
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
