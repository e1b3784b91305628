#include "catalogue/FirmwareCatalogue.h"

#include <cstring>

#include "CatalogueKeys.h"
#include "catalogue/Signature.h"
#include "framework/Platform.h"
#include "scsi/DriveIdentification.h"

namespace catalogue {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Compares the runs of digits that start at a[i] and b[j] by their value and
// moves both indexes past them: negative, zero or positive.
int CompareNumbers(const std::string& a, std::size_t& i, const std::string& b, std::size_t& j) {
  while (i + 1 < a.size() && a[i] == '0' && IsDigit(a[i + 1])) ++i;  // leading zeros
  while (j + 1 < b.size() && b[j] == '0' && IsDigit(b[j + 1])) ++j;
  const std::size_t aStart = i, bStart = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  const std::size_t aLength = i - aStart, bLength = j - bStart;
  if (aLength != bLength) return aLength < bLength ? -1 : 1;
  return std::memcmp(a.data() + aStart, b.data() + bStart, aLength);
}

// True when `a` comes after `b` in unsigned byte order: the first differing
// byte decides, and a text that begins the other is the smaller one.
bool ByteGreater(const std::string& a, const std::string& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (order != 0) return order > 0;
  return a.size() > b.size();
}

std::vector<signature::PublicKey> BuiltInKeys() {
  std::vector<signature::PublicKey> keys;
  for (int i = 0; i < kCatalogueKeyCount; ++i) keys.push_back(signature::PublicKey::FromHex(kCatalogueKeyModuli[i]));
  return keys;
}

}  // namespace

bool VersionGreater(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const int order = CompareNumbers(a, i, b, j);
      if (order != 0) return order > 0;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) > static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size();
  // Equal but for leading zeros ("1.05" and "1.5"): the byte order decides.
  return ByteGreater(a, b);
}

std::vector<std::string> CatalogueModelNames(const std::string& text) {
  CatalogueReader reader;
  reader.OpenBytes(text);
  std::vector<std::string> names;
  std::string name;
  while (SkipToToken(reader, "<model>") && ReadToken(reader, name)) {
    bool known = false;
    for (const std::string& n : names) known = known || n == name;
    if (!known) names.push_back(name);
    SkipToToken(reader, "<~model>");
  }
  reader.Close();
  return names;
}

std::string SignaturePathFor(const std::string& cataloguePath) { return cataloguePath + ".sig"; }

FirmwareCatalogue::FirmwareCatalogue(std::size_t readerCapacity)
    : trustedKeys(BuiltInKeys()), reader(readerCapacity) {}

int FirmwareCatalogue::BuildModelList(scsi::DriveIdentification& drives) {
  const int count = drives.DriveCount();
  for (int i = 0; i < count; ++i) {
    drives.SelectDrive(i);
    ModelEntry entry;
    entry.driveIndex = i;
    if (drives.IdentifyDrive(i, entry.model, entry.revision, entry.dateCode)) {
      models.push_back(std::move(entry));
    }
  }
  return static_cast<int>(models.size());
}

bool FirmwareCatalogue::LoadCatalogue(const std::string& localPath) {
  std::string bytes;
  if (!ReadVerified(localPath, bytes)) return false;
  reader.OpenBytes(std::move(bytes));
  ReadSections(!trustedKeys.empty());
  reader.Close();
  return true;
}

bool FirmwareCatalogue::ReadVerified(const std::string& localPath, std::string& bytes) {
  signatureRefused = false;
  replayRefused = false;
  issue = CatalogueIssue();
  bytes.clear();
  // An empty path names no copy: the fetch made none in this run.
  if (localPath.empty() || !platform::FileExists(localPath)) return false;
  // The bytes that are verified are the bytes that are parsed: the file is
  // read once, so nothing can change between the two.
  // A file that cannot be opened reads as empty.
  platform::ReadWholeFile(localPath, bytes, kMaxCatalogueBytes);
  platform::RemoveFile(localPath);  // a failed delete is not reported
  const std::string signaturePath = SignaturePathFor(localPath);
  if (bytes.size() > kMaxCatalogueBytes) {
    bytes.clear();
    platform::RemoveFile(signaturePath);
    return false;
  }
  if (!trustedKeys.empty()) {
    std::string sig;
    const bool signedByMaker = platform::ReadWholeFile(signaturePath, sig) &&
                               signature::VerifyWithAny(trustedKeys, bytes, sig);
    platform::RemoveFile(signaturePath);
    if (!signedByMaker) {
      signatureRefused = true;
      return false;
    }
  }
  issue = ReadCatalogueIssue(bytes);
  // Without a signature anybody could write any serial, so only a signed
  // catalogue is held to the serials seen before.
  if (!trustedKeys.empty() && issue.serial < acceptedSerial) {
    replayRefused = true;
    return false;
  }
  return true;
}

