#include "catalogue/CatalogueIssue.h"

#include <cstring>
#include <string_view>

#include "catalogue/FirmwareCatalogue.h"
#include "framework/File.h"
#include "framework/Platform.h"

namespace catalogue {

namespace {

constexpr std::size_t kMaxSerialDigits = 18;  // below 2^63: no overflow
constexpr const char* kSerialFileName = "CatalogueSerial.txt";

constexpr bool IsWhite(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The next token of `text` from `at`, or an empty view at the end.
std::string_view NextToken(std::string_view text, std::size_t& at) {
  while (at < text.size() && IsWhite(static_cast<unsigned char>(text[at]))) ++at;
  const std::size_t start = at;
  while (at < text.size() && !IsWhite(static_cast<unsigned char>(text[at]))) ++at;
  return text.substr(start, at - start);
}

// The value of a header field: the next token of `text` from `at` on the
// same line. Empty where the line or the text ends first, or where the next
// token is a tag: the field has no value of its own.
std::string_view FieldValue(std::string_view text, std::size_t& at) {
  while (at < text.size() && !IsLineEnd(text[at]) && IsWhite(static_cast<unsigned char>(text[at]))) ++at;
  if (at == text.size() || IsLineEnd(text[at]) || text[at] == '<') return std::string_view();
  return NextToken(text, at);
}

bool ParseSerial(std::string_view text, std::uint64_t& serial) {
  if (text.empty() || text.size() > kMaxSerialDigits) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  serial = value;
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// Days since 1970-01-01 of a "YYYY-MM-DD" at the start of `text`; false when
// it is no such date.
bool DayNumber(std::string_view text, long& days) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigit(text[i])) return false;
  }
  const int year = Number(text.substr(0, 4)), month = Number(text.substr(5, 2)), day = Number(text.substr(8, 2));
  static constexpr int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || day > kMonthDays[month - 1] || (month == 2 && day == 29 && !leap)) {
    return false;
  }
  // The proleptic Gregorian day count, with years starting in March.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = y / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  days = static_cast<long>(era) * 146097 + dayOfEra - 719468;
  return true;
}

}  // namespace

CatalogueIssue ReadCatalogueIssue(const std::string& bytes) {
  std::string_view text(bytes);
  if (const void* end = std::memchr(bytes.data(), 0x1A, bytes.size())) {
    text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(end) - bytes.data()));
  }
  CatalogueIssue issue;
  std::size_t at = 0;
  for (std::string_view token = NextToken(text, at); !token.empty() && token != "<model>";
       token = NextToken(text, at)) {
    if (token != "<serial>" && token != "<issued>") continue;
    const std::string_view value = FieldValue(text, at);
    if (value.empty()) return CatalogueIssue();  // a malformed header lists no issue
    if (token == "<serial>") {
      if (!ParseSerial(value, issue.serial)) issue.serial = 0;
    } else {
      long days = 0;
      issue.issued = value.size() == 10 && DayNumber(value, days) ? std::string(value) : std::string();
    }
  }
  return issue;
}

bool IssueAgeDays(const std::string& issued, const std::string& today, long& days) {
  long from = 0, to = 0;
  if (issued.size() != 10 || !DayNumber(issued, from) || !DayNumber(today, to)) return false;
  days = to - from;
  return true;
}

std::string SerialFileBeside(const std::string& historyFile) {
  const std::string folder = platform::FolderPart(historyFile);
  return folder.empty() ? std::string() : folder + kSerialFileName;
}

std::uint64_t ReadAcceptedSerial(const std::string& path) {
  std::string bytes;
  if (path.empty() || !platform::ReadWholeFile(path, bytes)) return 0;
  std::size_t at = 0;
  std::uint64_t serial = 0;
  return ParseSerial(NextToken(bytes, at), serial) ? serial : 0;
}

bool RememberAcceptedSerial(const std::string& path, const FirmwareCatalogue& catalogue) {
  if (path.empty() || catalogue.trustedKeys.empty()) return false;
  if (catalogue.issue.serial <= ReadAcceptedSerial(path)) return false;
  const std::string text = std::to_string(catalogue.issue.serial) +
                           "\r\n# the highest serial of a catalogue this program has accepted\r\n";
  // A write cut short must never leave a file that reads as serial 0,
  // which would let any older catalogue in again.
  return platform::ReplaceWholeFile(path, text);
}

}  // namespace catalogue
