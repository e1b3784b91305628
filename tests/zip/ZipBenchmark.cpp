// Benchmark of the zip reader and the extraction (a program, not a test).
// For each archive it prints, from the same run:
//   floor    zlib's raw inflate and crc32 over the members, from memory
//   read     ZipArchiveReader reading every member into a 16 KB buffer
//   extract  ExtractArchive writing the files
//   unzip    Info-ZIP unzip writing the same files, and bsdtar (libarchive)
//            and 7z (7-Zip) when they are installed
// and the peak memory of this process after our runs, before the floor
// loads the archive into memory. Best of five runs each, taken in turns.
//   usage: zip_benchmark ARCHIVE... (tests/zip/run_benchmark.sh makes them)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>
#include <zlib.h>

#include "install/Installer.h"
#include "zip/ZipArchiveReader.h"

namespace {

namespace fs = std::filesystem;

double Seconds(const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint32_t Get16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

// zlib alone: walks the directory in memory and inflates each member.
std::uint64_t Floor(const std::vector<std::uint8_t>& zip) {
  const std::uint8_t* end = zip.data() + zip.size() - 22;  // archives without comment
  std::size_t at = Get32(end + 16);
  const std::uint32_t count = Get16(end + 10);
  std::vector<std::uint8_t> out(16384);
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* c = zip.data() + at;
    const std::uint32_t method = Get16(c + 10), crc = Get32(c + 16), csize = Get32(c + 20);
    const std::uint8_t* local = zip.data() + Get32(c + 42);
    const std::uint8_t* data = local + 30 + Get16(local + 26) + Get16(local + 28);
    std::uint32_t running = 0;
    if (method == 0) {
      running = crc32(0, data, csize);
      total += csize;
    } else {
      z_stream s{};
      inflateInit2(&s, -MAX_WBITS);
      s.next_in = const_cast<Bytef*>(data);
      s.avail_in = csize;
      int r = Z_OK;
      while (r == Z_OK) {
        s.next_out = out.data();
        s.avail_out = static_cast<uInt>(out.size());
        r = inflate(&s, Z_SYNC_FLUSH);
        const std::uint32_t n = static_cast<std::uint32_t>(out.size() - s.avail_out);
        running = crc32(running, out.data(), n);
        total += n;
      }
      inflateEnd(&s);
    }
    if (running != crc) std::fprintf(stderr, "floor: CRC mismatch\n");
    at += 46 + Get16(c + 28) + Get16(c + 30) + Get16(c + 32);
  }
  return total;
}

std::uint64_t ReadAll(const std::string& path) {
  zip::ZipArchiveReader reader(path);
  std::vector<char> buffer(16384);
  std::uint64_t total = 0;
  do {
    reader.OpenCurrentEntry();
    std::uint32_t got = 0;
    do {
      got = reader.ReadCurrentEntry(buffer.data(), 16384);
      total += got;
    } while (got == 16384);
  } while (reader.GoToNextEntry());
  reader.CloseArchive();
  return total;
}

// An archiver users know, run on the same archive for comparison.
struct Archiver {
  const char* program;
  const char* label;
  // The command that unpacks `archive` into the folder `out` (made first).
  std::string (*command)(const std::string& archive, const std::string& out);
};

const Archiver kArchivers[] = {
    {"unzip", "Info-ZIP",
     [](const std::string& a, const std::string& o) { return "unzip -qq -o '" + a + "' -d '" + o + "'"; }},
    {"bsdtar", "libarchive",
     [](const std::string& a, const std::string& o) { return "bsdtar -xf '" + a + "' -C '" + o + "'"; }},
    {"7z", "7-Zip",
     [](const std::string& a, const std::string& o) { return "7z x -y -bso0 -bsp0 '-o" + o + "' '" + a + "'"; }},
};

bool Installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  for (int a = 1; a < argc; ++a) {
    const std::string archive = fs::absolute(argv[a]).string();
    const fs::path work = fs::path(archive).parent_path() / (fs::path(archive).stem().string() + "-out");
    std::printf("%s (%.1f MB)\n", archive.c_str(), fs::file_size(archive) / 1048576.0);
    // Each run starts with its output removed, outside the timing.
    const auto extractOnce = [&] {
      std::vector<std::string> fullPaths, names;
      // The folder name is taken beside the archive: <stem>-out/ours.
      if (install::ExtractArchive(archive, work.filename().string() + "/ours", fullPaths, names) != 1)
        std::fprintf(stderr, "extraction failed\n");
    };
    std::vector<const Archiver*> others;
    for (const Archiver& archiver : kArchivers) {
      if (Installed(archiver.program)) others.push_back(&archiver);
    }
    const auto runOther = [&](const Archiver& archiver) {
      const fs::path out = work / archiver.program;
      fs::create_directories(out);
      const std::string command = archiver.command(archive, out.string());
      if (std::system(command.c_str()) != 0) std::fprintf(stderr, "%s failed\n", archiver.program);
    };
    // Memory: this process's peak before and after our own runs, before the
    // floor loads the archive into memory.
    const long peakBefore = PeakKb();
    std::uint64_t bytes = ReadAll(archive);
    fs::create_directories(work);
    extractOnce();
    const long peakOurs = PeakKb();

    std::vector<std::uint8_t> zip(fs::file_size(archive));
    std::ifstream(archive, std::ios::binary).read(reinterpret_cast<char*>(zip.data()), static_cast<std::streamsize>(zip.size()));
    std::uint64_t floorBytes = 0;
    // All are timed in turns, best of five each, so that a change in the
    // machine's load touches all of them alike.
    double read = 1e30, extract = 1e30, floor = 1e30;
    std::vector<double> other(others.size(), 1e30);
    for (int round = 0; round < 5; ++round) {
      floor = std::min(floor, Seconds([&] { floorBytes = Floor(zip); }));
      read = std::min(read, Seconds([&] { bytes = ReadAll(archive); }));
      fs::remove_all(work / "ours");
      extract = std::min(extract, Seconds(extractOnce));
      for (std::size_t i = 0; i < others.size(); ++i) {
        fs::remove_all(work / others[i]->program);
        other[i] = std::min(other[i], Seconds([&] { runOther(*others[i]); }));
      }
    }
    if (floorBytes != bytes) std::fprintf(stderr, "byte counts differ: %llu vs %llu\n",
                                          static_cast<unsigned long long>(floorBytes),
                                          static_cast<unsigned long long>(bytes));

    std::printf("  %.1f MB unpacked\n", bytes / 1048576.0);
    std::printf("  floor   (zlib inflate+crc32, in memory) %8.3f s\n", floor);
    std::printf("  read    (ZipArchiveReader, no files)    %8.3f s  %.2f x floor\n", read, read / floor);
    std::printf("  extract (ExtractArchive, files written) %8.3f s  %.2f x floor\n", extract, extract / floor);
    for (std::size_t i = 0; i < others.size(); ++i) {
      const std::string name = std::string(others[i]->program) + " (" + others[i]->label + ", files written)";
      std::printf("  %-39s %8.3f s  %.2f x floor  extract takes %.2f x its time\n", name.c_str(), other[i],
                  other[i] / floor, extract / other[i]);
    }
    for (const Archiver& archiver : kArchivers) {
      if (!Installed(archiver.program)) std::printf("  %s: not installed\n", archiver.program);
    }
    std::printf("  peak memory: %ld KB before, %ld KB after our runs\n", peakBefore, peakOurs);
    fs::remove_all(work);
  }
  return 0;
}