void FirmwareCatalogue::ReadSections(bool hashRequired) {
  while (reader.Peek() != CatalogueReader::kEnd) {
    ModelEntry* entry = FindNextModel();
    if (entry == nullptr) break;
    if (ParseModelItems(*entry, hashRequired) == FileEnd) break;
  }
}

ModelEntry* FirmwareCatalogue::FindNextModel() {
  for (;;) {
    if (!SkipToToken(reader, "<model>")) return nullptr;
    ReadToken(reader, token);  // the model name
    for (ModelEntry& entry : models) {
      if (entry.model == token) return &entry;
    }
    SkipModelSection();
  }
}

void FirmwareCatalogue::SkipModelSection() { SkipToToken(reader, "<~model>"); }

ParseOutcome FirmwareCatalogue::ParseModelItems(ModelEntry& entry, bool hashRequired) {
  for (;;) {
    if (reader.Peek() == CatalogueReader::kEnd) return FileEnd;
    FirmwareItem item;
    ItemReading reading;
    const ParseOutcome outcome = ParseItem(item, reader, onItem ? &reading : nullptr);
    const bool kept = outcome == ItemEnd && Judge(entry, item, hashRequired) == Offer::Offered;
    if (onItem) onItem(entry, item, reading, outcome, kept);
    if (outcome != ItemEnd) return outcome;
    // Two drives of one model may run different firmware: each is judged
    // by what it runs. `entry` is the first of them (FindNextModel).
    for (ModelEntry& drive : models) {
      if (&drive != &entry && drive.model == entry.model && Judge(drive, item, hashRequired) == Offer::Offered) {
        drive.items.push_back(item);
      }
    }
    if (kept) entry.items.push_back(std::move(item));
  }
}

bool FirmwareCatalogue::IsOffered(const ModelEntry& entry, const FirmwareItem& item) {
  if (item.compareBy == "version") return VersionGreater(item.version, entry.revision);
  return VersionGreater(item.dateCode, entry.dateCode);
}

Offer FirmwareCatalogue::Judge(const ModelEntry& entry, const FirmwareItem& item, bool hashRequired) {
  if (!IsOffered(entry, item)) return Offer::NotNewer;
  // A build that checks hashes bounds every download by its listed size too.
  if (hashRequired && (!IsSha256Hex(item.sha256) || StampedSize(item) == 0)) return Offer::NoSha256;
  return Offer::Offered;
}

ModelEntry* FirmwareCatalogue::FindModel(const std::string& model) {
  for (ModelEntry& entry : models) {
    if (entry.model == model) return &entry;
  }
  return nullptr;
}

void FirmwareCatalogue::RemoveModel(const ModelEntry* entry) {
  for (auto it = models.begin(); it != models.end(); ++it) {
    if (&*it == entry) {
      models.erase(it);
      return;
    }
  }
}

void FirmwareCatalogue::ClearModels() { models.clear(); }

void FirmwareCatalogue::ReleaseCatalogue(const std::string& localCataloguePath,
                                         const std::function<void()>& closeConnection) {
  if (closeConnection) closeConnection();
  if (reader.IsOpen()) reader.Close();
  ClearModels();
  if (localCataloguePath.empty()) return;
  for (const std::string& path : {localCataloguePath, SignaturePathFor(localCataloguePath)}) {
    if (platform::FileExists(path)) platform::RemoveFile(path);
  }
}

}  // namespace catalogue
