// libFuzzer target: reads every member of the input as an archive, then
// extracts it into a scratch folder and checks that nothing appeared beside
// that folder, and that a failed extraction made nothing at all. Any crash,
// sanitizer report, hang, escape or leftover is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "install/Installer.h"
#include "zip/ZipArchiveReader.h"

namespace {

namespace fs = std::filesystem;

// fuzz-scratch/<pid>/box holds the input (in.zip) and the extraction (out/).
const fs::path& Box() {
  static const fs::path box = fs::current_path() / "fuzz-scratch" / std::to_string(getpid()) / "box";
  return box;
}

void ReadEverything(const std::string& path, std::uint32_t pieceSize) {
  std::vector<char> piece(pieceSize);
  try {
    zip::ZipArchiveReader reader(path);
    reader.GoToFirstEntry();
    do {
      zip::ZipEntryInfo info;
      char name[300];
      reader.GetEntryInfo(&info, name, sizeof(name));
      reader.OpenCurrentEntry();
      std::uint64_t total = 0;
      std::uint32_t got = 0;
      do {
        got = reader.ReadCurrentEntry(piece.data(), pieceSize);
        total += got;
        if (got > pieceSize || total > info.uncompressedSize) std::abort();  // more than asked or recorded
      } while (got == pieceSize);
    } while (reader.GoToNextEntry());
    reader.CloseArchive();
  } catch (const zip::CZipException& e) {
    if (e.cause < 1 || e.cause > 12) std::abort();
  } catch (const CFileException&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path box = Box();
  fs::create_directories(box);
  const std::string archive = (box / "in.zip").string();
  {
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ReadEverything(archive, 16384);
  ReadEverything(archive, size > 0 ? 1 + data[0] % 97 : 1);

  std::vector<std::string> fullPaths, names;
  const int result = install::ExtractArchive(archive, "out", fullPaths, names);
  if (result != 0 && result != 1) std::abort();
  if (fullPaths.size() != names.size()) std::abort();
  for (const std::string& path : fullPaths) {
    if (path.compare(0, (box / "out").string().size() + 1, (box / "out").string() + "/") != 0) std::abort();
    if (result == 1 && !fs::is_regular_file(path)) std::abort();
  }
  if (result == 0 && fs::exists(box / "out")) std::abort();  // all or nothing
  // Nothing beside the input and the output folder, in the box or above it.
  for (const auto& entry : fs::directory_iterator(box)) {
    const std::string name = entry.path().filename().string();
    if (name != "in.zip" && name != "out") std::abort();
  }
  for (const auto& entry : fs::directory_iterator(box.parent_path())) {
    if (entry.path().filename() != "box") std::abort();
  }
  std::error_code ignored;
  fs::permissions(box, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(box / "out", ignored);
  return 0;
}
