// End to end under Wine in the Windows 98 setting: the transport loads the
// stand-in WNASPI32.DLL from the system directory, finds its simulated drives
// in adapter/target/LUN order and identifies the maker's.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "scsi/ScsiTransport.h"
#include "tests/scsi/RecordingScsiSystem.h"

namespace {

// Listed out of order on purpose; 0:2:0 answers late, so its requests stay
// pending for a while; 0:1:0 is a disk; 0:3:0 never answers at all.
const char kDrives[] =
    "adapters 2\n"
    "0 3 0 5 |VORN|STUCK|1.00||never\n"
    "1 0 0 5 |VORN|DVD-RW 16X|1.10|26/0115|\n"
    "0 2 1 5 |ACME|CD-R 52X|2.00|1999|\n"
    "0 2 0 5 |VORN|ABC-1234|1.02X|25/1230|150\n"
    "0 1 0 0 |ACME|DISK|1.0||\n"
    "0 0 0 5 |LITE|DVD-ROM|0001||\n";

std::string ReadFile(const char* path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(AspiSimEndToEnd, FindsTheSimulatedDrivesInOrderAndIdentifiesTheMakers) {
  std::ofstream("aspi-sim-drives.txt") << kDrives;
  std::remove("aspi-sim.log");
  SetEnvironmentVariableA("VORN_ASPI_DRIVES", "aspi-sim-drives.txt");
  SetEnvironmentVariableA("VORN_ASPI_LOG", "aspi-sim.log");

  RecordingScsiSystem system;
  {
    const DWORD start = GetTickCount();
    ScsiTransport transport(system);
    // The device that never answers costs its stated wait, no more.
    EXPECT_LT(GetTickCount() - start, kDeviceTypeWaitMilliseconds + 2000);
    ASSERT_FALSE(transport.isNt) << "run this test in the win98 setting (install-aspi-sim.sh)";
    EXPECT_TRUE(transport.TakeProblems().empty());
    ASSERT_NE(transport.aspiLibrary, nullptr);
    ASSERT_EQ(transport.driveCount, 4) << ReadFile("aspi-sim.log");

    struct Expected {
      int adapter, target, lun;
      const char* identification;
      const char* revision;
    };
    const Expected expected[] = {
        {0, 0, 0, "LITE    DVD-ROM         ", "0001 "},
        {0, 2, 0, "VORN    ABC-1234        ", "1.02X"},
        {0, 2, 1, "ACME    CD-R 52X        ", "2.00 "},
        {1, 0, 0, "VORN    DVD-RW 16X      ", "1.10 "},
    };
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      const DriveInfo& drive = transport.drives[i];
      EXPECT_EQ(drive.hostAdapter, expected[i].adapter);
      EXPECT_EQ(drive.targetId, expected[i].target);
      EXPECT_EQ(drive.lun, expected[i].lun);
      EXPECT_STREQ(drive.identification, expected[i].identification);
      EXPECT_STREQ(drive.revision, expected[i].revision);
    }

    std::string model, revision, dateCode;
    transport.SelectDrive(0);
    EXPECT_FALSE(transport.IdentifyDrive(0, model, revision, dateCode));
    transport.SelectDrive(1);
    ASSERT_TRUE(transport.IdentifyDrive(1, model, revision, dateCode));
    EXPECT_EQ(model, "ABC-1234");
    EXPECT_EQ(revision, "1.02X");
    EXPECT_EQ(dateCode, "251230");
    transport.SelectDrive(2);
    EXPECT_FALSE(transport.IdentifyDrive(2, model, revision, dateCode));
    transport.SelectDrive(3);
    ASSERT_TRUE(transport.IdentifyDrive(3, model, revision, dateCode));
    EXPECT_EQ(model, "DVD-RW");
    EXPECT_EQ(revision, "1.10");
    EXPECT_EQ(dateCode, "260115");
    EXPECT_TRUE(transport.TakeProblems().empty());
  }

  // The late drive's requests went through the pending path and completed
  // without an abort.
  const std::string log = ReadFile("aspi-sim.log");
  EXPECT_NE(log.find("type 0:2:0 -> pending"), std::string::npos) << log;
  EXPECT_NE(log.find("exec 0:2:0 cdb 0x12 -> pending"), std::string::npos) << log;
  EXPECT_EQ(log.find("abort"), std::string::npos) << log;
  // The silent device was asked for its type once and then left alone.
  EXPECT_NE(log.find("type 0:3:0 -> pending"), std::string::npos) << log;
  EXPECT_EQ(log.find("exec 0:3:0"), std::string::npos) << log;
}

}  // namespace
