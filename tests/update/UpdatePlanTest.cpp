// The planner: drives × catalogue × history → what each of the maker's drives
// is offered and what an unattended update does with it.
#include "update/UpdatePlan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using catalogue::FirmwareItem;
using catalogue::ModelEntry;
using catalogue::Offer;

using update::ScannedDrive;
using update::UpdateRecord;
using update::Verdict;

const std::string kHash(64, 'a');

std::string Entry(const std::string& version, const std::string& file, bool hashed = true,
                  const std::string& dateCode = "", const std::string& compare = "version") {
  return (version.empty() ? "" : "<version> " + version) + (dateCode.empty() ? "" : " <datecode> " + dateCode) +
         " <fw x> pub/" + file +
         (hashed ? " <size> 5 <sha256> " + kHash : "") + " <compare mode> " + compare + " <~item>\n";
}

const ScannedDrive kQx = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.20", "030101", true};
const ScannedDrive kSecondQx = {"0:2:0", "VORN", "QX-1234A", "QX-1234A", "1.00", "020101", true};
const ScannedDrive kOther = {"0:1:0", "ACME", "CD-52X", "CD-52X", "1.00", "020202", false};

const std::string kQxSection = "<model> QX-1234A\n" + Entry("1.30", "a.zip") + Entry("1.32", "c.zip") +
                               Entry("1.10", "old.zip") + Entry("1.31", "b.zip") +
                               Entry("1.40", "nohash.zip", false) + "<~model>\n";

// A plan in one line: address, action, newest, the offers, the entries not
// offered with why.
std::string Describe(const update::DrivePlan& plan) {
  static const char* const kActions[] = {"nothing", "update", "not applied before"};
  std::string text = plan.drive.address + " " + kActions[static_cast<int>(plan.action)];
  if (plan.Newest() != nullptr) text += " " + plan.Newest()->fileName;
  text += " |";
  for (const FirmwareItem& item : plan.offers) text += " " + item.fileName;
  for (const update::PlannedEntry& entry : plan.entries) {
    if (entry.offer == Offer::NotNewer) text += " -" + entry.item.fileName;
    if (entry.offer == Offer::NoSha256) text += " #" + entry.item.fileName;
  }
  return text;
}

UpdateRecord Earlier(const std::string& before, const std::string& installed, Verdict verdict,
                     const std::string& address = "0:0:0") {
  return {"2026-12-01 10:00:00", "QX-1234A", address, before, installed, "c.zip", kHash, verdict};
}

TEST(PlanUpdates, DrivesCatalogueAndHistoryDecideEachDrive) {
  const struct Row {
    const char* name;
    std::vector<ScannedDrive> drives;
    std::string catalogue;
    bool hashRequired;
    std::vector<UpdateRecord> history;
    std::vector<std::string> plans;
  } rows[] = {
      {"the newest is the highest version, not the last listed", {kQx, kOther}, kQxSection, true, {},
       {"0:0:0 update c.zip | a.zip c.zip b.zip -old.zip #nohash.zip"}},
      {"a build without keys offers unhashed entries", {kQx}, kQxSection, false, {},
       {"0:0:0 update nohash.zip | a.zip c.zip b.zip nohash.zip -old.zip"}},
      {"nothing newer", {{"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.40", "", true}}, kQxSection, true, {},
       {"0:0:0 nothing | -a.zip -c.zip -old.zip -b.zip -nohash.zip"}},
      {"no drive of the maker", {kOther}, kQxSection, true, {}, {}},
      {"two drives of one model, each by what it runs", {kQx, kSecondQx}, kQxSection, true, {},
       {"0:0:0 update c.zip | a.zip c.zip b.zip -old.zip #nohash.zip",
        "0:2:0 update c.zip | a.zip c.zip old.zip b.zip #nohash.zip"}},
      {"versions beat date codes; date codes order entries without a version", {kQx},
       "<model> QX-1234A\n" + Entry("", "d1.zip", true, "040101", "date") +
           Entry("", "d2.zip", true, "040201", "date") + Entry("1.21", "v.zip") + "<~model>",
       true, {}, {"0:0:0 update v.zip | d1.zip d2.zip v.zip"}},
      {"the same update did not take before", {kQx}, kQxSection, true,
       {Earlier("1.20", "1.32", Verdict::NotApplied)},
       {"0:0:0 not applied before c.zip | a.zip c.zip b.zip -old.zip #nohash.zip"}},
      {"not applied from another revision, or held since, is tried", {kQx, kSecondQx}, kQxSection, true,
       {Earlier("1.20", "1.32", Verdict::NotApplied), Earlier("1.20", "1.32", Verdict::HeldDiscInDrive),
        Earlier("1.10", "1.32", Verdict::NotApplied, "0:2:0")},
       {"0:0:0 update c.zip | a.zip c.zip b.zip -old.zip #nohash.zip",
        "0:2:0 update c.zip | a.zip c.zip old.zip b.zip #nohash.zip"}},
      {"not applied on another drive of the model", {kQx}, kQxSection, true,
       {Earlier("1.20", "1.32", Verdict::NotApplied, "0:2:0")},
       {"0:0:0 update c.zip | a.zip c.zip b.zip -old.zip #nohash.zip"}},
      {"one version: the newer date code wins", {kQx},
       "<model> QX-1234A " + Entry("1.32", "new.zip", true, "2") + Entry("1.32", "old.zip", true, "1") + "<~model>",
       true, {}, {"0:0:0 update new.zip | new.zip old.zip"}},
      {"equally new: the first listed wins", {kQx},
       "<model> QX-1234A " + Entry("1.32", "first.zip") + Entry("1.32", "second.zip") + "<~model>", true, {},
       {"0:0:0 update first.zip | first.zip second.zip"}},
      {"a build with keys needs a size as well", {kQx},
       "<model> QX-1234A <version> 1.50 <fw x> pub/nosize.zip <sha256> " + kHash + " <compare x> version <~item>",
       true, {}, {"0:0:0 nothing | #nosize.zip"}},
      {"a file republished under the same version is tried", {kQx},
       "<model> QX-1234A " + Entry("1.32", "c2.zip") + "<~model>", true,
       {Earlier("1.20", "1.32", Verdict::NotApplied)}, {"0:0:0 update c2.zip | c2.zip"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> plans;
    for (const update::DrivePlan& plan : update::PlanUpdates(row.drives, row.catalogue, row.hashRequired, row.history))
      plans.push_back(Describe(plan));
    EXPECT_EQ(plans, row.plans);
  }
}

// The wizard's entries get the planner's offers, each drive its own.
TEST(PlanUpdates, WizardEntriesGetTheOffersOfTheirDrives) {
  catalogue::FirmwareCatalogue catalogue;
  catalogue.trustedKeys.clear();
  catalogue.models.push_back(ModelEntry{"QX-1234A", "1.31", "", {}});
  catalogue.models.push_back(ModelEntry{"QX-1234A", "1.00", "", {}});
  update::OfferFirmware(catalogue, kQxSection);
  std::vector<std::string> files;
  for (const ModelEntry& entry : catalogue.models) {
    for (const FirmwareItem& item : entry.items) files.push_back(entry.revision + " " + item.fileName);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"1.31 c.zip", "1.31 nohash.zip", "1.00 a.zip", "1.00 c.zip",
                                             "1.00 old.zip", "1.00 b.zip", "1.00 nohash.zip"}));
}

}  // namespace
