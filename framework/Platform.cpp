// The parts of Platform.h built on the others, the same on every system.
#include "framework/Platform.h"

namespace platform {

bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  InputFile* file = OpenInputFile(path);
  if (file == nullptr) return false;
  char chunk[64 * 1024];
  for (std::size_t n; bytes.size() <= limit && (n = ReadInputFile(file, chunk, sizeof chunk)) > 0;) {
    bytes.append(chunk, n);
  }
  CloseInputFile(file);
  return true;
}

}  // namespace platform
