#include "update/UpdatePlan.h"

#include <functional>

namespace update {
namespace {

using catalogue::FirmwareCatalogue;
using catalogue::FirmwareItem;
using catalogue::ModelEntry;

// Reads `text` with `walk`'s drives present, telling `complete` of every
// complete entry of their sections; with `hashRequired` only entries that
// list their hash and size are offered. No signature is checked here.
void Walk(FirmwareCatalogue& walk, const std::string& text, bool hashRequired,
          const std::function<void(const std::string& model, const FirmwareItem& item)>& complete) {
  walk.onItem = [&complete](const ModelEntry& entry, const FirmwareItem& item, const catalogue::ItemReading&,
                            catalogue::ParseOutcome outcome, bool) {
    if (outcome == catalogue::ItemEnd) complete(entry.model, item);
  };
  walk.reader.OpenBytes(text);
  walk.ReadSections(hashRequired);
  walk.reader.Close();
}

// The newest record of the drive at `drive`'s address with its model, or null.
const UpdateRecord* LastAttempt(const std::vector<UpdateRecord>& history, const ScannedDrive& drive) {
  for (auto it = history.rbegin(); it != history.rend(); ++it) {
    if (it->model == drive.model && it->address == drive.address) return &*it;
  }
  return nullptr;
}

void ChooseAction(DrivePlan& plan, const std::vector<UpdateRecord>& history) {
  const FirmwareItem* newest = plan.Newest();
  if (newest == nullptr) {
    plan.action = PlannedAction::NothingNewer;
    return;
  }
  plan.action = PlannedAction::Update;
  const UpdateRecord wanted = RecordOfUpdate(plan.drive, *newest);
  const UpdateRecord* last = LastAttempt(history, plan.drive);
  if (last != nullptr && last->verdict == Verdict::NotApplied && last->revisionBefore == wanted.revisionBefore &&
      last->versionInstalled == wanted.versionInstalled && last->fileName == wanted.fileName &&
      last->sha256 == wanted.sha256) {
    plan.action = PlannedAction::NotAppliedBefore;
    plan.earlier = *last;
  }
}

}  // namespace

bool NewerOffer(const FirmwareItem& a, const FirmwareItem& b) {
  if (catalogue::VersionGreater(a.version, b.version)) return true;
  if (catalogue::VersionGreater(b.version, a.version)) return false;
  return catalogue::VersionGreater(a.dateCode, b.dateCode);
}

UpdateRecord RecordOfUpdate(const ScannedDrive& drive, const FirmwareItem& item) {
  UpdateRecord record;
  record.model = drive.model;
  record.address = drive.address;
  record.revisionBefore = drive.revision;
  // An entry compared by date code alone may list no version.
  record.versionInstalled = item.version.empty() ? item.dateCode : item.version;
  record.fileName = item.fileName;
  record.sha256 = item.sha256;
  return record;
}

std::vector<DrivePlan> PlanUpdates(const std::vector<ScannedDrive>& drives, const std::string& catalogue,
                                   bool hashRequired, const std::vector<UpdateRecord>& history) {
  FirmwareCatalogue walk;
  std::vector<DrivePlan> plans;
  for (const ScannedDrive& drive : drives) {
    if (!drive.maker) continue;
    DrivePlan plan;
    plan.drive = drive;
    plans.push_back(plan);
    walk.models.push_back(ModelEntry{drive.model, drive.revision, drive.dateCode, {}});
  }
  std::vector<ListedEntry> read;
  Walk(walk, catalogue, hashRequired,
       [&read](const std::string& model, const FirmwareItem& item) { read.push_back({model, item}); });

  auto entry = walk.models.begin();
  for (DrivePlan& plan : plans) {
    plan.offers = entry->items;
    for (const ListedEntry& listed : read) {
      if (listed.model != plan.drive.model) continue;
      plan.entries.push_back({listed.item, FirmwareCatalogue::Judge(*entry, listed.item, hashRequired)});
    }
    for (std::size_t i = 0; i < plan.offers.size(); ++i) {
      if (plan.newest < 0 || NewerOffer(plan.offers[i], *plan.Newest())) plan.newest = static_cast<int>(i);
    }
    ChooseAction(plan, history);
    ++entry;
  }
  return plans;
}

std::vector<ListedEntry> ListCatalogue(const std::string& catalogue, bool hashRequired) {
  FirmwareCatalogue walk;
  for (const std::string& name : catalogue::CatalogueModelNames(catalogue)) {
    walk.models.push_back(ModelEntry{name, "", "", {}});
  }
  std::vector<ListedEntry> listed;
  Walk(walk, catalogue, hashRequired,
       [&listed](const std::string& model, const FirmwareItem& item) { listed.push_back({model, item}); });
  return listed;
}

void OfferFirmware(FirmwareCatalogue& catalogue, const std::string& text) {
  std::vector<ScannedDrive> drives;
  for (const ModelEntry& entry : catalogue.models) {
    ScannedDrive drive;
    drive.model = entry.model;
    drive.revision = entry.revision;
    drive.dateCode = entry.dateCode;
    drive.maker = true;
    drives.push_back(drive);
  }
  const std::vector<DrivePlan> plans = PlanUpdates(drives, text, !catalogue.trustedKeys.empty());
  auto plan = plans.begin();
  for (ModelEntry& entry : catalogue.models) entry.items = (plan++)->offers;
}

}  // namespace update
