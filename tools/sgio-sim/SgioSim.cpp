// The pass-through stand-in: a library preloaded into Wine's processes
// (LD_PRELOAD) that answers Linux's SG_IO ioctl for files marked as simulated
// optical drives, with the devices of the ASPI stand-in's drives file
// (tools/aspi-sim/SimDriveList.h). Wine carries
// DeviceIoControl(IOCTL_SCSI_PASS_THROUGH_DIRECT) on \\.\D: to SG_IO on the
// Unix file behind the drive letter (the prefix's dosdevices/d::), after no
// other check of that file than fstat, so with this library the NT line finds
// simulated drives. install-sgio-sim.sh gives marked files their letters.
//
// A marked file's first line:
//   vorn-sim-drive <adapter>:<target>:<lun> <drives file>
// The device at that address in the drives file (an absolute Unix path)
// answers for the file. The drives file is read at every request and taken
// anew whenever its text has changed, so a rewritten revision shows at the
// next command; what commands changed (medium, busy count) is then as the
// file says again.
// A marked file whose device is not listed fails SG_IO with ENODEV, as a
// drive that is gone. Every other ioctl, and SG_IO on any other file, goes
// to the system.
//
// The answers are the ASPI stand-in's (aspisim::AnswerCommand, InquiryData)
// as Linux's SG_IO gives them: GOOD with status 0; CHECK CONDITION with
// status 02h, masked status 01h, driver status DRIVER_SENSE, info
// SG_INFO_CHECK and the fixed-format sense data in sbp (sb_len_wr: its 18
// bytes, or mx_sb_len when smaller). INQUIRY fills the data buffer up to its
// allocation length; resid is what was not transferred. A device's delay
// holds the request that many milliseconds. A delay longer than the
// request's time-out (sg_io_hdr.timeout; 0: Linux's default of 60 s), or
// "never", holds it for the time-out and ends it as Linux ends a command that
// timed out: the ioctl returns 0 with host status DID_TIME_OUT, no SCSI
// status and nothing transferred. The command changes the drive when it
// arrives, as in the ASPI stand-in.
//
// VORN_SGIO_LOG names a file that gets a line per request, in the ASPI
// stand-in's words: "exec 0:1:0 cdb 0x00 -> 0x02 sense 02/3A/01",
// "exec 0:2:0 cdb 0x12 -> timed out", "exec 0:5:0 -> no device".
#include <dlfcn.h>
#include <scsi/sg.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tools/aspi-sim/SimDriveList.h"

