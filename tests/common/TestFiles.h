// Whole-file reads and writes for tests that check what landed on disk.
#pragma once

#include <cstddef>
#include <cstdint>
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

// `size` bytes that compress poorly and differ from seed to seed: stand-in
// firmware whose every byte a test can check.
inline std::string PseudoRandomBytes(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

}  // namespace testfiles
