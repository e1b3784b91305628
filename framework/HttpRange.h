// The two HTTP response headers a resumed download depends on, read by
// small pure functions so that every platform's tests and the fuzzer reach
// them: Content-Length, and Content-Range as RFC 7233 writes it.
#pragma once

#include <cstdint>
#include <string>

namespace framework {

// The number `text` holds in decimal digits (spaces allowed around it, at
// most 19 digits, so that it fits); false for anything else.
bool ParseContentLength(const std::string& text, std::uint64_t& value);

// A Content-Range value:
//   "bytes FIRST-LAST/TOTAL"  the body holds bytes FIRST to LAST of TOTAL
//   "bytes FIRST-LAST/*"      the same, the whole size not told
//   "bytes */TOTAL"           nothing sent (a 416 answer): the size is TOTAL
struct ContentRange {
  bool satisfied = false;   // FIRST-LAST was given
  std::uint64_t first = 0;  // with `satisfied`
  std::uint64_t last = 0;   // with `satisfied`, inclusive
  bool totalKnown = false;  // TOTAL was given, not "*"
  std::uint64_t total = 0;  // with `totalKnown`
};

// Reads `text` into `range`. False for anything but the three forms above,
// and for ranges that contradict themselves: LAST before FIRST, LAST at or
// past TOTAL, "*/*".
bool ParseContentRange(const std::string& text, ContentRange& range);

}  // namespace framework
