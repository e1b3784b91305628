// The drive scans and the identification of the maker's drives, played
// through the scripted platform.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

#include "scsi/ScsiTransport.h"
#include "tests/scsi/FakeScsiSystem.h"

using namespace scsi;

namespace {

const InquiryFields kMakerDrive = {"VORN    ", "ABC-1234        ", "1.10 ", "26/0115"};
const InquiryFields kOtherDrive = {"ACME    ", "CD-R 52X        ", "2.00 ", "1999"};

FakeLetterDrive LetterDrive(const InquiryFields& fields) {
  FakeLetterDrive drive;
  drive.answer = InquiryAnswer(fields);
  return drive;
}

FakeAspiDevice AspiDevice(int adapter, int target, int lun, const InquiryFields& fields) {
  FakeAspiDevice device;
  device.adapter = static_cast<std::uint8_t>(adapter);
  device.target = static_cast<std::uint8_t>(target);
  device.lun = static_cast<std::uint8_t>(lun);
  device.answer = InquiryAnswer(fields);
  return device;
}

// The INQUIRY the scan and the identification send.
void ExpectInquiryCdb(const std::uint8_t* cdb) {
  const std::uint8_t inquiry[kCdbLength] = {0x12, 0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(cdb, inquiry, kCdbLength), 0);
}

std::string Address(const scsi::DriveInfo& drive) {
  return std::to_string(drive.hostAdapter) + ":" + std::to_string(drive.targetId) + ":" +
         std::to_string(drive.lun);
}

TEST(DriveLetterScan, ListsCdromLettersInOrderAndSelectsTheFirst) {
  FakeScsiSystem fake;
  fake.letters['C'].driveType = 3;  // fixed disk: not opened
  fake.letters['F'] = LetterDrive(kOtherDrive);
  fake.letters['D'] = LetterDrive(kMakerDrive);
  scsi::ScsiTransport transport(fake);

  ASSERT_EQ(transport.driveCount, 2);
  EXPECT_EQ(fake.openedPaths, (std::vector<std::string>{"\\\\.\\D:", "\\\\.\\F:"}));
  EXPECT_EQ(transport.drives[0].deviceHandle, FakeScsiSystem::LetterHandle('D'));
  EXPECT_STREQ(transport.drives[0].identification, "VORN    ABC-1234        ");
  EXPECT_STREQ(transport.drives[0].revision, "1.10 ");
  EXPECT_EQ(transport.drives[1].deviceHandle, FakeScsiSystem::LetterHandle('F'));
  EXPECT_STREQ(transport.drives[1].identification, "ACME    CD-R 52X        ");
  EXPECT_EQ(transport.currentHandle, FakeScsiSystem::LetterHandle('D'));
  EXPECT_EQ(transport.lastOpenedHandle, FakeScsiSystem::LetterHandle('F'));

  ASSERT_EQ(fake.passThroughRequests.size(), 2u);
  ExpectInquiryCdb(fake.passThroughRequests[0].spt.Cdb);
  EXPECT_EQ(fake.passThroughRequests[0].spt.DataTransferLength, 50u);
  EXPECT_EQ(fake.passThroughRequests[0].spt.DataIn, SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(fake.passThroughDevices[1], FakeScsiSystem::LetterHandle('F'));

  // Another maker's drive is no drive of the maker, and its texts read the
  // same way for the support report.
  std::string model, revision, dateCode;
  EXPECT_TRUE(transport.IsMakerDrive(0));
  EXPECT_FALSE(transport.IsMakerDrive(1));
  EXPECT_FALSE(transport.IdentifyDrive(1, model, revision, dateCode));
  ASSERT_TRUE(transport.ReadDriveTexts(1, model, revision, dateCode));
  EXPECT_EQ(model, "CD-R");
  EXPECT_EQ(revision, "2.00");
  EXPECT_EQ(dateCode, "1999");
  EXPECT_FALSE(transport.ReadDriveTexts(2, model, revision, dateCode));
}

TEST(DriveLetterScan, ListsAtMostFourDrivesAndNeverLooksAtZ) {
  FakeScsiSystem fake;
  for (char letter : {'D', 'E', 'F', 'G', 'H', 'I', 'Z'}) fake.letters[letter] = {};
  scsi::ScsiTransport transport(fake);
  EXPECT_EQ(transport.driveCount, 4);
  const char expected[] = {'D', 'E', 'F', 'G'};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(transport.drives[i].deviceHandle, FakeScsiSystem::LetterHandle(expected[i]));
  }
  for (const std::string& path : fake.openedPaths) EXPECT_NE(path, "\\\\.\\Z:");

  FakeScsiSystem onlyZ;
  onlyZ.letters['Z'] = LetterDrive(kMakerDrive);
  scsi::ScsiTransport zTransport(onlyZ);
  EXPECT_EQ(zTransport.driveCount, 0);
  EXPECT_TRUE(onlyZ.openedPaths.empty());
}

// Not listed, but not passed over in silence either: it may be the maker's,
// held open by another program.
TEST(DriveLetterScan, LetterThatCannotBeOpenedIsSkippedAndReported) {
  FakeScsiSystem fake;
  fake.letters['D'].opens = false;
  fake.letters['D'].openError = scsi::kErrorSharingViolation;
  fake.letters['E'] = LetterDrive(kMakerDrive);
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, 1);
  EXPECT_EQ(transport.drives[0].deviceHandle, FakeScsiSystem::LetterHandle('E'));
  const scsi::DriveProblems expected = {{scsi::ProblemCause::DriveNotOpened, scsi::kErrorSharingViolation, 'D'}};
  EXPECT_EQ(transport.TakeProblems(), expected);
}

