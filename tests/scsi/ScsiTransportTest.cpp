// The transport's back ends, played through the scripted platform.
#include <gtest/gtest.h>

#include <cstring>

#include "scsi/ScsiTransport.h"
#include "tests/scsi/FakeScsiSystem.h"

using namespace scsi;

namespace {

constexpr std::uint8_t kTestCdb[kCdbLength] = {0x12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

TEST(ScsiTransportPlatform, OnlyTheNtPlatformIdSelectsPassThrough) {
  struct Row {
    std::uint32_t platformId;
    bool passThrough;
  };
  for (const Row row : {Row{2, true}, Row{1, false}, Row{0, false}}) {
    SCOPED_TRACE(row.platformId);
    FakeScsiSystem fake;
    fake.platformId = row.platformId;
    scsi::ScsiTransport transport(fake);
    EXPECT_EQ(transport.isNt, row.passThrough);
    EXPECT_EQ(transport.IsNtPlatform(), row.passThrough);
    if (row.passThrough) {
      EXPECT_TRUE(fake.loadedPaths.empty());
      EXPECT_EQ(transport.execRequest, nullptr);
    } else {
      ASSERT_EQ(fake.loadedPaths.size(), 1u);
      EXPECT_EQ(fake.loadedPaths[0], "C:\\WINDOWS\\SYSTEM\\WNASPI32.DLL");
      EXPECT_NE(transport.execRequest, nullptr);
    }
    EXPECT_TRUE(transport.TakeProblems().empty());
  }
}

TEST(ScsiTransportPlatform, MissingOrIncompleteAspiLibraryIsReportedOnceAndListsNothing) {
  struct Row {
    const char* name;
    bool loads, supportInfo, sendCommand;
    int unloaded;
    const char* systemDirectory;
  };
  // An unknown system folder must not become "\WNASPI32.DLL", the root of
  // the current drive, where anyone may have put one: nothing is loaded.
  for (const Row row : {Row{"missing", false, true, true, 0, "C:\\WINDOWS\\SYSTEM"},
                        Row{"no GetASPI32SupportInfo", true, false, true, 1, "C:\\WINDOWS\\SYSTEM"},
                        Row{"no SendASPI32Command", true, true, false, 1, "C:\\WINDOWS\\SYSTEM"},
                        Row{"system folder unknown", true, true, true, 0, ""}}) {
    SCOPED_TRACE(row.name);
    FakeScsiSystem fake;
    fake.systemDirectory = row.systemDirectory;
    fake.platformId = 1;
    fake.aspiLoads = row.loads;
    fake.hasSupportInfo = row.supportInfo;
    fake.hasSendCommand = row.sendCommand;
    fake.supportInfo = 1;
    fake.aspiDevices.push_back({});
    {
      scsi::ScsiTransport transport(fake);
      EXPECT_EQ(transport.TakeProblems(), DriveProblems{{ProblemCause::AspiLibraryMissing}});
      EXPECT_EQ(transport.driveCount, 0);
      EXPECT_EQ(transport.aspiLibrary, nullptr);
      EXPECT_EQ(scsi::aspiSendCommand, nullptr);
      EXPECT_TRUE(fake.aspiRequests.empty());
      // A command on a transport without its library fails without calling it.
      std::uint8_t buffer[50];
      EXPECT_EQ(transport.ExecuteCommand(kTestCdb, buffer, sizeof buffer, SRB_DIR_IN), SS_ERR);
      EXPECT_TRUE(fake.aspiRequests.empty());
    }
    EXPECT_EQ(fake.unloadedModules, row.unloaded);
    if (row.systemDirectory[0] == '\0') {
      EXPECT_TRUE(fake.loadedPaths.empty());
    }
  }
}

TEST(ScsiTransportPassThrough, DirectionMapsToDataIn) {
  struct Row {
    std::uint8_t direction;
    std::uint8_t dataIn;
  };
  FakeScsiSystem fake;
  fake.letters['D'] = {};
  scsi::ScsiTransport transport(fake);
  for (const Row row : {Row{SRB_DIR_IN, 1}, Row{SRB_DIR_OUT, 0}, Row{0, 2}, Row{0x18, 2},
                        Row{SRB_DIR_IN | SRB_EVENT_NOTIFY, 2}}) {
    SCOPED_TRACE(static_cast<int>(row.direction));
    std::uint8_t buffer[8] = {};
    transport.ExecuteCommand(kTestCdb, buffer, sizeof buffer, row.direction);
    ASSERT_FALSE(fake.passThroughRequests.empty());
    EXPECT_EQ(fake.passThroughRequests.back().spt.DataIn, row.dataIn);
  }
}

TEST(ScsiTransportPassThrough, RequestIsRebuiltFromZeroForEveryCommand) {
  FakeLetterDrive drive;
  drive.scsiStatus = 2;  // the driver writes into the record
  FakeScsiSystem fake;
  fake.letters['D'] = drive;
  scsi::ScsiTransport transport(fake);
  // The scan sent one INQUIRY; the record now holds the device's status.
  ASSERT_EQ(fake.passThroughRequests.size(), 1u);
  ASSERT_EQ(transport.passThrough.spt.ScsiStatus, 2);

  std::uint8_t buffer[64] = {};
  transport.ExecuteCommand(kTestCdb, buffer, 33, SRB_DIR_IN);
  ASSERT_EQ(fake.passThroughRequests.size(), 2u);
  EXPECT_EQ(fake.passThroughDevices.back(), FakeScsiSystem::LetterHandle('D'));
  const PassThroughRecord& sent = fake.passThroughRequests.back();
  EXPECT_EQ(sent.spt.Length, sizeof(SCSI_PASS_THROUGH_DIRECT));
  EXPECT_EQ(sent.spt.ScsiStatus, 0);
  EXPECT_EQ(sent.spt.PathId, 0);
  EXPECT_EQ(sent.spt.TargetId, 0);
  EXPECT_EQ(sent.spt.Lun, 0);
  EXPECT_EQ(sent.spt.CdbLength, 12);
  EXPECT_EQ(sent.spt.SenseInfoLength, 24);
  EXPECT_EQ(sent.spt.DataTransferLength, 33u);
  EXPECT_EQ(sent.spt.TimeOutValue, 20u);
  EXPECT_EQ(sent.spt.DataBuffer, buffer);
  EXPECT_EQ(sent.spt.SenseInfoOffset, offsetof(PassThroughRecord, senseBuffer));
  EXPECT_EQ(std::memcmp(sent.spt.Cdb, kTestCdb, kCdbLength), 0);
  for (std::size_t i = kCdbLength; i < sizeof sent.spt.Cdb; ++i) EXPECT_EQ(sent.spt.Cdb[i], 0);
  EXPECT_EQ(sent.filler, 0u);
  for (std::uint8_t b : sent.senseBuffer) EXPECT_EQ(b, 0);
}

TEST(ScsiTransportPassThrough, StatusFollowsTheDeviceAndTheControlCallsError) {
  struct Row {
    const char* name;
    std::uint8_t scsiStatus;
    std::uint32_t ioError;
    std::uint8_t result;
    bool problemRecorded;  // the error, as a failed pass-through
    unsigned delayMs = 0;  // of the device's answer
  };
  const Row rows[] = {
      {"success", 0, 0, SS_COMP, false},
      {"check condition", 2, 0, 2, false},
      {"semaphore time-out without a device status fails", 0, kErrorSemaphoreTimeout, 0, false},
      {"completed with status 0 after the whole time-out fails", 0, 0, 0, false, aspisim::kNeverEnds},
      {"a slow answer within the time-out", 0, 0, SS_COMP, false, 15000},
      {"semaphore time-out with check condition", 2, kErrorSemaphoreTimeout, 2, false},
      {"I/O device error keeps the device status", 0x18, kErrorIoDevice, 0x18, false},
      {"access denied", 0, kErrorAccessDenied, 0, true},
      {"access denied ignores the device status", 2, kErrorAccessDenied, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeScsiSystem fake;
    fake.letters['D'] = {};
    scsi::ScsiTransport transport(fake);
    EXPECT_TRUE(transport.TakeProblems().empty());
    fake.letters['D'].scsiStatus = row.scsiStatus;
    fake.letters['D'].ioError = row.ioError;
    fake.letters['D'].unit.delayMs = row.delayMs;
    std::uint8_t buffer[50];
    EXPECT_EQ(transport.ExecuteCommand(kTestCdb, buffer, sizeof buffer, SRB_DIR_IN), row.result);
    const DriveProblems expected =
        row.problemRecorded ? DriveProblems{{ProblemCause::PassThroughFailed, row.ioError}}
                            : DriveProblems{};
    EXPECT_EQ(transport.TakeProblems(), expected);
    // Taken once: the next caller finds only what happened after.
    EXPECT_TRUE(transport.TakeProblems().empty());
  }
}

// An ASPI platform with one CD-ROM device at adapter 0, target 1, LUN 0,
// already scanned; the device answers as `device` says from now on.
class AspiCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.platformId = 1;
    fake.supportInfo = 1;
    FakeAspiDevice device;
    device.target = 1;
    fake.aspiDevices.push_back(device);
    transport = std::make_unique<scsi::ScsiTransport>(fake);
    ASSERT_EQ(transport->driveCount, 1);
    fake.aspiRequests.clear();
    fake.execRequests.clear();
    fake.waits.clear();
  }
  FakeAspiDevice& device() { return fake.aspiDevices[0]; }
  std::uint8_t Execute() { return transport->ExecuteCommand(kTestCdb, buffer, 50, SRB_DIR_IN); }

  FakeScsiSystem fake;
  std::unique_ptr<scsi::ScsiTransport> transport;
  std::uint8_t buffer[64] = {};
};

TEST_F(AspiCommand, RequestCarriesTheCurrentDriveAndTheCommand) {
  Execute();
  ASSERT_EQ(fake.execRequests.size(), 1u);
  const SRB_ExecSCSICmd& sent = fake.execRequests[0];
  EXPECT_EQ(sent.SRB_Cmd, SC_EXEC_SCSI_CMD);
  EXPECT_EQ(sent.SRB_HaId, 0);
  EXPECT_EQ(sent.SRB_Target, 1);
  EXPECT_EQ(sent.SRB_Lun, 0);
  EXPECT_EQ(sent.SRB_Flags, SRB_DIR_IN | SRB_EVENT_NOTIFY);
  EXPECT_EQ(sent.SRB_BufLen, 50u);
  // A buffer of the transport's own, never the caller's (see below).
  EXPECT_NE(sent.SRB_BufPointer, nullptr);
  EXPECT_NE(sent.SRB_BufPointer, buffer);
  EXPECT_EQ(sent.SRB_SenseLen, 14);
  EXPECT_EQ(sent.SRB_CDBLen, 12);
  EXPECT_NE(sent.SRB_PostProc, nullptr);
  EXPECT_EQ(std::memcmp(sent.CDBByte, kTestCdb, kCdbLength), 0);

  transport->ExecuteCommand(kTestCdb, buffer, 8, SRB_DIR_OUT);
  EXPECT_EQ(fake.execRequests.back().SRB_Flags, SRB_DIR_OUT | SRB_EVENT_NOTIFY);
  EXPECT_EQ(fake.eventsCreated, fake.eventsClosed);
}

TEST_F(AspiCommand, StatusSetAtOnceIsReturnedWithoutWaiting) {
  for (std::uint8_t status : {SS_COMP, SS_ERR, SS_ABORTED, SS_NO_DEVICE}) {
    SCOPED_TRACE(static_cast<int>(status));
    device().execStatus = status;
    EXPECT_EQ(Execute(), status);
    EXPECT_TRUE(fake.waits.empty());
    EXPECT_EQ(fake.eventsCreated, fake.eventsClosed);
  }
}

TEST_F(AspiCommand, PendingRequestIsWaitedForAndReturnsItsFinalStatus) {
  device().completion = AspiCompletion::kPendingThenDone;
  device().answer = InquiryAnswer({"VORN", "", "", ""});
  device().execStatus = SS_COMP;
  EXPECT_EQ(Execute(), SS_COMP);
  EXPECT_EQ(fake.waits, std::vector<std::uint32_t>{30000});
  EXPECT_EQ(std::memcmp(buffer + 8, "VORN", 4), 0);
  EXPECT_EQ(fake.CountAspiRequests(SC_ABORT_SRB), 0);
  EXPECT_EQ(fake.eventsCreated, fake.eventsClosed);

  device().execStatus = SS_ERR;
  EXPECT_EQ(Execute(), SS_ERR);
}

TEST_F(AspiCommand, RequestThatNeverEndsIsAbortedOnceAfterThirtySecondsAndGivenUp) {
  struct Row {
    const char* name;
    std::uint32_t waitResult;
    bool endsOnAbort;
    std::uint8_t status;
    int aborts;
    bool givenUp;  // the library still holds the request afterwards
  };
  for (const Row row : {Row{"time-out", kWaitTimedOut, false, SS_ERR, 1, true},
                        Row{"time-out, ended by the abort", kWaitTimedOut, true, SS_ERR, 1, false},
                        Row{"wait failed", kWaitFailed, false, SS_ERR, 1, true},
                        Row{"abandoned", kWaitAbandoned, false, 0, 0, true}}) {
    SCOPED_TRACE(row.name);
    fake.aspiRequests.clear();
    fake.waits.clear();
    const int eventsOpen = fake.eventsCreated - fake.eventsClosed;
    device().completion = AspiCompletion::kNever;
    device().waitResult = row.waitResult;
    device().endsOnAbort = row.endsOnAbort;
    SRB_ExecSCSICmd* const sent = transport->execRequest;
    EXPECT_EQ(Execute(), row.status);
    EXPECT_EQ(fake.waits, std::vector<std::uint32_t>{30000});
    ASSERT_EQ(fake.CountAspiRequests(SC_ABORT_SRB), row.aborts);
    if (row.aborts == 1) {
      const SentAspiRequest& abort = fake.aspiRequests.back();
      EXPECT_EQ(abort.command, SC_ABORT_SRB);
      EXPECT_EQ(abort.adapter, 0);
      EXPECT_EQ(abort.flags, 0);
      EXPECT_EQ(abort.toAbort, sent);
    }
    // A request the library may still write into is not reused, nor its
    // event closed; the next command gets a request of its own.
    EXPECT_EQ(transport->execRequest != sent, row.givenUp);
    EXPECT_EQ(fake.eventsCreated - fake.eventsClosed, eventsOpen + (row.givenUp ? 1 : 0));
    ASSERT_NE(transport->execRequest, nullptr);
  }
  // The next command works on its fresh request and answers into the
  // caller's buffer.
  device().completion = AspiCompletion::kAtOnce;
  device().answer = InquiryAnswer({"VORN", "", "", ""});
  EXPECT_EQ(Execute(), SS_COMP);
  EXPECT_EQ(std::memcmp(buffer + 8, "VORN", 4), 0);
}

TEST_F(AspiCommand, EventCreationFailureFailsTheCommandWithoutSendingIt) {
  fake.eventCreationFails = true;
  EXPECT_EQ(Execute(), SS_ERR);
  EXPECT_TRUE(fake.aspiRequests.empty());
  EXPECT_TRUE(fake.waits.empty());
}

// TEST UNIT READY and START STOP UNIT on both back ends: 6-byte CDBs with no
// data phase and 18 bytes of sense asked for. What the sense says, read back
// from where each back end puts it, decides the checks of FlashGateTest.
TEST(ScsiTransportUnitCommands, ShortCdbsWithoutDataPhaseOnBothBackEnds) {
  for (const bool nt : {true, false}) {
    for (const bool eject : {false, true}) {
      SCOPED_TRACE(std::string(nt ? "pass-through" : "ASPI") + (eject ? ", START STOP UNIT" : ", TEST UNIT READY"));
      FakeScsiSystem fake;
      fake.platformId = nt ? kPlatformWin32Nt : 1;
      fake.supportInfo = 1;
      fake.letters['D'] = {};
      fake.aspiDevices.push_back({});
      scsi::ScsiTransport transport(fake);
      const UnitAnswer answer = eject ? transport.StartStopUnit(kStartStopLoadEject) : transport.TestUnitReady();
      EXPECT_EQ(answer.ending, eject ? UnitAnswer::Ending::Good : UnitAnswer::Ending::CheckCondition);
      const std::uint8_t cdb[16] = {static_cast<std::uint8_t>(eject ? 0x1B : 0x00), 0, 0, 0,
                                    static_cast<std::uint8_t>(eject ? 0x02 : 0x00)};
      if (nt) {
        const SCSI_PASS_THROUGH_DIRECT& sent = fake.passThroughRequests.back().spt;
        EXPECT_EQ(sent.CdbLength * 0x100 + sent.SenseInfoLength, kShortCdbLength * 0x100 + kFixedSenseLength);
        EXPECT_EQ(sent.DataIn, SCSI_IOCTL_DATA_UNSPECIFIED);
        EXPECT_EQ(sent.DataTransferLength, 0u);
        EXPECT_EQ(sent.DataBuffer, nullptr);
        EXPECT_EQ(std::memcmp(sent.Cdb, cdb, sizeof sent.Cdb), 0);
      } else {
        // The scan's INQUIRY left bytes after the CDB: cleared, never read as sense.
        const SRB_ExecSCSICmd& sent = fake.execRequests.back();
        EXPECT_EQ(sent.SRB_CDBLen * 0x100 + sent.SRB_SenseLen, kShortCdbLength * 0x100 + kFixedSenseLength);
        EXPECT_EQ(sent.SRB_Flags, SRB_EVENT_NOTIFY);
        EXPECT_EQ(sent.SRB_BufLen, 0u);
        EXPECT_EQ(std::memcmp(sent.CDBByte, cdb, sizeof sent.CDBByte), 0);
      }
    }
  }
}

TEST(ScsiTransportLifetime, EndReleasesLibraryAndLastOpenedHandle) {
  struct Row {
    const char* name;
    bool dOpens, eOpens;
    std::vector<DeviceHandle> closed;
  };
  // Only the handle of the latest open attempt is closed; a failed attempt
  // leaves nothing to close.
  const Row rows[] = {
      {"both open", true, true, {FakeScsiSystem::LetterHandle('E')}},
      {"last fails", true, false, {}},
      {"first fails", false, true, {FakeScsiSystem::LetterHandle('E')}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeScsiSystem fake;
    fake.letters['D'].opens = row.dOpens;
    fake.letters['E'].opens = row.eOpens;
    { scsi::ScsiTransport transport(fake); }
    EXPECT_EQ(fake.closedDevices, row.closed);
  }

  FakeScsiSystem fake;
  fake.platformId = 1;
  {
    scsi::ScsiTransport transport(fake);
    EXPECT_NE(scsi::aspiSendCommand, nullptr);
  }
  EXPECT_EQ(fake.unloadedModules, 1);
  EXPECT_EQ(scsi::aspiSendCommand, nullptr);
}

TEST(ScsiTransportLifetime, PumpMessagesDispatchesOneMessagePerCall) {
  FakeScsiSystem fake;
  scsi::ScsiTransport transport(fake);
  transport.PumpMessages();
  transport.PumpMessages();
  EXPECT_EQ(fake.messagePumps, 2);
}

}  // namespace
