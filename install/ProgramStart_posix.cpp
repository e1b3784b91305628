#include "install/ProgramStart.h"

#include <spawn.h>


extern char** environ;

namespace install {

bool StartProgram(const std::string& path) {
  std::string argument0 = path;
  char* argv[] = {argument0.data(), nullptr};
  pid_t pid = 0;
  // Not waited for: the child is reaped when this process ends.
  return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) == 0;
}

}  // namespace install