TEST(DriveLetterScan, DriveWhoseInquiryFailsListsEmptyTexts) {
  FakeScsiSystem fake;
  fake.letters['D'] = LetterDrive(kMakerDrive);
  fake.letters['E'].scsiStatus = 2;  // check condition, no data
  fake.letters['F'] = LetterDrive(kMakerDrive);
  fake.letters['F'].unit.delayMs = aspisim::kNeverEnds;  // named: it may be the maker's
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, 3);
  EXPECT_STREQ(transport.drives[1].identification, "");
  EXPECT_STREQ(transport.drives[1].revision, "");
  EXPECT_STREQ(transport.drives[2].identification, "");
  EXPECT_EQ(transport.TakeProblems(), (DriveProblems{{ProblemCause::DriveNotAnswering, kErrorSemaphoreTimeout, 'F'}}));
  std::string model, revision, dateCode;
  EXPECT_FALSE(transport.IdentifyDrive(1, model, revision, dateCode));
}

TEST(DriveLetterScan, NulInTheAnswerEndsTheTexts) {
  FakeScsiSystem fake;
  fake.letters['D'] = LetterDrive({"VORN", "", "1.1", ""});
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, 1);
  EXPECT_STREQ(transport.drives[0].identification, "VORN");
  EXPECT_STREQ(transport.drives[0].revision, "1.1");
}

// Letters beyond the first four, another maker's drive between two of ours, a
// short and an empty answer: each listed letter ('+': the maker's drive), the
// texts of the last one listed, the letters whose handles the scan closed.
const FakeLetterDrive kMaker = LetterDrive(kMakerDrive), kOther = LetterDrive(kOtherDrive);
const std::vector<std::uint8_t> kShort(kMaker.answer.begin(), kMaker.answer.begin() + 20);
const std::pair<std::map<char, FakeLetterDrive>, const char*> kLetterScanRows[] = {
    {{{'D', kMaker}, {'E', kMaker}, {'F', kMaker}, {'G', kMaker}, {'H', kMaker}, {'I', kOther}},
     "D+E+F+G+ [VORN    ABC-1234        |1.10 ] closed H"},
    {{{'D', kMaker}, {'E', kOther}, {'F', kMaker}}, "D+E-F+ [VORN    ABC-1234        |1.10 ] closed "},
    {{{'D', kOther}, {'E', {kDriveCdrom, true, 2, {}, kShort}}}, "D-E+ [VORN    ABC-|] closed "},
    {{{'D', kMaker}, {'E', {kDriveCdrom, true, 2, {}, {}}}}, "D+E- [|] closed "},
};

