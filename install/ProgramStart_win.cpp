#include "install/ProgramStart.h"

#include <windows.h>

namespace install {

bool StartProgram(const std::string& path) {
  SECURITY_ATTRIBUTES processAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  SECURITY_ATTRIBUTES threadAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);  // 68
  PROCESS_INFORMATION process = {};
  // The flasher runs on its own; its handles are neither waited on nor closed.
  return CreateProcessA(path.c_str(), nullptr, &processAttributes, &threadAttributes, FALSE, 0, nullptr,
                        nullptr, &startup, &process) != 0;
}

}  // namespace install
