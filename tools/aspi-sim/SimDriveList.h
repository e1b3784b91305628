// The simulated drives of the stand-in ASPI library, read from a small text
// file. One device a line:
//
//   <adapter> <target> <lun> <device type> |<vendor>|<product>|<revision>|<date code>|<delay ms>
//
// Numbers are decimal. The texts go into the device's INQUIRY answer byte for
// byte: vendor (padded with spaces to 8), product (to 16), revision (to 4;
// a fifth character fills the byte after it, otherwise a space), date code at
// byte 40 (at most 20 characters, NUL after it). The delay is optional: with
// one, every request to the device stays pending that many milliseconds
// before it completes; "never" in its place makes a device whose requests
// stay pending for good (an abort is accepted but ends nothing). When no
// text has a space, the bars may be left out:
//
//   <adapter> <target> <lun> <device type> <vendor> <product> <revision> <date code> [<delay ms>]
//
// Also allowed:
//
//   adapters <count>     the host adapter count (default: highest adapter + 1)
//   # comment, and blank lines
//
// Lines that do not parse are reported and skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace aspisim {

// The delay of a device whose requests never end.
inline constexpr unsigned kNeverEnds = ~0u;

struct SimDrive {
  int adapter = 0;
  int target = 0;
  int lun = 0;
  int deviceType = 5;
  std::string vendor, product, revision, dateCode;
  unsigned delayMs = 0;
};

struct SimDriveList {
  int adapterCount = 0;
  std::vector<SimDrive> drives;
  std::vector<std::string> errors;  // "line N: reason"
};

SimDriveList ParseSimDrives(const std::string& text);

// The device's standard INQUIRY data (96 bytes).
std::vector<std::uint8_t> InquiryData(const SimDrive& drive);

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

}  // namespace aspisim
