// Starts a program as a separate process, without waiting for it.
#pragma once

#include <cstdint>
#include <string>

namespace install {

// A started program: its process and main thread handles on Windows (the
// process id as `process` elsewhere), and its process id. The owner closes
// it with CloseStartedProgram once it no longer needs to wait for it.
struct StartedProgram {
  void* process = nullptr;
  void* thread = nullptr;
  std::uint32_t processId = 0;
};

// Starts the program at `path` with no arguments besides its own path, the
// caller's environment and current folder, and returns whether the process
// was created. The process is not waited for. With `started`, the process
// is handed back there; without it, its handles are closed at once.
bool StartProgram(const std::string& path, StartedProgram* started = nullptr);

// The exit code of a started program that has ended, in `code`; false
// while it runs, or when it cannot be told.
bool ExitCodeOf(const StartedProgram& started, std::uint32_t& code);

// Releases what StartProgram handed back; the program runs on.
void CloseStartedProgram(StartedProgram& started);

}  // namespace install
