// The demo's catalogue offers what the demo's walk-through clicks through:
// several files for each of the two simulated drives of the maker, and one
// entry that is not newer than what its drive runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/FirmwareCatalogue.h"
#include "framework/Platform.h"
#include "scsi/DriveIdentification.h"

namespace {

using catalogue::FirmwareItem;
using catalogue::ModelEntry;

struct Drive {
  std::string vendor, model, revision, dateCode;
};

// The drives of the demo's simulated drive file.
class DemoDrives : public scsi::DriveIdentification {
 public:
  explicit DemoDrives(std::vector<Drive> drives) : drives_(std::move(drives)) {}
  int DriveCount() const override { return static_cast<int>(drives_.size()); }
  void SelectDrive(int) override {}
  bool IdentifyDrive(int index, std::string& model, std::string& revision,
                     std::string& dateCode) override {
    const Drive& drive = drives_[index];
    if (drive.vendor != "VORN") return false;
    model = drive.model;
    revision = drive.revision;
    dateCode = drive.dateCode;
    return true;
  }

 private:
  std::vector<Drive> drives_;
};

std::vector<std::string> Versions(const ModelEntry& entry) {
  std::vector<std::string> versions;
  for (const FirmwareItem& item : entry.items) versions.push_back(item.version);
  return versions;
}

TEST(DemoCatalogueTest, OffersSeveralFilesForEachDemoDriveAndKeepsTheOlderOneBack) {
  platform::OverrideUserLanguageId(1033);
  std::ifstream source(DEMO_CATALOGUE, std::ios::binary);
  ASSERT_TRUE(source) << DEMO_CATALOGUE;
  std::stringstream text;
  text << source.rdbuf();
  const std::string copy = testing::TempDir() + "demo-odd.idx";
  std::ofstream(copy, std::ios::binary) << text.str();

  DemoDrives drives({{"VORN", "QX-1234A", "1.20", "030101"},
                     {"ACME", "CD-52X", "1.00", "020202"},
                     {"VORN", "QX-9000B", "2.05", "021115"}});
  catalogue::FirmwareCatalogue catalogue;
  // The demo's tree builder writes the files' sizes and hashes into this
  // source and signs it; the source itself is read as unsigned.
  catalogue.trustedKeys.clear();
  ASSERT_EQ(catalogue.BuildModelList(drives), 2);
  ASSERT_TRUE(catalogue.LoadCatalogue(copy));
  ASSERT_EQ(catalogue.models.size(), 2u);
  EXPECT_EQ(Versions(catalogue.models.front()), (std::vector<std::string>{"1.30", "1.32", "1.32B"}));
  EXPECT_EQ(Versions(catalogue.models.back()), (std::vector<std::string>{"2.10", "2.11"}));
  for (const ModelEntry& entry : catalogue.models) {
    for (const FirmwareItem& item : entry.items) {
      EXPECT_FALSE(item.description.empty()) << item.fileName;
      EXPECT_EQ(item.path.rfind("pub/VORN/cdrom/" + entry.model + "/", 0), 0u) << item.path;
    }
  }
  platform::OverrideUserLanguageId(0);
}

}  // namespace
