#include "install/ProgramStart.h"

#include <windows.h>

namespace install {

bool StartProgram(const std::string& path, StartedProgram* started) {
  SECURITY_ATTRIBUTES processAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  SECURITY_ATTRIBUTES threadAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);  // 68
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path.c_str(), nullptr, &processAttributes, &threadAttributes, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  StartedProgram program{process.hProcess, process.hThread};
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
