// Generates a large catalogue (thousands of sections for absent drives, long
// descriptions in both languages, CR LF line ends), loads it for three present
// drives and prints the loading throughput beside a plain buffered read of the
// same file, measured in the same run. It also counts heap bytes, to show that
// the memory a load needs follows the items kept, not the file's size.
//
// Usage: catalogue_bench [megabytes=20] [path=catalogue_bench.idx]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "catalogue/FirmwareCatalogue.h"
#include "scsi/DriveIdentification.h"

// Heap accounting for this program: every operator new and delete passes here.
namespace {
std::atomic<long long> heapNow{0};
std::atomic<long long> heapPeak{0};
}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size + 16);
  if (p == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(p) = size;
  const long long now = heapNow += static_cast<long long>(size);
  long long peak = heapPeak.load();
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - 16;
  heapNow -= static_cast<long long>(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

const char* const kPresent[] = {"QX-1234A", "QX-9000B", "QX-5000C"};

class PresentDrives : public scsi::DriveIdentification {
 public:
  int DriveCount() const override { return 3; }
  void SelectDrive(int) override {}
  bool IdentifyDrive(int index, std::string& model, std::string& revision,
                     std::string& dateCode) override {
    model = kPresent[index];
    revision = "1.20";
    dateCode = "030512";
    return true;
  }
};

// One entry of about 1.6 KB: versions run 1.00 to 1.0n, so in a present
// drive's section only those above 1.20 are kept.
void AppendEntry(std::string& out, const std::string& model, int number) {
  char line[160];
  const std::string crlf = "\r\n";
  std::snprintf(line, sizeof line, "<item> Firmware\r\n<vendor> VORN\r\n<version> 1.%02d\r\n",
                number);
  out += line;
  std::snprintf(line, sizeof line, "<fw location> pub/VORN/cdrom/%s/fw_1%02d.zip\r\n",
                model.c_str(), number);
  out += line;
  out += "<parameter> -auto\r\n<size> 1250000\r\n<description>\r\n";
  for (int note = 1; note <= 3; ++note) {
    out += std::to_string(note) + " ";
    for (int i = 0; i < 40; ++i) out += "\xB4\xA3\xA4\xC9";  // Big5 text bytes
    out += crlf;
  }
  out += "<eng_description>\r\n";
  for (int note = 1; note <= 4; ++note) {
    out += std::to_string(note) +
           " Improves writing quality on high speed media and reading of scratched"
           " discs; adds media codes for new recordable and rewritable discs." + crlf;
  }
  std::snprintf(line, sizeof line, "<datecode> 03%04d\r\n<compare mode> version\r\n<~item>\r\n",
                number);
  out += line;
}

std::string MakeCatalogue(std::size_t targetBytes, int& sections) {
  std::string out = "VORN optical drive firmware index\r\n";
  out.reserve(targetBytes + 64 * 1024);
  sections = 0;
  // The present drives' sections stand at the start, the middle and the end.
  int present = 0;
  const std::size_t marks[] = {0, targetBytes / 2, targetBytes - 16 * 1024};
  while (out.size() < targetBytes || present < 3) {
    std::string model;
    if (present < 3 && out.size() >= marks[present]) {
      model = kPresent[present++];
    } else {
      char name[32];
      std::snprintf(name, sizeof name, "ZX-%05d", sections);
      model = name;
    }
    out += "<model> " + model + "\r\n";
    for (int n = 18; n < 24; ++n) AppendEntry(out, model, n);
    out += "<~model>\r\n";
    ++sections;
  }
  return out;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// A plain buffered read: 64 KiB chunks with a checksum so the bytes are used.
double PlainRead(const std::string& path, unsigned& checksum) {
  const auto start = std::chrono::steady_clock::now();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return -1;
  static char buffer[64 * 1024];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    for (std::size_t i = 0; i < n; ++i) checksum += static_cast<unsigned char>(buffer[i]);
  }
  std::fclose(f);
  return Seconds(std::chrono::steady_clock::now() - start);
}

struct LoadResult {
  double seconds;
  std::size_t items;
  long long peakHeap;  // above what was held before the load
  long long heldAfter;
};

LoadResult Load(const std::string& path) {
  // LoadCatalogue deletes its file: load a second name for the same data.
  const std::string copy = path + ".load";
  std::filesystem::remove(copy);
  std::error_code error;
  std::filesystem::create_hard_link(path, copy, error);
  if (error) std::filesystem::copy_file(path, copy);

  const long long before = heapNow.load();
  heapPeak = before;
  LoadResult result{};
  catalogue::FirmwareCatalogue catalogue;
  PresentDrives drives;
  catalogue.BuildModelList(drives);
  const auto start = std::chrono::steady_clock::now();
  catalogue.LoadCatalogue(copy);
  result.seconds = Seconds(std::chrono::steady_clock::now() - start);
  for (const catalogue::ModelEntry& entry : catalogue.models) result.items += entry.items.size();
  result.peakHeap = heapPeak.load() - before;
  result.heldAfter = heapNow.load() - before;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 20.0;
  const std::string path = argc > 2 ? argv[2] : "catalogue_bench.idx";

  int sections = 0;
  {
    const std::string text =
        MakeCatalogue(static_cast<std::size_t>(megabytes * 1024 * 1024), sections);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::fclose(f);
  }
  const double size = static_cast<double>(std::filesystem::file_size(path));
  std::printf("catalogue: %.1f MB, %d model sections (3 for present drives)\n",
              size / 1e6, sections);

  // Alternate the two readers and keep each one's best round; the first plain
  // read also brings the file into the cache.
  unsigned checksum = 0;
  double bestPlain = 1e9, bestLoad = 1e9;
  LoadResult last{};
  for (int round = 0; round < 5; ++round) {
    bestPlain = std::min(bestPlain, PlainRead(path, checksum));
    last = Load(path);
    bestLoad = std::min(bestLoad, last.seconds);
  }
  const double plainRate = size / bestPlain / 1e6;
  const double loadRate = size / bestLoad / 1e6;
  std::printf("plain buffered read: %8.1f MB/s  (checksum %u)\n", plainRate, checksum);
  std::printf("LoadCatalogue:       %8.1f MB/s  = %.2f of the plain read\n", loadRate,
              loadRate / plainRate);
  std::printf("items kept: %zu; heap during load: peak %lld bytes, held after %lld bytes\n",
              last.items, last.peakHeap, last.heldAfter);
  std::filesystem::remove(path);
  return 0;
}
