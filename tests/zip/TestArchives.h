// Helpers of the zip and install tests: where the generated archives are,
// whole-file reads and writes, scratch folders, and byte access to an
// archive's records for making broken variants in code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace test_archives {

using Bytes = std::vector<std::uint8_t>;

// Folder of the archives make_archives.py wrote (a path the program under
// test can open: on Windows under Wine a Z: path).
inline std::string Archive(const std::string& name) { return std::string(VORN_TEST_ARCHIVES) + "/" + name; }

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const Bytes& data) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

// A fresh, empty folder for one test; its path ends without a separator.
inline std::string Scratch(const std::string& name) {
  const std::string path = std::string(VORN_TEST_SCRATCH) + "/" + name;
  std::filesystem::remove_all(std::filesystem::u8path(path));
  std::filesystem::create_directories(std::filesystem::u8path(path));
  return path;
}

// One line of manifest.txt: a member as Python's zipfile reads it.
struct ManifestEntry {
  std::string archive;
  std::string name;
  std::uint32_t size;
  std::uint32_t crc;
};

inline std::vector<ManifestEntry> Manifest() {
  std::ifstream in(std::filesystem::u8path(Archive("manifest.txt")));
  std::vector<ManifestEntry> entries;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ManifestEntry e;
    std::string size, crc;
    std::getline(fields, e.archive, '\t');
    std::getline(fields, e.name, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, crc, '\t');
    e.size = static_cast<std::uint32_t>(std::stoul(size));
    e.crc = static_cast<std::uint32_t>(std::stoul(crc, nullptr, 16));
    entries.push_back(e);
  }
  return entries;
}

// Byte access to an archive's records (archives without a stub or ZIP64).
struct ZipBytes {
  Bytes data;

  std::uint32_t Get16(std::size_t at) const { return data.at(at) | data.at(at + 1) << 8; }
  std::uint32_t Get32(std::size_t at) const { return Get16(at) | Get16(at + 2) << 16; }
  void Put16(std::size_t at, std::uint32_t v) {
    data.at(at) = static_cast<std::uint8_t>(v);
    data.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
  }
  void Put32(std::size_t at, std::uint32_t v) {
    Put16(at, v & 0xFFFF);
    Put16(at + 2, v >> 16);
  }
  // The end record, found from the end as any reader would.
  std::size_t EndRecord() const {
    for (std::size_t i = data.size() - 22 + 1; i-- > 0;) {
      if (Get32(i) == 0x06054b50) return i;
    }
    throw std::runtime_error("no end record");
  }
  // Offset of the central header of entry `index`.
  std::size_t Central(int index) const {
    std::size_t at = Get32(EndRecord() + 16);
    for (int i = 0; i < index; ++i) at += 46 + Get16(at + 28) + Get16(at + 30) + Get16(at + 32);
    return at;
  }
  std::size_t Local(int index) const { return Get32(Central(index) + 42); }
  // Offset of entry `index`'s data.
  std::size_t Data(int index) const {
    const std::size_t local = Local(index);
    return local + 30 + Get16(local + 26) + Get16(local + 28);
  }
};

}  // namespace test_archives