TEST(DriveLetterScan, ListsEachLettersOwnAnswer) {
  for (const auto& [letters, expected] : kLetterScanRows) {
    FakeScsiSystem fake;
    fake.letters = letters;
    scsi::ScsiTransport scanner(fake);
    std::string scan;
    for (int i = 0; i < scanner.driveCount; ++i) scan += {scanner.drives[i].driveLetter, "-+"[scanner.IsMakerDrive(i)]};
    const scsi::DriveInfo& last = scanner.drives[scanner.driveCount - 1];
    scan += std::string(" [") + last.identification + "|" + last.revision + "] closed ";
    for (DeviceHandle handle : fake.closedDevices) scan += char(reinterpret_cast<std::intptr_t>(handle) - 0x1000);
    EXPECT_EQ(scan, expected);
  }
}

TEST(AspiScan, ListsCdromDevicesInAdapterTargetLunOrder) {
  FakeScsiSystem fake;
  fake.platformId = 1;
  fake.supportInfo = 0x0102;  // status byte above the two adapters is ignored
  fake.aspiDevices = {AspiDevice(1, 0, 0, kOtherDrive), AspiDevice(0, 2, 1, kMakerDrive),
                      AspiDevice(0, 2, 0, kOtherDrive), AspiDevice(0, 0, 0, kMakerDrive)};
  FakeAspiDevice disk = AspiDevice(0, 1, 0, kOtherDrive);
  disk.deviceType = 0;  // a disk: not listed
  fake.aspiDevices.push_back(disk);
  FakeAspiDevice failing = AspiDevice(0, 3, 0, kOtherDrive);
  failing.typeStatus = SS_ERR;
  fake.aspiDevices.push_back(failing);
  scsi::ScsiTransport transport(fake);

  ASSERT_EQ(transport.driveCount, 4);
  EXPECT_EQ(Address(transport.drives[0]), "0:0:0");
  EXPECT_EQ(Address(transport.drives[1]), "0:2:0");
  EXPECT_EQ(Address(transport.drives[2]), "0:2:1");
  EXPECT_EQ(Address(transport.drives[3]), "1:0:0");
  EXPECT_STREQ(transport.drives[2].identification, "VORN    ABC-1234        ");
  EXPECT_STREQ(transport.drives[3].identification, "ACME    CD-R 52X        ");
  EXPECT_EQ(transport.drives[0].deviceHandle, nullptr);
  // Every address of both adapters was asked for its type, once.
  EXPECT_EQ(fake.CountAspiRequests(SC_GET_DEV_TYPE), 2 * 8 * 8);
  EXPECT_EQ(fake.CountAspiRequests(SC_EXEC_SCSI_CMD), 4);
  ExpectInquiryCdb(fake.execRequests[0].CDBByte);
  EXPECT_EQ(fake.execRequests[0].SRB_BufLen, 50u);
  // Drive 0 is selected after the scan.
  EXPECT_EQ(transport.currentAdapter, 0);
  EXPECT_EQ(transport.currentTarget, 0);
  EXPECT_EQ(transport.currentLun, 0);
}

