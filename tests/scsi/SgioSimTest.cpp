// The pass-through stand-in as Wine meets it: the built library's ioctl, sent
// SG_IO as Wine's CD-ROM code sends it, on a file marked as drive 0:1:0.
#include <dlfcn.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>

namespace {

struct Row {
  const char* options;  // of the drive; each row reads a new drives file
  std::uint8_t eject, cdb0, senseLength;  // eject: START STOP UNIT's byte 4, sent first
  unsigned timeout;
  const char* answer;  // status, masked, driver and host status, info, sb_len_wr, sense key/ASC/ASCQ, resid
};

const Row kRows[] = {
    {"disc", 0, 0, 24, 900, "00 00 0 0 0 0 00/00/00 0"}, {"", 0, 0, 24, 900, "02 01 8 0 1 18 02/3A/01 0"},
    {"disc busy=1", 0, 0, 24, 900, "02 01 8 0 1 18 02/04/08 0"}, {"", 0, 0, 8, 900, "02 01 8 0 1 8 02/00/00 0"},
    {"disc", 2, 0, 24, 900, "02 01 8 0 1 18 02/3A/02 0"}, {"disc 30", 0, 0x12, 24, 900, "00 00 0 0 0 0 00/00/00 46"},
    {"disc 5000", 0, 0, 24, 40, "00 00 0 3 1 0 00/00/00 0"}, {"never", 0, 0x12, 24, 40, "00 00 0 3 1 0 00/00/00 96"},
};

TEST(SgioSim, AnswersAsLinuxReturnsADrivesAnswer) {
  void* library = dlopen(SGIO_SIM_LIBRARY, RTLD_NOW);
  ASSERT_NE(library, nullptr) << dlerror();
  const auto ioctl = reinterpret_cast<int (*)(int, unsigned long, ...)>(dlsym(library, "ioctl"));
  char folder[4096];
  std::ofstream("sgio-drive") << "vorn-sim-drive 0:1:0 " << getcwd(folder, 4096) << "/sgio-drives.txt";
  const int fd = open("sgio-drive", O_RDWR), other = open("sgio-other.txt", O_RDWR | O_CREAT, 0600);
  std::uint8_t cdb[12] = {}, sense[24], data[96];
  sg_io_hdr request{};
  for (const Row& row : kRows) {
    std::ofstream("sgio-drives.txt") << "# " << &row - kRows << "\n0 1 0 5 |VORN|QX-1234A|1.20|03/0101|" << row.options;
    const bool in = row.cdb0 == 0x12;  // INQUIRY: 96 bytes asked for, 50 allowed
    request = {'S', in ? SG_DXFER_FROM_DEV : SG_DXFER_NONE, 12, row.senseLength, 0, in ? 96u : 0, data, cdb, sense,
               row.timeout, 0, 0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    cdb[0] = 0x1B, cdb[4] = row.eject;
    if (row.eject != 0) ASSERT_EQ(ioctl(fd, SG_IO, &request), 0);
    cdb[0] = row.cdb0, cdb[4] = 50;
    std::fill(sense, sense + 24, 0), std::fill(data, data + 96, 0);
    ASSERT_EQ(ioctl(fd, SG_IO, &request), 0);
    char answer[64];
    std::snprintf(answer, sizeof answer, "%02X %02X %X %X %X %d %02X/%02X/%02X %d", request.status,
                  request.masked_status, request.driver_status, request.host_status, request.info, request.sb_len_wr,
                  sense[2], sense[12], sense[13], request.resid);
    EXPECT_STREQ(answer, row.answer);
    if (request.host_status != 0) EXPECT_GE(request.duration, row.timeout);
    const std::string inquiry(reinterpret_cast<char*>(data) + 8, 42);  // vendor to the date code's end
    if (request.resid == 46) EXPECT_EQ(inquiry, std::string("VORN    QX-1234A        1.20 \0\0\0" "03/0101\0\0\0", 42));
  }
  std::ofstream("sgio-drives.txt") << "0 2 0 5 |VORN|QX-1234A|1.20|03/0101|";
  EXPECT_EQ(ioctl(fd, SG_IO, &request) == -1 ? errno : 0, ENODEV) << "a marked file whose drive is not listed";
  EXPECT_EQ(ioctl(other, SG_IO, &request) == -1 ? errno : 0, ENOTTY) << "a file not marked goes to the system";
  close(fd), close(other), dlclose(library);
}

}  // namespace
