// End to end under Wine in the Windows 98 setting: the transport loads the
// stand-in WNASPI32.DLL from the system directory, finds its simulated drives
// in adapter/target/LUN order and identifies the maker's; requests sent
// straight to the library get their status and sense data where ASPI puts
// them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>

#include "scsi/ScsiRecords.h"
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

// A function the library exports (through void*, as the transport takes it).
template <typename Function>
Function Export(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

TEST(AspiSimEndToEnd, FindsTheSimulatedDrivesInOrderAndIdentifiesTheMakers) {
  std::ofstream("aspi-sim-drives.txt") << kDrives;
  std::remove("aspi-sim.log");
  SetEnvironmentVariableA("VORN_ASPI_DRIVES", "aspi-sim-drives.txt");
  SetEnvironmentVariableA("VORN_ASPI_LOG", "aspi-sim.log");

  RecordingScsiSystem system;
  {
    const DWORD start = GetTickCount();
    scsi::ScsiTransport transport(system);
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
      const scsi::DriveInfo& drive = transport.drives[i];
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

// Commands without data, in order, through the library's SendASPI32Command;
// afterwards the request must hold exactly what ASPI promises: the status,
// the target status and, with CHECK CONDITION, the sense data right after
// the CDB, cut at SRB_SenseLen and at the record's end, and nothing written
// past the record. 0:2:0 answers late, through the library's worker.
TEST(AspiSimEndToEnd, SenseDataFollowsTheCdbAndCommandsChangeTheDrive) {
  std::ofstream("aspi-sim-units.txt") << "0 0 0 5 |VORN|EMPTY|1.00||\n0 1 0 5 |VORN|DISC|1.00||disc\n"
                                         "0 2 0 5 |VORN|LATE|1.00||150 disc\n";
  SetEnvironmentVariableA("VORN_ASPI_DRIVES", "aspi-sim-units.txt");
  const HMODULE library = LoadLibraryA("wnaspi32.dll");
  const auto supportInfo = Export<DWORD(__cdecl*)()>(library, "GetASPI32SupportInfo");
  const auto send = Export<DWORD(__cdecl*)(void*)>(library, "SendASPI32Command");
  ASSERT_TRUE(supportInfo != nullptr && send != nullptr);
  ASSERT_EQ((supportInfo() >> 8) & 0xFF, SS_COMP);  // reads the drives file anew
  const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  const struct {
    std::uint8_t target, opcode, byte4, cdbLength, senseLength, key, asc, ascq, senseWritten;
  } rows[] = {
      // target, CDB byte 0 and 4, SRB_CDBLen, SRB_SenseLen; sense key, ASC, ASCQ (0: GOOD); sense bytes written
      {0, 0x00, 0, 6, 18, 0x02, 0x3A, 0x01, 18},   // TEST UNIT READY, no disc
      {0, 0x00, 0, 6, 14, 0x02, 0x3A, 0x01, 14},   // sense cut at SRB_SenseLen
      {0, 0x88, 0, 16, 18, 0x05, 0x20, 0x00, 16},  // READ(16), not simulated: cut at the record's end
      {2, 0x1B, 0x02, 6, 18, 0, 0, 0, 0},          // eject, answered late
      {2, 0x00, 0, 6, 18, 0x02, 0x3A, 0x02, 18},   // then the tray is open
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << &row - rows);
    struct {
      SRB_ExecSCSICmd srb;
      std::uint8_t after[32];
    } block;
    auto* const bytes = reinterpret_cast<std::uint8_t*>(&block);
    std::uint8_t expected[sizeof block];
    std::memset(bytes, 0xCC, sizeof block);
    std::memset(bytes, 0, offsetof(SRB_ExecSCSICmd, CDBByte) + row.cdbLength);  // the fields and the CDB
    SRB_ExecSCSICmd& srb = block.srb;
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Flags = SRB_EVENT_NOTIFY;
    srb.SRB_PostProc = event;
    srb.SRB_Target = row.target;
    srb.SRB_SenseLen = row.senseLength;
    srb.SRB_CDBLen = row.cdbLength;
    srb.CDBByte[0] = row.opcode;
    srb.CDBByte[4] = row.byte4;
    const std::uint8_t status = row.key == 0 ? SS_COMP : SS_ERR;
    const std::uint8_t sense[18] = {0x70, 0, row.key, 0, 0, 0, 0, 10, 0, 0, 0, 0, row.asc, row.ascq};
    std::memcpy(expected, bytes, sizeof block);
    expected[offsetof(SRB_ExecSCSICmd, SRB_Status)] = status;
    expected[offsetof(SRB_ExecSCSICmd, SRB_TargStat)] = row.key == 0 ? 0 : 2;
    std::memcpy(expected + offsetof(SRB_ExecSCSICmd, CDBByte) + row.cdbLength, sense, row.senseWritten);

    ResetEvent(event);
    EXPECT_EQ(send(&srb), row.target == 2 ? SS_PENDING : status);
    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0) << "the request's event was not signalled";
    std::string changed;
    for (std::size_t i = 0; i < sizeof block; ++i) {
      if (bytes[i] != expected[i]) changed += " " + std::to_string(i);
    }
    EXPECT_EQ(changed, "") << "bytes other than ASPI leaves them (the record has " << sizeof(SRB_ExecSCSICmd) << ")";
  }
  CloseHandle(event);
  FreeLibrary(library);
}

}  // namespace
