#include "catalogue/FirmwareCatalogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/Platform.h"
#include "tests/common/ScopedLanguage.h"
#include "tests/common/TestFiles.h"
#include "scsi/DriveIdentification.h"

namespace {

using catalogue::CatalogueIssue;
using catalogue::FirmwareCatalogue;
using catalogue::FirmwareItem;
using catalogue::ModelEntry;

using Segments = std::vector<std::string>;

using Language = ScopedLanguage;

// A drive table in place of the SCSI scan.
class FakeDrives : public scsi::DriveIdentification {
 public:
  struct Drive {
    bool maker;
    std::string model, revision, dateCode;
  };
  explicit FakeDrives(std::vector<Drive> drives) : drives(std::move(drives)) {}

  int DriveCount() const override { return static_cast<int>(drives.size()); }
  void SelectDrive(int index) override { calls.push_back("select " + std::to_string(index)); }
  bool IdentifyDrive(int index, std::string& model, std::string& revision,
                     std::string& dateCode) override {
    calls.push_back("identify " + std::to_string(index));
    const Drive& d = drives.at(static_cast<std::size_t>(index));
    if (!d.maker) return false;
    model = d.model;
    revision = d.revision;
    dateCode = d.dateCode;
    return true;
  }

  std::vector<Drive> drives;
  std::vector<std::string> calls;
};

void WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

// Parses `text` for the given drives through the byte reader.
std::unique_ptr<FirmwareCatalogue> Load(const std::vector<FakeDrives::Drive>& drives,
                                        const std::string& text,
                                        std::size_t capacity = catalogue::CatalogueReader::kDefaultCapacity) {
  auto catalogue = std::make_unique<FirmwareCatalogue>(capacity);
  catalogue->trustedKeys.clear();  // the parsing, as for a server without signatures
  FakeDrives table(drives);
  catalogue->BuildModelList(table);
  catalogue->reader.OpenBytes(text);
  catalogue->ReadSections(false);
  catalogue->reader.Close();
  return catalogue;
}

std::vector<std::string> Versions(const ModelEntry& entry) {
  std::vector<std::string> versions;
  for (const FirmwareItem& item : entry.items) versions.push_back(item.version);
  return versions;
}

std::string Entry(const std::string& version, const std::string& dateCode = "",
                  const std::string& compare = "version") {
  std::string text = "<version> " + version + "\n";
  if (!dateCode.empty()) text += "<datecode> " + dateCode + "\n";
  if (!compare.empty()) text += "<compare mode> " + compare + "\n";
  return text + "<~item>\n";
}

const char kExample[] =
    "VORN optical drive firmware index\n"
    "<model> QX-1234A\n"
    "<item> Firmware\n"
    "<vendor> VORN\n"
    "<version> 1.30\n"
    "<fw location> pub/VORN/cdrom/QX-1234A/qx1234a_130.zip\n"
    "<parameter> -auto\n"
    "<size> 1250000\n"
    "<description>\n"
    "1 \xA4\xA4\xA4\xE5 one\n"
    "2 \xA4\xA4\xA4\xE5 two\n"
    "<eng_description>\n"
    "1 Better writing quality on high speed media.\n"
    "2 Adds new media codes.\n"
    "<datecode> 030512\n"
    "<compare mode> version\n"
    "<~item>\n"
    "<~model>\n"
    "<model> QX-9000B\n"
    "<item> Firmware\n"
    "<version> 2.05\n"
    "<fw location> pub/VORN/cdrom/QX-9000B/qx9000b_205.exe\n"
    "<size> 512000\n"
    "<eng_description> 1 Fixes reading of some video discs.\n"
    "<datecode> 040120\n"
    "<~item>\n"
    "<~model>\n";

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(BuildModelList, OneEntryPerMakerDriveInTableOrder) {
  FakeDrives table({{true, "QX-1234A", "1.20", "030512"},
                    {false, "", "", ""},
                    {true, "QX-9000B", "2.00", "040101"},
                    {true, "QX-1234A", "1.10", "020202"}});
  FirmwareCatalogue catalogue;
  EXPECT_EQ(catalogue.BuildModelList(table), 3);
  ASSERT_EQ(catalogue.models.size(), 3u);
  auto it = catalogue.models.begin();
  EXPECT_EQ(it->model, "QX-1234A");
  EXPECT_EQ(it->revision, "1.20");
  EXPECT_EQ(it->dateCode, "030512");
  EXPECT_EQ((++it)->model, "QX-9000B");
  EXPECT_EQ((++it)->revision, "1.10");
  EXPECT_EQ(table.calls, (std::vector<std::string>{"select 0", "identify 0", "select 1", "identify 1",
                                                   "select 2", "identify 2", "select 3", "identify 3"}));

  // A second run without clearing lists every drive again.
  EXPECT_EQ(catalogue.BuildModelList(table), 6);

  FakeDrives none({{false, "", "", ""}});
  FirmwareCatalogue empty;
  EXPECT_EQ(empty.BuildModelList(none), 0);
  FakeDrives noDrives({});
  EXPECT_EQ(empty.BuildModelList(noDrives), 0);
  EXPECT_TRUE(empty.models.empty());
}

TEST(LoadCatalogue, ReadsTheExampleForAnEnglishUser) {
  Language lang(1033);
  const auto catalogue = Load({{true, "QX-1234A", "1.20", "030101"}}, kExample);
  const ModelEntry& entry = catalogue->models.front();
  ASSERT_EQ(entry.items.size(), 1u);
  const FirmwareItem& item = entry.items[0];
  EXPECT_EQ(item.name, "Firmware");
  EXPECT_EQ(item.vendor, "VORN");
  EXPECT_EQ(item.version, "1.30");
  EXPECT_EQ(item.fileName, "qx1234a_130.zip");
  EXPECT_EQ(item.parameter, "-auto");
  EXPECT_EQ(item.size, "1250000");
  EXPECT_EQ(item.compareBy, "version");
  EXPECT_EQ(item.description, (Segments{"1 Better writing quality on high speed media.\n",
                                        "2 Adds new media codes.\n"}));
}

TEST(LoadCatalogue, CrLfAndTinyBuffersReadLikeLf) {
  Language lang(1033);
  const std::vector<FakeDrives::Drive> drives = {{true, "QX-1234A", "1.00", "0"},
                                                 {true, "QX-9000B", "1.00", "0"}};
  const auto reference = Load(drives, kExample);
  for (const std::string& text : {std::string(kExample), WithCrLf(kExample)}) {
    for (std::size_t capacity : {std::size_t{2}, std::size_t{7}, std::size_t{64 * 1024}}) {
      const auto other = Load(drives, text, capacity);
      ASSERT_EQ(other->models.size(), reference->models.size());
      auto a = reference->models.begin();
      for (auto b = other->models.begin(); b != other->models.end(); ++a, ++b) {
        ASSERT_EQ(b->items.size(), a->items.size());
        for (std::size_t i = 0; i < a->items.size(); ++i) {
          EXPECT_EQ(b->items[i].version, a->items[i].version);
          EXPECT_EQ(b->items[i].path, a->items[i].path);
          EXPECT_EQ(b->items[i].dateCode, a->items[i].dateCode);
          EXPECT_EQ(b->items[i].description, a->items[i].description);
        }
      }
    }
  }
  EXPECT_EQ(reference->models.back().items.at(0).description,
            Segments{"1 Fixes reading of some video discs.\n"});
}

// Versions and date codes: runs of digits compare by value. The byte order
// the catalogues were written for stands beside each row; the two differ only
// where numbers of different lengths meet.
TEST(IsOffered, ComparesNumbersByValueAndEverythingElseByByte) {
  struct Row {
    const char* revision;
    const char* driveDate;
    const char* compareBy;
    const char* version;
    const char* itemDate;
    bool byByte;   // what the byte order says
    bool offered;
  } rows[] = {
      {"1.20", "", "version", "1.30", "", true, true},
      {"1.20", "", "version", "1.20", "", false, false},  // equal is not newer
      {"1.20", "", "version", "1.10", "", false, false},
      {"1.9", "", "version", "1.10", "", false, true},    // 10 > 9: the mended downgrade
      {"1.10", "", "version", "1.9", "", true, false},
      {"1.3", "", "version", "1.30", "", true, true},     // 30 > 3, as the byte order has it
      {"1.30", "", "version", "1.3", "", false, false},
      {"1.30", "", "version", "1.30B", "", true, true},   // the longer text wins a tie
      {"1.30B", "", "version", "1.30", "", false, false},
      {"1.5", "", "version", "1.05", "", false, false},   // equal values: the byte order
      {"1.05", "", "version", "1.5", "", true, true},
      {"1.0", "", "version", "1.00", "", true, true},
      {"v9", "", "version", "v10", "", false, true},
      {"1.9a", "", "version", "1.9b", "", true, true},
      {"1.x", "", "version", "1.1", "", false, false},    // a digit against a letter: bytes
      {"99999999999999999999", "", "version", "100000000000000000000", "", false, true},
      {"", "", "version", "", "", false, false},          // empty never offered
      {"1.20", "", "version", "", "999999", false, false},
      {"1.0\x7F", "", "version", "1.0\x80", "", true, true},  // unsigned bytes
      {"1.0\x80", "", "version", "1.0\x7F", "", false, false},
      {"", "030512", "", "", "030601", true, true},
      {"", "030512", "", "", "030512", false, false},
      {"", "030512", "", "", "", false, false},
      {"", "991231", "", "", "1000101", false, true},     // a seven-digit date code
      {"", "030512", "", "9.99", "030511", false, false},
      {"9.99", "030512", "Version", "1.00", "030601", true, true},  // not "version": dates
      {"1.00", "030512", "Version", "9.99", "030511", false, false},
      {"1.00", "030512", "versions", "9.99", "030511", false, false},
  };
  for (const Row& row : rows) {
    ModelEntry entry{"QX", row.revision, row.driveDate, {}};
    FirmwareItem item;
    item.compareBy = row.compareBy;
    item.version = row.version;
    item.dateCode = row.itemDate;
    const bool byVersion = item.compareBy == "version";
    const std::string mine = byVersion ? item.version : item.dateCode;
    const std::string drives = byVersion ? entry.revision : entry.dateCode;
    EXPECT_EQ(!mine.empty() && mine > drives, row.byByte) << "byte order of " << mine << " / " << drives;
    EXPECT_EQ(FirmwareCatalogue::IsOffered(entry, item), row.offered)
        << row.compareBy << " drive " << row.revision << "/" << row.driveDate << " item "
        << row.version << "/" << row.itemDate;
  }
}

TEST(LoadCatalogue, SectionsMatchModelsExactly) {
  Language lang(1033);
  struct Row {
    const char* name;
    std::string text;
    std::vector<std::vector<std::string>> versions;  // per drive
  } rows[] = {
      {"only newer versions offered",
       "<model> QX-1234A\n" + Entry("1.10") + Entry("1.20") + Entry("1.30") + "<~model>\n",
       {{"1.30"}, {}}},
      {"model names are case-sensitive",
       "<model> qx-1234a\n" + Entry("9") + "<~model>\n<model> QX-9000B " + Entry("9") + "<~model>",
       {{}, {"9"}}},
      {"a model listed twice adds to the same entry",
       "<model> QX-1234A " + Entry("2") + "<~model> <model> QX-1234A " + Entry("3") + "<~model>",
       {{"2", "3"}, {}}},
      {"an unclosed last entry is dropped",
       "<model> QX-1234A " + Entry("2") + Entry("3") + "<version> 4 <compare x> version",
       {{"2", "3"}, {}}},
      {"an unclosed section ends at the file end",
       "<model> QX-1234A " + Entry("2"),
       {{"2"}, {}}},
      {"<~model> before <~item> drops the entry and ends the section",
       "<model> QX-1234A " + Entry("2") + "<version> 3 <compare x> version <~model> " + Entry("4") +
           "<model> QX-9000B " + Entry("5") + "<~model>",
       {{"2"}, {"5"}}},
      {"a nameless section swallows the next one",
       "<model> <~model> " + Entry("2") + "<model> QX-1234A " + Entry("3") + "<~model>\n" +
           "<model> QX-9000B " + Entry("4") + "<~model>",
       {{}, {"4"}}},
      {"a section without <~model> takes in the next section's entries",
       "<model> QX-1234A " + Entry("2") + "<model> QX-9000B " + Entry("3") + "<~model>\n" +
           "<model> QX-9000B " + Entry("4") + "<~model>",
       {{"2", "3"}, {"4"}}},
      {"tags inside a skipped section have no effect",
       "<model> QX-0000 <version> 9 <~item> <model> QX-1234A <~item> <~model>\n" +
           std::string("<model> QX-1234A ") + Entry("6") + "<~model>",
       {{"6"}, {}}},
      {"a tag glued to its value is one word",
       "<model>QX-1234A " + Entry("2") + "<~model> <model> QX-1234A\n" + Entry("7") + "<~model>",
       {{"7"}, {}}},
      {"heading text before the first section and between sections",
       "index <~item> <~model> words\n<model> QX-1234A " + Entry("8") + "<~model> more " +
           Entry("9") + "<model> QX-9000B " + Entry("1") + "<~model>",
       {{"8"}, {"1"}}},
      {"empty file", "", {{}, {}}},
      {"data ends after 0x1A",
       "<model> QX-1234A " + Entry("2") + "\x1A" + Entry("3") + "<~model>",
       {{"2"}, {}}},
  };
  for (const Row& row : rows) {
    const auto catalogue = Load(
        {{true, "QX-1234A", "1.20", "030512"}, {true, "QX-9000B", "0", "030512"}}, row.text);
    std::vector<std::vector<std::string>> versions;
    for (const ModelEntry& entry : catalogue->models) versions.push_back(Versions(entry));
    EXPECT_EQ(versions, row.versions) << row.name;
  }
}

// Each drive of a model is offered what is newer than it runs, so the second
// drive is not left with nothing once the first has been handled.
TEST(LoadCatalogue, TwoDrivesOfOneModelAreEachOfferedWhatIsNewerThanTheirOwn) {
  Language lang(1033);
  auto catalogue = Load({{true, "QX-1234A", "1.20", "0"}, {true, "QX-1234A", "1.00", "0"}},
                                     "<model> QX-1234A " + Entry("1.10") + Entry("1.30") + "<~model>");
  ASSERT_EQ(catalogue->models.size(), 2u);
  EXPECT_EQ(Versions(catalogue->models.front()), (std::vector<std::string>{"1.30"}));
  EXPECT_EQ(Versions(catalogue->models.back()), (std::vector<std::string>{"1.10", "1.30"}));
  EXPECT_EQ(catalogue->FindModel("QX-1234A"), &catalogue->models.front());
}

TEST(LoadCatalogue, ItemsSpeakTheUserLanguage) {
  for (std::uint16_t id : {std::uint16_t{1028}, std::uint16_t{0x0804}}) {
    Language lang(id);
    const auto catalogue = Load({{true, "QX-1234A", "1.20", "0"}}, kExample);
    const FirmwareItem& item = catalogue->models.front().items.at(0);
    EXPECT_EQ(item.language, id);
    const std::string expected = id == 1028 ? "1 \xA4\xA4\xA4\xE5 one\n" : "1 Better writing quality on high speed media.\n";
    EXPECT_EQ(item.description.at(0), expected);
    EXPECT_EQ(item.ConfirmationText().rfind("New Firmware:", 0) == 0, id != 1028);
  }
}

TEST(LoadCatalogue, FileIsReadThenDeleted) {
  const std::string path = "catalogue_load_test.idx";
  FakeDrives table({{true, "QX-9000B", "2.00", "040101"}});
  FirmwareCatalogue catalogue;
  catalogue.trustedKeys.clear();
  catalogue.BuildModelList(table);

  platform::RemoveFile(path);
  EXPECT_FALSE(catalogue.LoadCatalogue(path));
  EXPECT_TRUE(catalogue.models.front().items.empty());

  WriteFile(path, WithCrLf(kExample));
  EXPECT_TRUE(catalogue.LoadCatalogue(path));
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_FALSE(catalogue.reader.IsOpen());
  ASSERT_EQ(catalogue.models.front().items.size(), 1u);
  EXPECT_EQ(catalogue.models.front().items[0].fileName, "qx9000b_205.exe");

  // Without a new fetch there is nothing to read a second time.
  EXPECT_FALSE(catalogue.LoadCatalogue(path));
  EXPECT_EQ(catalogue.models.front().items.size(), 1u);

  // An empty file still counts as a catalogue.
  WriteFile(path, "");
  EXPECT_TRUE(catalogue.LoadCatalogue(path));
  EXPECT_FALSE(platform::FileExists(path));
}

TEST(LoadCatalogue, UnreadablePathGivesTrueAndNoItems) {
  const std::string path = "catalogue_load_test_dir.idx";
  std::filesystem::remove_all(path);
  ASSERT_TRUE(std::filesystem::create_directory(path));
  FakeDrives table({{true, "QX-9000B", "2.00", "040101"}});
  FirmwareCatalogue catalogue;
  catalogue.trustedKeys.clear();
  catalogue.BuildModelList(table);
  EXPECT_TRUE(catalogue.LoadCatalogue(path));
  EXPECT_TRUE(catalogue.models.front().items.empty());
  EXPECT_FALSE(catalogue.reader.IsOpen());
  std::filesystem::remove_all(path);
}

TEST(FirmwareCatalogue, FindRemoveAndClearKeepOtherEntriesInPlace) {
  FakeDrives table({{true, "A", "", ""}, {true, "B", "", ""}, {true, "C", "", ""}});
  FirmwareCatalogue catalogue;
  catalogue.BuildModelList(table);
  ModelEntry* b = catalogue.FindModel("B");
  ModelEntry* c = catalogue.FindModel("C");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(catalogue.FindModel("b"), nullptr);
  EXPECT_EQ(catalogue.FindModel("B "), nullptr);
  EXPECT_EQ(catalogue.FindModel(""), nullptr);

  catalogue.RemoveModel(catalogue.FindModel("A"));
  EXPECT_EQ(catalogue.FindModel("A"), nullptr);
  EXPECT_EQ(catalogue.FindModel("C"), c);  // still the same record
  EXPECT_EQ(c->model, "C");
  ModelEntry stranger;
  catalogue.RemoveModel(&stranger);
  catalogue.RemoveModel(nullptr);
  EXPECT_EQ(catalogue.models.size(), 2u);
  EXPECT_EQ(catalogue.models.front().model, "B");
  EXPECT_EQ(b, &catalogue.models.front());

  catalogue.ClearModels();
  EXPECT_TRUE(catalogue.models.empty());
}

TEST(FirmwareCatalogue, ReleaseClosesTheConnectionFirstThenClearsAndDeletes) {
  const std::string path = "catalogue_release_test.idx";
  WriteFile(path, kExample);
  FakeDrives table({{true, "QX-1234A", "", ""}});
  FirmwareCatalogue catalogue;
  catalogue.BuildModelList(table);
  catalogue.reader.OpenBytes("left open");

  std::vector<std::string> seen;
  catalogue.ReleaseCatalogue(path, [&] {
    seen.push_back("close with " + std::to_string(catalogue.models.size()) + " models, file " +
                   (platform::FileExists(path) ? "present" : "gone"));
  });
  EXPECT_EQ(seen, std::vector<std::string>{"close with 1 models, file present"});
  EXPECT_FALSE(catalogue.reader.IsOpen());
  EXPECT_TRUE(catalogue.models.empty());
  EXPECT_FALSE(platform::FileExists(path));

  // A second teardown finds nothing left; an empty hook is allowed.
  catalogue.ReleaseCatalogue(path, [&] { seen.push_back("again"); });
  catalogue.ReleaseCatalogue(path);
  EXPECT_EQ(seen.size(), 2u);
}

// The issue in the header, which the sections' walk passes over; the highest
// serial kept only when a signed build accepts a higher one.
TEST(CatalogueIssue, HeaderSerialAndDateAgeAndTheKeptSerial) {
  const struct {
    const char* text;
    std::uint64_t serial;
    const char* issued;
  } headers[] = {
      {"<serial> 42 <issued> 2026-12-08\r\n<model> A <~model>", 42, "2026-12-08"},
      {"<serial> 3 x <serial> 4 <model> A <serial> 9 <issued> 2026-01-01", 4, ""},  // the header's last
      {"<serial> 4 <serial> 1x <issued> 2026-02-29", 0, ""},     // not a serial, not a date
      {"<serial> 999999999999999999 <issued> 2024-02-29", 999999999999999999u, "2024-02-29"},
      {"<serial> 1000000000000000000", 0, ""},                    // 19 digits
      {"<serial> 5\x1A <serial> 6", 5, ""},                       // 0x1A ends the data
      {"<serial>", 0, ""},
      {"<serial> 3 <issued> <model> A <serial> 9 <~model>", 0, ""},  // a field short: no issue
  };
  for (const auto& row : headers) {
    const CatalogueIssue issue = catalogue::ReadCatalogueIssue(row.text);
    EXPECT_EQ(issue.serial, row.serial) << row.text;
    EXPECT_EQ(issue.issued, row.issued) << row.text;
  }
  const struct {
    const char* issued;
    const char* today;
    bool known;
    long days;
  } ages[] = {{"2026-12-08", "2026-12-08 09:00:00", true, 0},  {"2024-02-28", "2024-03-01", true, 2},
              {"2025-12-31", "2026-01-01 00:00:01", true, 1},  {"2000-03-01", "2100-03-01", true, 36524},
              {"2026-12-09", "2026-12-08 23:59:59", true, -1}, {"2026-13-01", "2026-12-08", false, 0},
              {"2026-12-08", "08.12.2026", false, 0}};
  for (const auto& row : ages) {
    long days = 0;
    EXPECT_EQ(catalogue::IssueAgeDays(row.issued, row.today, days), row.known) << row.issued << " " << row.today;
    EXPECT_EQ(days, row.days) << row.issued << " " << row.today;
  }

  const std::string folder = testing::TempDir();
  const std::string file = catalogue::SerialFileBeside(folder + "UpdateHistory.txt");
  EXPECT_EQ(file, folder + "CatalogueSerial.txt");
  const struct {
    const char* kept;  // null: no file
    std::uint64_t serial;
    bool signedBuild;
    bool written;
    std::uint64_t keptAfter;
  } kept[] = {{nullptr, 3, true, true, 3}, {"5\r\n", 3, true, false, 5}, {"3", 3, true, false, 3},
              {"2\r\n# x\r\n", 9, true, true, 9}, {"2", 9, false, false, 2}, {"x7", 1, true, true, 1}};
  for (const auto& row : kept) {
    platform::RemoveFile(file);
    if (row.kept != nullptr) testfiles::WriteFile(file, row.kept);
    FirmwareCatalogue catalogue;
    catalogue.trustedKeys.assign(row.signedBuild ? 1 : 0, signature::PublicKey{});
    catalogue.issue.serial = row.serial;
    EXPECT_EQ(catalogue::RememberAcceptedSerial(file, catalogue), row.written) << row.serial;
    EXPECT_EQ(catalogue::ReadAcceptedSerial(file), row.keptAfter) << row.serial;
  }
  platform::RemoveFile(file);
}

}  // namespace
