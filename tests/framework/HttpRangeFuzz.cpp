// libFuzzer target: reads arbitrary bytes as a Content-Range and a
// Content-Length value; whatever is taken must hold together, and reads
// back the same when written out again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/HttpRange.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  framework::ContentRange range;
  if (framework::ParseContentRange(text, range)) {
    if (!range.satisfied && !range.totalKnown) std::abort();
    if (range.satisfied && (range.last < range.first || (range.totalKnown && range.last >= range.total))) std::abort();
    const std::string again = "bytes " +
        (range.satisfied ? std::to_string(range.first) + "-" + std::to_string(range.last) : std::string("*")) + "/" +
        (range.totalKnown ? std::to_string(range.total) : std::string("*"));
    framework::ContentRange reread;
    if (!framework::ParseContentRange(again, reread) || reread.first != range.first || reread.last != range.last ||
        reread.total != range.total || reread.satisfied != range.satisfied || reread.totalKnown != range.totalKnown) {
      std::abort();
    }
  }
  // A length taken is its digits' number exactly: nothing dropped, nothing overflowed.
  std::uint64_t length = 0;
  if (framework::ParseContentLength(text, length)) {
    std::string digits;
    for (char c : text) digits += c == ' ' ? "" : std::string(1, c);
    digits.erase(0, digits.find_first_not_of('0'));
    if (digits != (length == 0 ? "" : std::to_string(length))) std::abort();
  }
  return 0;
}
