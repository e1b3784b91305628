// Whole-file reads and writes for tests that check what landed on disk.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace testfiles {

// The file's bytes; empty when it cannot be opened.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

}  // namespace testfiles
