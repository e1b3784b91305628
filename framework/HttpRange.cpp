#include "framework/HttpRange.h"

namespace framework {
namespace {

constexpr std::size_t kMostDigits = 19;  // 9999999999999999999 < 2^64

// Reads the decimal number at `at`, moving past it; false without a digit
// or with more than kMostDigits.
bool ReadNumber(const std::string& text, std::size_t& at, std::uint64_t& value) {
  const std::size_t first = at;
  value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    if (at - first == kMostDigits) return false;
    value = value * 10 + static_cast<std::uint64_t>(text[at] - '0');
  }
  return at > first;
}

// Reads `expected` at `at`, moving past it.
bool ReadChar(const std::string& text, std::size_t& at, char expected) {
  if (at >= text.size() || text[at] != expected) return false;
  ++at;
  return true;
}

}  // namespace

bool ParseContentLength(const std::string& text, std::uint64_t& value) {
  std::size_t at = text.find_first_not_of(' ');
  return at != std::string::npos && ReadNumber(text, at, value) && text.find_first_not_of(' ', at) == std::string::npos;
}

bool ParseContentRange(const std::string& text, ContentRange& range) {
  range = ContentRange();
  static const char kUnit[] = "bytes ";
  if (text.compare(0, sizeof kUnit - 1, kUnit) != 0) return false;
  std::size_t at = sizeof kUnit - 1;
  if (!ReadChar(text, at, '*')) {
    if (!ReadNumber(text, at, range.first) || !ReadChar(text, at, '-') || !ReadNumber(text, at, range.last)) {
      return false;
    }
    range.satisfied = true;
  }
  if (!ReadChar(text, at, '/')) return false;
  if (!ReadChar(text, at, '*')) {
    if (!ReadNumber(text, at, range.total)) return false;
    range.totalKnown = true;
  }
  if (at != text.size() || (!range.satisfied && !range.totalKnown)) return false;
  if (range.satisfied && range.last < range.first) return false;
  return !(range.satisfied && range.totalKnown && range.last >= range.total);
}

}  // namespace framework
