// The drives file of the stand-in ASPI library and the INQUIRY data it makes.
// Its devices' answers to TEST UNIT READY and START STOP UNIT are checked
// where the transport reads them (ScsiTransportTest, FlashGateTest, through
// the scripted platform, which answers with the same code) and through the
// library itself under Wine (AspiSimFoundTest).
#include <gtest/gtest.h>

#include <string>

#include "tools/aspi-sim/SimDriveList.h"

using aspisim::ParseSimDrives;
using aspisim::SimDrive;

namespace {

std::string Bytes(const std::vector<std::uint8_t>& data, std::size_t offset, std::size_t length) {
  return std::string(data.begin() + offset, data.begin() + offset + length);
}

TEST(SimDriveList, ReadsDevicesSettingsAndCommentsInAnyLineEnding) {
  const std::string text =
      "# two drives\r\n"
      "\n"
      "0 1 2 5 |VORN|ABC-1234|1.10X|26/0115|250\r\n"
      "  3 7 7 0 | ACME|DISK||| \n"
      "adapters 6";
  const aspisim::SimDriveList list = ParseSimDrives(text);
  EXPECT_TRUE(list.errors.empty());
  EXPECT_EQ(list.adapterCount, 6);
  ASSERT_EQ(list.drives.size(), 2u);
  const SimDrive& first = list.drives[0];
  EXPECT_EQ(first.adapter, 0);
  EXPECT_EQ(first.target, 1);
  EXPECT_EQ(first.lun, 2);
  EXPECT_EQ(first.deviceType, 5);
  EXPECT_EQ(first.vendor, "VORN");
  EXPECT_EQ(first.product, "ABC-1234");
  EXPECT_EQ(first.revision, "1.10X");
  EXPECT_EQ(first.dateCode, "26/0115");
  EXPECT_EQ(first.delayMs, 250u);
  // Texts keep their spaces; the delay is optional.
  EXPECT_EQ(list.drives[1].vendor, " ACME");
  EXPECT_EQ(list.drives[1].delayMs, 0u);
  EXPECT_EQ(list.drives[1].deviceType, 0);
}

TEST(SimDriveList, ReadsTheShortFormOfOneWordTexts) {
  const aspisim::SimDriveList list =
      ParseSimDrives("0 2 0 5 VORN QX-1234A 1.20 030101\r\n1 0 0 5 ACME CD-52X 1.00 020202 300\r\n"
                     "1 1 0 5 ACME CD-STUCK 1.00 020202 never\r\n");
  EXPECT_TRUE(list.errors.empty());
  ASSERT_EQ(list.drives.size(), 3u);
  EXPECT_EQ(list.drives[0].target, 2);
  EXPECT_EQ(list.drives[0].vendor, "VORN");
  EXPECT_EQ(list.drives[0].product, "QX-1234A");
  EXPECT_EQ(list.drives[0].revision, "1.20");
  EXPECT_EQ(list.drives[0].dateCode, "030101");
  EXPECT_EQ(list.drives[0].delayMs, 0u);
  EXPECT_EQ(list.drives[1].delayMs, 300u);
  EXPECT_EQ(list.drives[2].delayMs, aspisim::kNeverEnds);
  EXPECT_EQ(list.adapterCount, 2);
}

// The options after the date code, in any order, as the demo flasher writes
// them back (its new revision shows that the line was read, not kept).
TEST(SimDriveList, ReadsTheOptionsAndWritesThemBack) {
  const char* const rows[][2] = {
      {"0 0 0 5 |V|P|R|D|disc", "0 0 0 5 |V|P|R2|D|disc"},
      {"0 0 0 5 |V|P|R|D| busy=3  250 tray-open ", "0 0 0 5 |V|P|R2|D|250 tray-open busy=3"},
      {"0 0 0 5 |V|P|R|D|empty busy=always|", "0 0 0 5 |V|P|R2|D|busy=always"},
      {"0 0 0 5 V P R D disc busy=0 never", "0 0 0 5 |V|P|R2|D|never disc"},
  };
  for (const auto& row : rows) EXPECT_EQ(aspisim::ChangeSimDrives(row[0], "P", "R2"), row[1]);
}

TEST(SimDriveList, AdapterCountDefaultsToTheHighestAdapterPlusOne) {
  EXPECT_EQ(ParseSimDrives("2 0 0 5 |V|P|R|D|\n0 0 0 5 |V|P|R|D|\n").adapterCount, 3);
  EXPECT_EQ(ParseSimDrives("# nothing\n").adapterCount, 0);
}

TEST(SimDriveList, ReportsAndSkipsLinesThatDoNotParse) {
  struct Row {
    const char* line;
    const char* error;
  };
  const Row rows[] = {
      {"0 0 0 5 VORN ABC 1.0", "line 1: expected |vendor|product|revision|date code| or eight words"},
      {"0 0 0 5 VORN ABC 1.0 0101 5 6", "line 1: more than one delay"},
      {"0 0 0 5 VORN ABC 1.0 0101 later", "line 1: unknown word \"later\""},
      {"0 0 0 5 VORN ABC 1.0 0101 disc tray-open", "line 1: more than one medium"},
      {"0 0 0 5 |V|P|R|D|busy=-1", "line 1: bad busy count"},
      {"0 8 0 5 |V|P|R|D|", "line 1: bad target (0 to 7)"},
      {"0 0 8 5 |V|P|R|D|", "line 1: bad LUN (0 to 7)"},
      {"x 0 0 5 |V|P|R|D|", "line 1: bad adapter"},
      {"0 0 0 5 1 |V|P|R|D|", "line 1: too many numbers before the texts"},
      {"0 0 0 5 |V|P|R|", "line 1: expected four texts between bars"},
      {"0 0 0 5 |VENDORNAME|P|R|D|", "line 1: vendor longer than 8"},
      {"0 0 0 5 |V|P|REVISION|D|", "line 1: revision longer than 5"},
      {"0 0 0 5 |V|P|R|D|soon", "line 1: unknown word \"soon\""},
      {"adapters many", "line 1: bad adapter count"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const aspisim::SimDriveList list = ParseSimDrives(std::string(row.line) + "\n0 0 0 5 |V|P|R|D|");
    ASSERT_EQ(list.errors.size(), 1u);
    EXPECT_EQ(list.errors[0], row.error);
    EXPECT_EQ(list.drives.size(), 1u);
  }
}

TEST(SimDriveList, InquiryDataPadsTheFieldsAsADriveReportsThem) {
  SimDrive drive;
  drive.deviceType = 5;
  drive.vendor = "VORN";
  drive.product = " BC-1";
  drive.revision = "1.1";
  drive.dateCode = "AB/CD";
  const std::vector<std::uint8_t> data = aspisim::InquiryData(drive);
  ASSERT_GE(data.size(), 50u);
  EXPECT_EQ(data[0], 5);
  EXPECT_EQ(Bytes(data, 8, 8), "VORN    ");
  EXPECT_EQ(Bytes(data, 16, 16), " BC-1           ");
  EXPECT_EQ(Bytes(data, 32, 5), "1.1  ");
  EXPECT_EQ(Bytes(data, 40, 6), std::string("AB/CD\0", 6));

  drive.revision = "1.10X";
  EXPECT_EQ(Bytes(aspisim::InquiryData(drive), 32, 5), "1.10X");
}

TEST(SimDriveList, TheDemoFlasherChangesOrRemovesOneModelAndKeepsTheRest) {
  const std::string text =
      "# adapter target lun type\r\n"
      "0 0 0 5 VORN QX-1234A 1.20 030101\r\n"
      "0 1 0 5 |ACME|CD-52X|1.00|020202|\r\n"
      "0 2 0 5 |VORN|QX-9000B|2.05|02/1115|never";
  EXPECT_EQ(aspisim::ChangeSimDrives(text, "QX-1234A", "1.30"),
            "# adapter target lun type\r\n"
            "0 0 0 5 |VORN|QX-1234A|1.30|030101|\r\n"
            "0 1 0 5 |ACME|CD-52X|1.00|020202|\r\n"
            "0 2 0 5 |VORN|QX-9000B|2.05|02/1115|never");
  EXPECT_EQ(aspisim::ChangeSimDrives(text, "QX-9000B", "", true),
            "# adapter target lun type\r\n"
            "0 0 0 5 VORN QX-1234A 1.20 030101\r\n"
            "0 1 0 5 |ACME|CD-52X|1.00|020202|\r\n");
  EXPECT_EQ(aspisim::ChangeSimDrives(text, "QX-0000", "9.99"), text);
  const aspisim::SimDriveList reread = ParseSimDrives(aspisim::ChangeSimDrives(text, "QX-9000B", "2.10"));
  ASSERT_EQ(reread.drives.size(), 3u);
  EXPECT_EQ(reread.drives[2].revision, "2.10");
  EXPECT_EQ(reread.drives[2].delayMs, aspisim::kNeverEnds);
}

TEST(SimDriveList, TheTestsUnixPathsBecomeWinePaths) {
  EXPECT_EQ(aspisim::WinePath("/work/build/drives.txt"), "Z:\\work\\build\\drives.txt");
  EXPECT_EQ(aspisim::WinePath("C:\\windows\\system32\\wnaspi32.txt"), "C:\\windows\\system32\\wnaspi32.txt");
  EXPECT_EQ(aspisim::WinePath(""), "");
}

}  // namespace
