#include "install/ProgramStart.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <string>


extern char** environ;

namespace install {

bool StartProgram(const std::string& path, StartedProgram* started) {
  std::string argument0 = path;
  char* argv[] = {argument0.data(), nullptr};
  pid_t pid = 0;
  // The program runs in its own folder, as on Windows.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos) {
    posix_spawn_file_actions_addchdir_np(&actions, slash == 0 ? "/" : path.substr(0, slash).c_str());
  }
  // Not waited for: the child is reaped when this process ends.
  const int failed = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  if (started != nullptr) *started = StartedProgram{reinterpret_cast<void*>(static_cast<std::intptr_t>(pid)), nullptr,
                                                     static_cast<std::uint32_t>(pid)};
  return true;
}

bool ExitCodeOf(const StartedProgram& started, std::uint32_t& code) {
  int status = 0;
  const pid_t pid = static_cast<pid_t>(reinterpret_cast<std::intptr_t>(started.process));
  if (pid <= 0 || waitpid(pid, &status, WNOHANG) != pid || !WIFEXITED(status)) return false;
  code = static_cast<std::uint32_t>(WEXITSTATUS(status));
  return true;
}

// A process id holds nothing to release.
void CloseStartedProgram(StartedProgram& started) { started = StartedProgram{}; }

}  // namespace install
