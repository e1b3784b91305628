// Starts a program as a separate process, without waiting for it.
#pragma once

#include <string>

namespace install {

// Starts the program at `path` with no arguments besides its own path, the
// caller's environment and current folder, and returns whether the process
// was created. The process is not waited for.
bool StartProgram(const std::string& path);

}  // namespace install