TEST(Rescan, ReadsTheDrivesAnewWithTheSameBackEnd) {
  const InquiryFields flashed = {"VORN    ", "ABC-1234        ", "1.30 ", "26/0301"};
  {
    SCOPED_TRACE("ASPI: a new revision, a drive gone");
    FakeScsiSystem fake;
    fake.platformId = 1;
    fake.supportInfo = 1;
    fake.aspiDevices = {AspiDevice(0, 0, 0, kMakerDrive), AspiDevice(0, 2, 0, kOtherDrive)};
    scsi::ScsiTransport transport(fake);
    ASSERT_EQ(transport.driveCount, 2);
    fake.aspiDevices = {AspiDevice(0, 0, 0, flashed)};
    EXPECT_EQ(transport.Rescan(), 1);
    EXPECT_STREQ(transport.drives[0].revision, "1.30 ");
    EXPECT_STREQ(transport.drives[1].identification, "") << "the gone drive's record is cleared";
    EXPECT_EQ(fake.loadedPaths.size(), 1u) << "the library is loaded once";
  }
  {
    SCOPED_TRACE("pass-through: the old handles are closed, the letters opened again");
    FakeScsiSystem fake;
    fake.letters['D'] = LetterDrive(kMakerDrive);
    fake.letters['E'] = LetterDrive(kOtherDrive);
    scsi::ScsiTransport transport(fake);
    fake.letters['D'] = LetterDrive(flashed);
    EXPECT_EQ(transport.Rescan(), 2);
    EXPECT_EQ(fake.closedDevices, (std::vector<DeviceHandle>{FakeScsiSystem::LetterHandle('D'),
                                                              FakeScsiSystem::LetterHandle('E')}));
    EXPECT_EQ(transport.drives[0].driveLetter, 'D');
    EXPECT_STREQ(transport.drives[0].revision, "1.30 ");
    EXPECT_EQ(fake.openedPaths.size(), 4u);
  }
}

TEST(AspiScan, NoAdaptersSendsNoRequest) {
  FakeScsiSystem fake;
  fake.platformId = 1;
  fake.supportInfo = 0x0100;
  fake.aspiDevices = {AspiDevice(0, 0, 0, kMakerDrive)};
  scsi::ScsiTransport transport(fake);
  EXPECT_EQ(transport.driveCount, 0);
  EXPECT_TRUE(fake.aspiRequests.empty());
}

TEST(AspiScan, PendingTypeRequestIsPolledWhilePumpingMessages) {
  FakeScsiSystem fake;
  fake.platformId = 1;
  fake.supportInfo = 1;
  FakeAspiDevice slow = AspiDevice(0, 4, 0, kMakerDrive);
  slow.pendingPolls = 3;
  fake.aspiDevices = {slow};
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, 1);
  EXPECT_EQ(Address(transport.drives[0]), "0:4:0");
  EXPECT_EQ(fake.messagePumps, 3);
}

TEST(AspiScan, TypeRequestThatNeverEndsIsSkippedAfterItsLimit) {
  FakeScsiSystem fake;
  fake.platformId = 1;
  fake.supportInfo = 1;
  FakeAspiDevice stuck = AspiDevice(0, 1, 0, kMakerDrive);
  stuck.pendingPolls = 1 << 30;
  fake.aspiDevices = {AspiDevice(0, 0, 0, kMakerDrive), stuck, AspiDevice(0, 2, 0, kMakerDrive)};
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, 2);
  EXPECT_EQ(Address(transport.drives[0]), "0:0:0");
  EXPECT_EQ(Address(transport.drives[1]), "0:2:0");
  // Waited for its stated limit, give or take the clock's readings.
  EXPECT_GE(fake.messagePumps, static_cast<int>(kDeviceTypeWaitMilliseconds) / 2 - 1);
  EXPECT_LE(fake.messagePumps, static_cast<int>(kDeviceTypeWaitMilliseconds));
}

TEST(AspiScan, DeviceWhoseInquiryFailsListsEmptyTexts) {
  FakeScsiSystem fake;
  fake.platformId = 1;
  fake.supportInfo = 1;
  FakeAspiDevice failing = AspiDevice(0, 1, 0, kMakerDrive);
  failing.answer.clear();
  failing.execStatus = SS_ERR;
  fake.aspiDevices = {AspiDevice(0, 0, 0, kMakerDrive), failing};
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, 2);
  EXPECT_STREQ(transport.drives[1].identification, "");
  EXPECT_STREQ(transport.drives[1].revision, "");
  std::string model, revision, dateCode;
  EXPECT_FALSE(transport.IdentifyDrive(1, model, revision, dateCode));
  EXPECT_TRUE(transport.IdentifyDrive(0, model, revision, dateCode));
}

