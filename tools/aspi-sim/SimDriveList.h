// The simulated drives of the stand-in ASPI library, read from a small text
// file. One device a line:
//
//   <adapter> <target> <lun> <device type> |<vendor>|<product>|<revision>|<date code>|<options>
//
// Numbers are decimal. The texts go into the device's INQUIRY answer byte for
// byte: vendor (padded with spaces to 8), product (to 16), revision (to 4;
// a fifth character fills the byte after it, otherwise a space), date code at
// byte 40 (at most 20 characters, NUL after it). When no text has a space,
// the bars may be left out:
//
//   <adapter> <target> <lun> <device type> <vendor> <product> <revision> <date code> [<options>]
//
// The options are words separated by spaces, in any order, each at most once:
//   <delay ms>     every request to the device stays pending that many
//                  milliseconds before it completes; "never" in its place
//                  makes a device whose requests stay pending for good (an
//                  abort is accepted but ends nothing);
//   empty | disc | tray-open
//                  the medium: no disc (the default), a disc loaded, or the
//                  tray open;
//   busy=<count>   the drive answers "not ready, long write in progress" to
//                  the next <count> TEST UNIT READY commands; busy=always
//                  never stops.
// For example:
//
//   0 2 0 5 |VORN|QX-1234A|1.20|030101|250 disc busy=2
//
// Also allowed:
//
//   adapters <count>     the host adapter count (default: highest adapter + 1)
//   # comment, and blank lines
//
// Lines that do not parse are reported and skipped.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace aspisim {

// The delay of a device whose requests never end.
inline constexpr unsigned kNeverEnds = ~0u;
// The busy count of a drive that is never ready.
inline constexpr unsigned kBusyAlways = ~0u;
// The ASCQ of a busy drive's "not ready" (ASC 04h).
inline constexpr std::uint8_t kOperationInProgress = 0x07;
inline constexpr std::uint8_t kLongWriteInProgress = 0x08;

enum class Medium { kEmpty, kDisc, kTrayOpen };

struct SimDrive {
  int adapter = 0;
  int target = 0;
  int lun = 0;
  int deviceType = 5;
  std::string vendor, product, revision, dateCode;
  unsigned delayMs = 0;
  Medium medium = Medium::kEmpty;
  unsigned busy = 0;  // TEST UNIT READY commands still answered "not ready" with busyAscq
  // What the drive is busy with, as the ASCQ of its "not ready" (ASC 04h):
  // a long write (the drives file's busy=), or an operation such as a format
  // (kOperationInProgress, for tests).
  std::uint8_t busyAscq = kLongWriteInProgress;
};

struct SimDriveList {
  int adapterCount = 0;
  std::vector<SimDrive> drives;
  std::vector<std::string> errors;  // "line N: reason"
};

SimDriveList ParseSimDrives(const std::string& text);

// The device's standard INQUIRY data (96 bytes).
std::vector<std::uint8_t> InquiryData(const SimDrive& drive);

// SCSI status bytes.
inline constexpr std::uint8_t kGood = 0x00;
inline constexpr std::uint8_t kCheckCondition = 0x02;

// What the device says to one command: its status and, with CHECK
// CONDITION, fixed-format sense data (response code 70h, key in byte 2,
// additional length 10, ASC and ASCQ in bytes 12 and 13); all zero with GOOD.
struct CommandAnswer {
  std::uint8_t status = kGood;
  std::array<std::uint8_t, 18> sense{};
};

// Answers the command whose CDB starts at `cdb` (at least 6 bytes) and
// changes the drive as the command does:
//   TEST UNIT READY (00h): busy: 02/04/busyAscq and one busy answer used up;
//     else a disc: GOOD; empty: 02/3A/01; tray open: 02/3A/02.
//   START STOP UNIT (1Bh): busy: 02/04/busyAscq (the count stays); with LoEj
//     (byte 4 bit 1) and Start (bit 0) clear the tray opens and the disc is
//     taken out; with LoEj and Start an open tray closes, empty; GOOD.
//   INQUIRY (12h): GOOD (the data is InquiryData).
//   anything else: 05/20/00 (invalid command).
CommandAnswer AnswerCommand(SimDrive& drive, const std::uint8_t* cdb);

}  // namespace aspisim

namespace aspisim {

// The device as one line of the drives file (bar form, no line end).
std::string FormatSimDrive(const SimDrive& drive);

// The drives file `text` with every device whose product is `product` given
// `revision`, or taken out when `remove` is set; every other line stays as
// it was. The demo flasher "flashes" a simulated drive with it.
std::string ChangeSimDrives(const std::string& text, const std::string& product, const std::string& revision,
                            bool remove = false);

// A Unix absolute path as Wine's Z: drive sees it ("/a/b" -> "Z:\a\b");
// any other path unchanged. The tests name the drives file by its Unix path.
std::string WinePath(std::string path);

// The stand-ins' logs, one line a request: a device's address as
// "adapter:target:lun", a byte as "0xNN". AppendLogLine adds `line` to the
// file at `path` (nothing when `path` is empty).
std::string LogAddress(int adapter, int target, int lun);
std::string LogHex(unsigned value);
void AppendLogLine(const std::string& path, const std::string& line);

}  // namespace aspisim
