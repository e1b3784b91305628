// One entry of the firmware catalogue and the parsing of one entry from the
// catalogue text.
//
// Grammar of an entry: every token from the end of the previous entry (or
// from the section's model name) up to and including "<~item>". Tags are
// whole tokens, compared byte for byte; each is followed by one value token,
// except "<fw" and "<compare", which are followed by a word that completes the
// tag (read and discarded) and then the value, and the two description tags,
// which are followed by raw text up to the next "<" whatever the user's
// language (the other language's text is read and dropped, so that every
// language sees the same tags). "<sha256>" is followed by
// the 64 hexadecimal digits of the firmware file's SHA-256; readers that do not
// know the tag pass over it and its value as unrecognised tokens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Language.h"

namespace catalogue {

class CatalogueReader;

// The language identifier that selects the Chinese description and texts
// (kLanguageIdChineseTaiwan); every other value gets English.
constexpr std::uint16_t kChineseTaiwan = framework::kLanguageIdChineseTaiwan;

struct FirmwareItem {
  // Takes `language` from the user's language identifier. A copy is a new
  // item and takes it afresh too; every other field is copied.
  FirmwareItem();
  FirmwareItem(const FirmwareItem& other);
  FirmwareItem(FirmwareItem&& other) noexcept;
  FirmwareItem& operator=(const FirmwareItem& other);
  FirmwareItem& operator=(FirmwareItem&& other) noexcept;

  // The question shown before a download: the beginning text of the item's
  // language, the description segments joined with nothing between them,
  // then the end text. Chinese texts are in code page 950.
  std::string ConfirmationText() const;

  std::uint16_t language;
  std::string fileName;   // the part of `path` after its last "/"
  std::string compareBy;  // "version": compare versions; anything else: date codes
  std::string name = "Firmware";
  std::string vendor;
  std::string version;
  std::string dateCode;
  std::string path;       // remote path on the FTP server
  std::string parameter;  // kept for the flasher, not interpreted
  std::string size;       // text, never converted to a number
  std::string sha256;     // hexadecimal SHA-256 of the firmware file; empty: none given
  std::vector<std::string> description;  // segments in the item's language
};

// How ParseItem ended; the numbers are what callers receive.
enum ParseOutcome : int {
  ItemEnd = 100,   // "<~item>" closed the entry: the item is complete
  ModelEnd = 101,  // "<~model>" came first: the item is to be dropped
  FileEnd = 102,   // no further token: the item is to be dropped
};

// Whether `text` is the 64 hexadecimal digits of a SHA-256 digest.
bool IsSha256Hex(const std::string& text);

// The entry's <size> in bytes when the publishing tool wrote it, together
// with the file's SHA-256 (older catalogues give sizes in other ways); 0
// otherwise.
std::uint64_t StampedSize(const FirmwareItem& item);

// What ParseItem met that the item itself does not show: the checks made
// before a catalogue is published (tools/catalogue-check) read it.
struct ItemReading {
  int tags = 0;          // tags taken, "<~item>" and "<~model>" not counted
  int pathTags = 0;      // "<fw" tags; the item keeps the last one's path
  bool pathCut = false;  // that path was longer than kMaxTokenLength: kept cut short
  bool modelTag = false; // a "<model>" came before the entry's end, passed over
};

// Reads tokens into `item` until the entry or the section is closed or the
// data ends. Unknown tokens are passed over; a value token is taken whatever
// it is, even when it looks like a tag. `reading`, when given, is filled in.
ParseOutcome ParseItem(FirmwareItem& item, CatalogueReader& input, ItemReading* reading = nullptr);

// Reads description text up to (not including) the next "<" and appends it to
// `description` as numbered-note segments: a segment ends before the digit of
// the next note's number (2 to 9), wherever that digit stands. The "<" is left
// unread so the next tag is read whole. Text that runs to the end of the data
// becomes a final segment.
void ReadDescription(std::vector<std::string>& description, CatalogueReader& input);

// Sets `fileName` to what follows the last "/" of `path`; a path without any
// "/" leaves it unchanged.
void ExtractFileName(FirmwareItem& item);

}  // namespace catalogue