TEST(AspiScan, MoreDevicesThanTheTableHoldsListsTheFirstThirty) {
  FakeScsiSystem fake;
  fake.platformId = 1;
  fake.supportInfo = 2;
  for (int adapter = 0; adapter < 2; ++adapter) {
    for (int target = 0; target < 8; ++target) {
      for (int lun = 0; lun < 8; ++lun) {
        fake.aspiDevices.push_back(AspiDevice(adapter, target, lun, kMakerDrive));
      }
    }
  }
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, scsi::ScsiTransport::kMaxDrives);
  EXPECT_EQ(Address(transport.drives[0]), "0:0:0");
  EXPECT_EQ(Address(transport.drives[29]), "0:3:5");
  EXPECT_EQ(fake.CountAspiRequests(SC_EXEC_SCSI_CMD), 30);
  // The state after the table is intact: commands still work.
  std::string model, revision, dateCode;
  EXPECT_TRUE(transport.IdentifyDrive(29, model, revision, dateCode));
  EXPECT_EQ(dateCode, "260115");
  EXPECT_FALSE(transport.IdentifyDrive(30, model, revision, dateCode));
}

TEST(SelectDrive, MakesTheRecordTheCurrentDrive) {
  FakeScsiSystem fake;
  fake.platformId = 1;
  fake.supportInfo = 2;
  fake.aspiDevices = {AspiDevice(0, 0, 0, kOtherDrive), AspiDevice(1, 6, 3, kOtherDrive)};
  scsi::ScsiTransport transport(fake);
  transport.SelectDrive(1);
  EXPECT_EQ(transport.currentAdapter, 1);
  EXPECT_EQ(transport.currentTarget, 6);
  EXPECT_EQ(transport.currentLun, 3);
  transport.SelectDrive(0);
  EXPECT_EQ(transport.currentAdapter, 0);
  EXPECT_EQ(transport.currentTarget, 0);
  // Indexes outside the table leave the selection alone.
  transport.SelectDrive(scsi::ScsiTransport::kMaxDrives);
  transport.SelectDrive(-1);
  EXPECT_EQ(transport.currentAdapter, 0);
}

struct IdentifyRow {
  const char* name;
  InquiryFields answer;
  bool accepted;
  std::string model, revision, dateCode;
};

const IdentifyRow kIdentifyRows[] = {
    {"model and revision end at a space", kMakerDrive, true, "ABC-1234", "1.10", "260115"},
    {"fifth revision byte belongs to it", {"VORN    ", "ABC-1234        ", "1.10X", "AB/CD/E"},
     true, "ABC-1234", "1.10X", "ABCDE"},
    {"product starting with a space", {"VORN    ", " BC-1234        ", "1.10 ", "2026"}, true,
     " ", "1.10", "2026"},
    {"product filling all sixteen bytes", {"VORN    ", "ABCDEFGHIJKLMNOP", "1.10 ", ""}, true,
     "ABCDEFGHIJKLMNOP", "1.10", ""},
    {"no product text", {"VORN    ", "", "", ""}, true, "", "", ""},
    {"revision starting with a space", {"VORN    ", "X", " 1.0 ", ""}, true, "X", " ", ""},
    {"date code stops at a NUL", {"VORN    ", "X", "1", std::string("12\0/45", 6)}, true, "X", "1",
     "12"},
    {"date code is seven bytes", {"VORN    ", "X", "1", "1234567890"}, true, "X", "1", "1234567"},
    {"date code keeps other characters", {"VORN    ", "X", "1", " -/./- "}, true, "X", "1",
     " -.- "},
    {"vendor in lower case", {"vorn    ", "ABC-1234        ", "1.10 ", "26/01/15"}, false, "", "",
     ""},
    {"other vendor", kOtherDrive, false, "", "", ""},
    {"shorter vendor", {"VOR", "", "", ""}, false, "", "", ""},
};