namespace {

using aspisim::SimDrive;

constexpr char kMarker[] = "vorn-sim-drive ";
constexpr unsigned short kDidTimeOut = 0x03;   // host status
constexpr unsigned short kDriverSense = 0x08;  // driver status
constexpr unsigned kDefaultTimeoutMs = 60000;

struct Marker {
  int adapter = 0, target = 0, lun = 0;
  std::string drivesFile;
};

// A drives file as last read.
struct LoadedList {
  std::string text;
  aspisim::SimDriveList list;
};

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

void Log(const std::string& line) {
  const char* path = std::getenv("VORN_SGIO_LOG");
  aspisim::AppendLogLine(path != nullptr ? path : "", line);
}

// The marker of the regular file open as `fd`, read through a descriptor of
// its own (Wine's may be open for writing only, or at another offset).
bool ReadMarker(int fd, Marker& marker) {
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  std::ifstream file(path);
  std::string line;
  if (!std::getline(file, line) || line.compare(0, sizeof kMarker - 1, kMarker) != 0) return false;
  std::istringstream words(line.substr(sizeof kMarker - 1));
  char colon1 = 0, colon2 = 0;
  words >> marker.adapter >> colon1 >> marker.target >> colon2 >> marker.lun >> std::ws;
  return std::getline(words, marker.drivesFile) && colon1 == ':' && colon2 == ':';
}

// The listed device the marker names, from the drives file read again when
// its text has changed; null when it lists none. Called with the lock held.
SimDrive* FindDrive(const Marker& marker) {
  static std::map<std::string, LoadedList> lists;
  std::ifstream file(marker.drivesFile, std::ios::binary);
  if (!file) {
    Log("drives file not found: " + marker.drivesFile);
    return nullptr;
  }
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  LoadedList& loaded = lists[marker.drivesFile];
  if (text != loaded.text) {
    loaded.list = aspisim::ParseSimDrives(text);
    loaded.text = std::move(text);
    Log("drives file " + marker.drivesFile + ": " + std::to_string(loaded.list.drives.size()) + " devices");
    for (const std::string& error : loaded.list.errors) Log("drives file " + error);
  }
  for (SimDrive& drive : loaded.list.drives) {
    if (drive.adapter == marker.adapter && drive.target == marker.target && drive.lun == marker.lun) return &drive;
  }
  return nullptr;
}

// What Linux refuses before it sends a request: the errno, or 0.
int CheckRequest(const sg_io_hdr& request) {
  if (request.interface_id != 'S' || request.cmd_len < 6 || request.cmd_len > 16) return EINVAL;
  if (request.cmdp == nullptr || (request.dxfer_len != 0 && request.dxferp == nullptr)) return EFAULT;
  return 0;
}

// A request's answer, decided when it arrives.
struct Reply {
  aspisim::CommandAnswer answer;
  std::vector<std::uint8_t> data;  // what goes to the data buffer
  unsigned holdMs = 0;
  bool timedOut = false;
};

Reply Decide(SimDrive& drive, const sg_io_hdr& request) {
  Reply reply;
  reply.answer = aspisim::AnswerCommand(drive, request.cmdp);
  const bool dataIn = request.dxfer_direction == SG_DXFER_FROM_DEV || request.dxfer_direction == SG_DXFER_TO_FROM_DEV;
  if (request.cmdp[0] == 0x12 && dataIn) {
    reply.data = aspisim::InquiryData(drive);
    const std::size_t allocation = (request.cmdp[3] << 8) | request.cmdp[4];
    reply.data.resize(std::min({reply.data.size(), allocation, static_cast<std::size_t>(request.dxfer_len)}));
  }
  const unsigned timeout = request.timeout != 0 ? request.timeout : kDefaultTimeoutMs;
  reply.timedOut = drive.delayMs > timeout;
  reply.holdMs = reply.timedOut ? timeout : drive.delayMs;
  return reply;
}

// Writes the reply into the request as SG_IO leaves it.
void Deliver(const Reply& reply, unsigned elapsedMs, sg_io_hdr& request) {
  request.status = request.masked_status = request.msg_status = request.sb_len_wr = 0;
  request.host_status = request.driver_status = 0;
  request.duration = elapsedMs;
  request.resid = static_cast<int>(request.dxfer_len);
  request.info = SG_INFO_CHECK;
  if (reply.timedOut) {
    request.host_status = kDidTimeOut;
    return;
  }
  if (!reply.data.empty()) std::memcpy(request.dxferp, reply.data.data(), reply.data.size());
  request.resid -= static_cast<int>(reply.data.size());
  request.status = reply.answer.status;
  request.masked_status = static_cast<unsigned char>((reply.answer.status >> 1) & 0x7F);
  if (reply.answer.status == aspisim::kCheckCondition) {
    request.driver_status = kDriverSense;
    const std::size_t length = std::min<std::size_t>(request.mx_sb_len, 8 + reply.answer.sense[7]);
    if (request.sbp != nullptr) std::memcpy(request.sbp, reply.answer.sense.data(), length);
    request.sb_len_wr = static_cast<unsigned char>(request.sbp != nullptr ? length : 0);
  }
  if (request.masked_status == 0 && request.driver_status == 0) request.info = SG_INFO_OK;
}

std::string Outcome(const Reply& reply) {
  if (reply.timedOut) return "timed out";
  std::string text = aspisim::LogHex(reply.answer.status);
  if (reply.answer.status == aspisim::kCheckCondition) {
    char sense[16];
    std::snprintf(sense, sizeof sense, " sense %02X/%02X/%02X", reply.answer.sense[2], reply.answer.sense[12],
                  reply.answer.sense[13]);
    text += sense;
  }
  return text;
}

// SG_IO on a marked file: the ioctl's result, errno set on failure.
int ServeRequest(const Marker& marker, sg_io_hdr& request) {
  const std::string address = aspisim::LogAddress(marker.adapter, marker.target, marker.lun);
  if (const int error = CheckRequest(request)) {
    errno = error;
    return -1;
  }
  Reply reply;
  {
    std::lock_guard<std::mutex> guard(Lock());
    SimDrive* drive = FindDrive(marker);
    if (drive == nullptr) {
      Log("exec " + address + " -> no device");
      errno = ENODEV;
      return -1;
    }
    reply = Decide(*drive, request);
  }
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(reply.holdMs));
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  Deliver(reply, static_cast<unsigned>(elapsed.count()), request);
  Log("exec " + address + " cdb " + aspisim::LogHex(request.cmdp[0]) + " -> " + Outcome(reply));
  return 0;
}

using IoctlFunction = int (*)(int, unsigned long, ...);

// SG_IO on a marked file is answered here; everything else goes to `system`.
int Intercept(IoctlFunction system, int fd, unsigned long request, void* argument) {
  Marker marker;
  if (request == SG_IO && argument != nullptr && ReadMarker(fd, marker)) {
    return ServeRequest(marker, *static_cast<sg_io_hdr*>(argument));
  }
  return system(fd, request, argument);
}

}  // namespace

// The 64-bit Wine calls ioctl; Debian's 32-bit Wine is built with 64-bit
// time and calls __ioctl_time64, glibc's ioctl for such programs. Each goes on
// to the system's function of its name.
extern "C" __attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
  static const auto system = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  return Intercept(system, fd, request, argument);
}

extern "C" __attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, ...) {
  static const auto system = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "__ioctl_time64"));
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  return Intercept(system, fd, request, argument);
}
