// libFuzzer target: loads arbitrary bytes as a catalogue file for three
// present drives, then reads the same bytes again through a tiny buffer and
// checks that both readings agree and that what was kept makes sense.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "catalogue/FirmwareCatalogue.h"
#include "framework/Platform.h"
#include "scsi/DriveIdentification.h"

namespace {

using catalogue::FirmwareCatalogue;
using catalogue::FirmwareItem;

class ThreeDrives : public scsi::DriveIdentification {
 public:
  int DriveCount() const override { return 4; }
  void SelectDrive(int) override {}
  bool IdentifyDrive(int index, std::string& model, std::string& revision,
                     std::string& dateCode) override {
    static const char* const kDrives[][3] = {
        {"QX-1234A", "1.20", "030512"}, {"", "", ""}, {"QX-9000B", "2.00", "040101"}, {"A", "", ""}};
    if (index == 1) return false;  // another maker's drive
    model = kDrives[index][0];
    revision = kDrives[index][1];
    dateCode = kDrives[index][2];
    return true;
  }
};

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "catalogue fuzz check failed: %s\n", what);
    std::abort();
  }
}

bool IsWhite(char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

// A value read as one token: at most 51 bytes (a hash 65), no white space.
bool IsToken(const std::string& text, std::size_t maxLength = catalogue::kMaxTokenLength) {
  if (text.size() > maxLength) return false;
  for (char c : text) {
    if (IsWhite(c)) return false;
  }
  return true;
}

// `sameLanguage`: the description and the language are compared as well.
bool SameItems(const FirmwareItem& a, const FirmwareItem& b, bool sameLanguage = true) {
  return a.fileName == b.fileName && a.compareBy == b.compareBy && a.name == b.name &&
         a.vendor == b.vendor && a.version == b.version && a.dateCode == b.dateCode &&
         a.path == b.path && a.parameter == b.parameter && a.size == b.size && a.sha256 == b.sha256 &&
         (!sameLanguage || (a.description == b.description && a.language == b.language));
}

const std::string& TempPath() {
  static const std::string path = "/tmp/catalogue_fuzz_" + std::to_string(getpid()) + ".idx";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size - 1 > catalogue::kMaxCatalogueBytes) return 0;  // a larger file is refused unread
  // The first byte picks the language and the small buffer's size; the rest
  // is the file.
  platform::OverrideUserLanguageId((data[0] & 1) != 0 ? 1028 : 1033);
  const std::size_t smallCapacity = 2 + (data[0] >> 1) % 16;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::FILE* f = std::fopen(TempPath().c_str(), "wb");
  Check(f != nullptr, "temporary file");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);

  // The parsing, as in a build without keys: a signature is not what is
  // fuzzed here (see SignatureFuzz.cpp).
  ThreeDrives drives;
  FirmwareCatalogue fromFile;
  fromFile.trustedKeys.clear();
  Check(fromFile.BuildModelList(drives) == 3, "three maker drives");
  Check(fromFile.LoadCatalogue(TempPath()), "load reports the file");
  Check(!platform::FileExists(TempPath()), "file deleted");
  Check(!fromFile.reader.IsOpen(), "reader closed");

  FirmwareCatalogue fromBytes(smallCapacity);
  fromBytes.trustedKeys.clear();
  fromBytes.BuildModelList(drives);
  fromBytes.reader.OpenBytes(bytes);
  fromBytes.ReadSections(false);
  // The other language reads the same entries, but for their descriptions.
  platform::OverrideUserLanguageId((data[0] & 1) != 0 ? 1033 : 1028);
  FirmwareCatalogue otherLanguage;
  otherLanguage.trustedKeys.clear();
  otherLanguage.BuildModelList(drives);
  otherLanguage.reader.OpenBytes(bytes);
  otherLanguage.ReadSections(false);

  auto a = fromFile.models.begin();
  auto c = otherLanguage.models.begin();
  for (auto b = fromBytes.models.begin(); b != fromBytes.models.end(); ++a, ++b, ++c) {
    Check(a->items.size() == b->items.size(), "same item count at any buffer size");
    Check(a->items.size() == c->items.size(), "same item count in either language");
    for (std::size_t i = 0; i < a->items.size(); ++i) {
      const FirmwareItem& item = a->items[i];
      Check(SameItems(item, b->items[i]), "same items at any buffer size");
      Check(SameItems(item, c->items[i], false), "same items in either language");
      Check(FirmwareCatalogue::IsOffered(*a, item), "only offered items kept");
      Check(IsToken(item.name) && IsToken(item.version) && IsToken(item.dateCode) &&
                IsToken(item.path) && IsToken(item.compareBy) && IsToken(item.vendor) &&
                IsToken(item.parameter) && IsToken(item.size) && IsToken(item.sha256, catalogue::kMaxHashLength),
            "values are single tokens");
      const std::string text = item.ConfirmationText();
      Check(text.size() > item.description.size(), "confirmation text built");
    }
  }
  fromBytes.ReleaseCatalogue(TempPath());
  platform::OverrideUserLanguageId(0);
  return 0;
}