TEST(IdentifyDrive, TakesModelRevisionAndDateCodeOfTheMakersDrives) {
  for (const IdentifyRow& row : kIdentifyRows) {
    SCOPED_TRACE(row.name);
    FakeScsiSystem fake;
    fake.platformId = 1;
    fake.supportInfo = 1;
    fake.aspiDevices = {AspiDevice(0, 0, 0, kOtherDrive), AspiDevice(0, 5, 2, row.answer)};
    scsi::ScsiTransport transport(fake);
    ASSERT_EQ(transport.driveCount, 2);
    transport.SelectDrive(0);
    const std::size_t sent = fake.aspiRequests.size();

    std::string model = "untouched", revision = "untouched", dateCode = "untouched";
    EXPECT_EQ(transport.IdentifyDrive(1, model, revision, dateCode), row.accepted);
    if (row.accepted) {
      EXPECT_EQ(model, row.model);
      EXPECT_EQ(revision, row.revision);
      EXPECT_EQ(dateCode, row.dateCode);
      // One fresh INQUIRY went to the drive, which is now the current one.
      ASSERT_EQ(fake.aspiRequests.size(), sent + 1);
      EXPECT_EQ(fake.aspiRequests.back().command, SC_EXEC_SCSI_CMD);
      EXPECT_EQ(fake.aspiRequests.back().target, 5);
      EXPECT_EQ(fake.aspiRequests.back().lun, 2);
      EXPECT_EQ(transport.currentTarget, 5);
    } else {
      EXPECT_EQ(model, "untouched");
      EXPECT_EQ(revision, "untouched");
      EXPECT_EQ(dateCode, "untouched");
      EXPECT_EQ(fake.aspiRequests.size(), sent);
      EXPECT_EQ(transport.currentTarget, 0);
    }
  }
}

TEST(IdentifyDrive, AsksTheDrivesOwnHandleOnThePassThroughSide) {
  FakeScsiSystem fake;
  fake.letters['E'] = LetterDrive(kOtherDrive);
  fake.letters['G'] = LetterDrive(kMakerDrive);
  scsi::ScsiTransport transport(fake);
  ASSERT_EQ(transport.driveCount, 2);
  std::string model, revision, dateCode;
  ASSERT_TRUE(transport.IdentifyDrive(1, model, revision, dateCode));
  EXPECT_EQ(model, "ABC-1234");
  EXPECT_EQ(dateCode, "260115");
  EXPECT_EQ(fake.passThroughDevices.back(), FakeScsiSystem::LetterHandle('G'));
  EXPECT_EQ(transport.currentHandle, FakeScsiSystem::LetterHandle('G'));
}

TEST(IdentifyDrive, DateCodeBufferIsClearedBeforeItsInquiry) {
  // The drive answers only 40 bytes now: the date code bytes must read as
  // zeros, not as whatever an earlier answer left.
  FakeScsiSystem fake;
  fake.letters['D'] = LetterDrive(kMakerDrive);
  scsi::ScsiTransport transport(fake);
  fake.letters['D'].answer.resize(40);
  std::string model, revision, dateCode;
  ASSERT_TRUE(transport.IdentifyDrive(0, model, revision, dateCode));
  EXPECT_EQ(dateCode, "");
}

TEST(IdentifyDrive, RefusesIndexesOutsideTheList) {
  FakeScsiSystem fake;
  fake.letters['D'] = LetterDrive(kMakerDrive);
  scsi::ScsiTransport transport(fake);
  std::string model, revision, dateCode;
  EXPECT_FALSE(transport.IdentifyDrive(1, model, revision, dateCode));
  EXPECT_FALSE(transport.IdentifyDrive(-1, model, revision, dateCode));
  EXPECT_EQ(fake.passThroughRequests.size(), 1u);
}

}  // namespace
