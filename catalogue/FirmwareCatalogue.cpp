#include "catalogue/FirmwareCatalogue.h"

#include <cstring>

#include "framework/Platform.h"
#include "scsi/DriveIdentification.h"

namespace {

// True when `a` comes after `b` in unsigned byte order: the first differing
// byte decides, and a text that begins the other is the smaller one.
bool ByteGreater(const std::string& a, const std::string& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (order != 0) return order > 0;
  return a.size() > b.size();
}

}  // namespace

int FirmwareCatalogue::BuildModelList(DriveIdentification& drives) {
  const int count = drives.DriveCount();
  for (int i = 0; i < count; ++i) {
    drives.SelectDrive(i);
    ModelEntry entry;
    if (drives.IdentifyDrive(i, entry.model, entry.revision, entry.dateCode)) {
      models.push_back(std::move(entry));
    }
  }
  return static_cast<int>(models.size());
}

bool FirmwareCatalogue::LoadCatalogue(const std::string& localPath) {
  if (!platform::FileExists(localPath)) return false;
  reader.Open(localPath);  // a file that cannot be opened reads as empty
  ReadSections();
  reader.Close();
  platform::RemoveFile(localPath);  // a failed delete is not reported
  return true;
}

void FirmwareCatalogue::ReadSections() {
  while (reader.Peek() != CatalogueReader::kEnd) {
    ModelEntry* entry = FindNextModel();
    if (entry == nullptr) break;
    if (ParseModelItems(*entry) == FileEnd) break;
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

ParseOutcome FirmwareCatalogue::ParseModelItems(ModelEntry& entry) {
  for (;;) {
    if (reader.Peek() == CatalogueReader::kEnd) return FileEnd;
    FirmwareItem item;
    const ParseOutcome outcome = ParseItem(item, reader);
    if (outcome != ItemEnd) return outcome;
    if (IsOffered(entry, item)) entry.items.push_back(std::move(item));
  }
}

bool FirmwareCatalogue::IsOffered(const ModelEntry& entry, const FirmwareItem& item) {
  if (item.compareBy == "version") return ByteGreater(item.version, entry.revision);
  return ByteGreater(item.dateCode, entry.dateCode);
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
  if (!localCataloguePath.empty() && platform::FileExists(localCataloguePath)) {
    platform::RemoveFile(localCataloguePath);
  }
}
