// The report for support, composed from its facts.
#include "report/ComposeReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using update::ScannedDrive;

const ScannedDrive kQx1234 = {"0:0:0", "VORN", "QX-1234A", "QX-1234A", "1.20", "030101", true};
const ScannedDrive kOther = {"0:1:0", "ACME", "CD-52X", "CD-52X", "1.00", "020202", false};

TEST(SupportReport, SaysWhyEachEntryIsOrIsNotOffered) {
  report::ReportFacts facts;
  facts.transport = "ASPI, WNASPI32.DLL";
  facts.scanWorked = true;
  facts.drives = {kQx1234, kOther};
  facts.catalogueArrived = true;
  facts.catalogueUsable = true;
  facts.hashRequired = true;
  const std::string hash(64, 'b');
  facts.written = "2026-12-08 10:00:00";
  facts.acceptedSerial = 5;
  facts.catalogue =
      "<serial> 7 <issued> 2026-11-30\n<model> QX-1234A\n"
      "<version> 1.30 <fw location> pub/a/new.zip <size> 9 <sha256> " + hash + " <compare mode> version <~item>\n"
      "<version> 1.10 <fw location> pub/a/old.zip <size> 9 <sha256> " + hash + " <compare mode> version <~item>\n"
      "<version> 1.31 <fw location> pub/a/nohash.zip <compare mode> version <~item>\n"
      "<version> 1.32B <datecode> 030801 <fw location> pub/a/beta.zip <size> 9 <sha256> " + hash + " <~item>\n"
      "<~model>\n<model> QX-9000B\n<version> 2.10 <fw location> pub/b/x.zip <~item>\n<~model>\n";
  const std::string report = report::ComposeReport(facts);
  for (const char* expected : {
           "  0:0:0  vendor VORN  product QX-1234A  revision 1.20  date code 030101  the maker's drive\r\n",
           "  0:1:0  vendor ACME  product CD-52X  revision 1.00  date code 020202  another maker's drive\r\n",
           "    new.zip  version 1.30  date code -  compared by version: offered\r\n",
           "    old.zip  version 1.10  date code -  compared by version: not offered: not newer than revision 1.20\r\n",
           "    nohash.zip  version 1.31  date code -  compared by version: not offered: no SHA-256 or size listed\r\n",
           "    beta.zip  version 1.32B  date code 030801  compared by date code: offered\r\n",
           "    not offered, for another model: QX-9000B 2.10\r\n",
           "  serial: 7 (highest accepted before: 5)\r\n  issued: 2026-11-30, 8 days old\r\n",
           "Result: scan worked, catalogue fetched and usable, exit code 0\r\n",
       }) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected << "\nin\n" << report;
  }
  EXPECT_EQ(report.find("CD-52X at"), std::string::npos) << "another maker's drive is offered nothing";

  const struct {
    bool scanWorked;
    bool catalogueUsable;
    int exitCode;
  } results[] = {{true, true, 0}, {false, true, 1}, {true, false, 2}, {false, false, 3}};
  for (const auto& row : results) {
    facts.scanWorked = row.scanWorked;
    facts.catalogueUsable = row.catalogueUsable;
    EXPECT_EQ(report::ReportExitCode(facts), row.exitCode) << row.scanWorked << row.catalogueUsable;
  }
  EXPECT_NE(report::ComposeReport(facts).find("  none: no usable catalogue\r\n"), std::string::npos);
}

}  // namespace
