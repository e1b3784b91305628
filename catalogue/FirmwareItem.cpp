#include "catalogue/FirmwareItem.h"

#include <utility>

#include "catalogue/CatalogueReader.h"
#include "catalogue/Sha256.h"
#include "framework/Platform.h"

namespace catalogue {

namespace {

// The two ends of the confirmation question. The Chinese texts are code page
// 950 bytes.
constexpr const char* kEnglishBeginning = "New Firmware:\n";
constexpr const char* kEnglishEnd = "\nAre you going to download the selected firmware?";
// "新的韌體：\n"
constexpr const char* kChineseBeginning = "\xB7\x73\xAA\xBA\xB6\xB4\xC5\xE9\xA1\x47\n";
// "\n是否下載所選擇的韌體?"
constexpr const char* kChineseEnd =
    "\n\xAC\x4F\xA7\x5F\xA4\x55\xB8\xFC\xA9\xD2\xBF\xEF\xBE\xDC\xAA\xBA\xB6\xB4\xC5\xE9?";

}  // namespace

FirmwareItem::FirmwareItem() : language(platform::UserLanguageId()) {}

FirmwareItem::FirmwareItem(const FirmwareItem& other)
    : language(platform::UserLanguageId()),
      fileName(other.fileName),
      compareBy(other.compareBy),
      name(other.name),
      vendor(other.vendor),
      version(other.version),
      dateCode(other.dateCode),
      path(other.path),
      parameter(other.parameter),
      size(other.size),
      sha256(other.sha256),
      description(other.description) {}

FirmwareItem::FirmwareItem(FirmwareItem&& other) noexcept
    : language(platform::UserLanguageId()),
      fileName(std::move(other.fileName)),
      compareBy(std::move(other.compareBy)),
      name(std::move(other.name)),
      vendor(std::move(other.vendor)),
      version(std::move(other.version)),
      dateCode(std::move(other.dateCode)),
      path(std::move(other.path)),
      parameter(std::move(other.parameter)),
      size(std::move(other.size)),
      sha256(std::move(other.sha256)),
      description(std::move(other.description)) {}

FirmwareItem& FirmwareItem::operator=(const FirmwareItem& other) {
  FirmwareItem copy(other);
  return *this = std::move(copy);
}

// Assignment fills an existing item: it keeps its own language.
FirmwareItem& FirmwareItem::operator=(FirmwareItem&& other) noexcept {
  fileName = std::move(other.fileName);
  compareBy = std::move(other.compareBy);
  name = std::move(other.name);
  vendor = std::move(other.vendor);
  version = std::move(other.version);
  dateCode = std::move(other.dateCode);
  path = std::move(other.path);
  parameter = std::move(other.parameter);
  size = std::move(other.size);
  sha256 = std::move(other.sha256);
  description = std::move(other.description);
  return *this;
}

std::string FirmwareItem::ConfirmationText() const {
  const bool chinese = language == kChineseTaiwan;
  std::string text = chinese ? kChineseBeginning : kEnglishBeginning;
  for (const std::string& segment : description) text += segment;
  text += chinese ? kChineseEnd : kEnglishEnd;
  return text;
}

ParseOutcome ParseItem(FirmwareItem& item, CatalogueReader& input, ItemReading* reading) {
  std::string token;
  token.reserve(kMaxTokenLength);
  for (;;) {
    if (!ReadToken(input, token)) return FileEnd;
    // Every tag starts with "<"; most tokens of a file are plain words.
    if (token[0] != '<') continue;
    if (token == "<item>") {
      ReadToken(input, item.name);
    } else if (token == "<vendor>") {
      ReadToken(input, item.vendor);
    } else if (token == "<version>") {
      ReadToken(input, item.version);
    } else if (token == "<fw") {
      ReadToken(input, token);  // the word that completes the tag
      bool cut = false;
      ReadToken(input, item.path, kMaxTokenLength, &cut);
      if (reading != nullptr) {
        ++reading->pathTags;
        reading->pathCut = cut;
      }
      // A later "<fw" replaces the path, so the name of an earlier path must
      // not survive when the new one has no "/".
      item.fileName.clear();
      ExtractFileName(item);
    } else if (token == "<parameter>") {
      ReadToken(input, item.parameter);
    } else if (token == "<size>") {
      ReadToken(input, item.size);
    } else if (token == "<description>" || token == "<eng_description>") {
      // Both texts are read as text in every language, so that each ends at
      // the same "<" and the tags after it are the same for every user; only
      // the user's language keeps its text.
      const bool usersLanguage = (token == "<description>") == (item.language == kChineseTaiwan);
      std::vector<std::string> passedOver;
      ReadDescription(usersLanguage ? item.description : passedOver, input);
    } else if (token == "<datecode>") {
      ReadToken(input, item.dateCode);
    } else if (token == "<compare") {
      ReadToken(input, token);  // the word that completes the tag
      ReadToken(input, item.compareBy);
    } else if (token == "<sha256>") {
      ReadToken(input, item.sha256, kMaxHashLength);
    } else if (token == "<~item>") {
      return ItemEnd;
    } else if (token == "<~model>") {
      return ModelEnd;
    } else {
      // An unknown word. "<model>" here means the section before it was not
      // closed; it is passed over like any other word.
      if (reading != nullptr && token == "<model>") reading->modelTag = true;
      continue;
    }
    if (reading != nullptr) ++reading->tags;
  }
}

void ReadDescription(std::vector<std::string>& description, CatalogueReader& input) {
  // Only space, TAB and LF lead in; a lone CR is already text.
  int c = input.Get();
  while (c == ' ' || c == '\t' || c == '\n') c = input.Get();
  if (c == CatalogueReader::kEnd) return;
  input.Unget();
  if (c == '<') return;  // empty description: no segment

  int next = 2;  // number of the note whose digit ends the current segment
  std::string segment;
  for (;;) {
    // Scan the buffer for "<" or the next note's digit; past note 9 only "<"
    // ends the text.
    const char digit = next <= 9 ? static_cast<char>('0' + next) : '<';
    for (;;) {
      if (input.Available() == 0 && !input.Refill()) {
        description.push_back(std::move(segment));  // text ran to the end
        return;
      }
      const char* p = input.Current();
      const std::size_t available = input.Available();
      std::size_t i = 0;
      while (i < available && p[i] != '<' && p[i] != digit) ++i;
      segment.append(p, i);
      input.Advance(i);
      if (i < available) break;
    }
    description.push_back(std::move(segment));
    segment.clear();
    if (input.Peek() == '<') return;  // left unread for the next tag
    // The digit that ended the segment is the first byte of the next one.
    segment.push_back(static_cast<char>(input.Get()));
    ++next;
  }
}

bool IsSha256Hex(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (sha256::HexDigitValue(c) < 0) return false;
  }
  return true;
}

std::uint64_t StampedSize(const FirmwareItem& item) {
  if (!IsSha256Hex(item.sha256) || item.size.empty() || item.size.size() > 15) return 0;
  std::uint64_t bytes = 0;
  for (char c : item.size) {
    if (c < '0' || c > '9') return 0;
    bytes = bytes * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return bytes;
}

void ExtractFileName(FirmwareItem& item) {
  const std::string::size_type slash = item.path.rfind('/');
  if (slash != std::string::npos) item.fileName = item.path.substr(slash + 1);
}

}  // namespace catalogue
