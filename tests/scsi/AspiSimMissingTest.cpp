// End to end under Wine in the Windows 98 setting with WNASPI32.DLL refused
// by the loader: the missing library is recorded once and no drive is listed.
#include <gtest/gtest.h>

#include "scsi/ScsiTransport.h"
#include "tests/scsi/RecordingScsiSystem.h"

namespace {

TEST(AspiSimEndToEnd, MissingLibraryIsReportedOnceAndListsNoDrive) {
  RecordingScsiSystem system;
  scsi::ScsiTransport transport(system);
  ASSERT_FALSE(transport.isNt) << "run this test in the win98 setting (install-aspi-sim.sh)";
  EXPECT_EQ(transport.TakeProblems(),
            scsi::DriveProblems{{scsi::ProblemCause::AspiLibraryMissing}});
  EXPECT_EQ(transport.driveCount, 0);
  EXPECT_EQ(transport.aspiLibrary, nullptr);
  std::string model, revision, dateCode;
  EXPECT_FALSE(transport.IdentifyDrive(0, model, revision, dateCode));
}

}  // namespace
