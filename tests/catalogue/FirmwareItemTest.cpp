#include "catalogue/FirmwareItem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/CatalogueReader.h"
#include "framework/Platform.h"
#include "tests/common/ScopedLanguage.h"

namespace {

using catalogue::CatalogueReader;
using catalogue::ExtractFileName;
using catalogue::FileEnd;
using catalogue::FirmwareItem;
using catalogue::ItemEnd;
using catalogue::ModelEnd;
using catalogue::ParseItem;
using catalogue::ParseOutcome;
using catalogue::ReadDescription;
using catalogue::ReadToken;

using Segments = std::vector<std::string>;

using Language = ScopedLanguage;

struct Parsed {
  ParseOutcome outcome;
  FirmwareItem item;
  std::string next;  // the token after the entry, or "" at the end
};

Parsed Parse(const std::string& text, std::uint16_t language, std::size_t capacity = 64 * 1024) {
  Language lang(language);
  CatalogueReader reader(capacity);
  reader.OpenBytes(text);
  Parsed parsed{FileEnd, FirmwareItem(), ""};
  parsed.outcome = ParseItem(parsed.item, reader);
  ReadToken(reader, parsed.next);
  return parsed;
}

TEST(ParseItem, ReadsEveryFieldOfAFullEntry) {
  const std::string entry =
      "<item> Firmware\n<vendor> VORN\n<version> 1.30\n"
      "<fw location> pub/VORN/cdrom/QX-1234A/qx1234a_130.zip\n"
      "<parameter> -auto\n<size> 1250000\n"
      "<description>\n1 \xA4\xA4\xA4\xE5 one\n2 \xA4\xA4\xA4\xE5 two\n"
      "<eng_description>\n1 Better writing quality on high speed media.\n2 Adds new media codes.\n"
      "<datecode> 030512\n<compare mode> version\n<~item>\n<~model>\n";
  for (std::size_t capacity : {std::size_t{3}, std::size_t{64 * 1024}}) {
    const Parsed english = Parse(entry, 1033, capacity);
    EXPECT_EQ(english.outcome, ItemEnd);
    const FirmwareItem& item = english.item;
    EXPECT_EQ(item.language, 1033);
    EXPECT_EQ(item.name, "Firmware");
    EXPECT_EQ(item.vendor, "VORN");
    EXPECT_EQ(item.version, "1.30");
    EXPECT_EQ(item.path, "pub/VORN/cdrom/QX-1234A/qx1234a_130.zip");
    EXPECT_EQ(item.fileName, "qx1234a_130.zip");
    EXPECT_EQ(item.parameter, "-auto");
    EXPECT_EQ(item.size, "1250000");
    EXPECT_EQ(item.dateCode, "030512");
    EXPECT_EQ(item.compareBy, "version");
    EXPECT_EQ(item.description, (Segments{"1 Better writing quality on high speed media.\n",
                                          "2 Adds new media codes.\n"}));
    EXPECT_EQ(english.next, "<~model>");

    const Parsed chinese = Parse(entry, catalogue::kChineseTaiwan, capacity);
    EXPECT_EQ(chinese.outcome, ItemEnd);
    EXPECT_EQ(chinese.item.description,
              (Segments{"1 \xA4\xA4\xA4\xE5 one\n", "2 \xA4\xA4\xA4\xE5 two\n"}));
    EXPECT_EQ(chinese.item.dateCode, "030512");
  }
}

TEST(ParseItem, NewItemHasItsInitialValues) {
  Language lang(2052);
  const FirmwareItem item;
  EXPECT_EQ(item.language, 2052);
  EXPECT_EQ(item.name, "Firmware");
  for (const std::string* field : {&item.fileName, &item.compareBy, &item.vendor, &item.version,
                                   &item.dateCode, &item.path, &item.parameter, &item.size}) {
    EXPECT_EQ(*field, "");
  }
  EXPECT_TRUE(item.description.empty());
}

TEST(ParseItem, TagsAreWholeCaseSensitiveTokens) {
  struct Row {
    const char* text;
    ParseOutcome outcome;
    const char* version;
    const char* path;
    const char* compareBy;
    const char* next;
  } rows[] = {
      // Capital V: unrecognised, and its value is passed over as well.
      {"<Version> 1.30 <~item> x", ItemEnd, "", "", "", "x"},
      {"<version>1.30 <~item>", ItemEnd, "", "", "", ""},
      {"<fw> pub/a.zip <~item>", ItemEnd, "", "", "", ""},
      {"<fw any-word> pub/a.zip <~item>", ItemEnd, "", "pub/a.zip", "", ""},
      {"<fw\n\n>\tpub/a.zip <~item>", ItemEnd, "", "pub/a.zip", "", ""},
      {"<compare mode> version <~item>", ItemEnd, "", "", "version", ""},
      {"<compare> version <~item>", ItemEnd, "", "", "", ""},
      // A value is taken whatever it is: it does not close the entry.
      {"<version> <~item> <~item> y", ItemEnd, "<~item>", "", "", "y"},
      {"<version> <~model> <~model>", ModelEnd, "<~model>", "", "", ""},
      {"<fw <~item> <~item> <~item>", ItemEnd, "", "<~item>", "", ""},
      {"<compare <~item> <~model> <~item>", ItemEnd, "", "", "<~model>", ""},
      // A later value replaces the earlier one.
      {"<version> 1 <version> 2 <~item>", ItemEnd, "2", "", "", ""},
      // Sections do not nest: "<model>" and its name are ordinary words here.
      {"<model> QX <version> 3 <~item>", ItemEnd, "3", "", "", ""},
      {"<version> 1 <~model> <~item>", ModelEnd, "1", "", "", "<~item>"},
      {"<version> 1", FileEnd, "1", "", "", ""},
      {"<version>", FileEnd, "", "", "", ""},  // the value is missing at the end
      {"", FileEnd, "", "", "", ""},
      // Either description ends at a "<" inside a word, for every user.
      {"<description> x<fw y> pub/a.zip <eng_description> z<version> 2 <~item>", ItemEnd, "2", "pub/a.zip", "", ""},
  };
  for (const Row& row : rows) {
    for (const std::uint16_t language : {1033, 1028}) {
      const Parsed parsed = Parse(row.text, language);
      SCOPED_TRACE(std::string(row.text) + ", language " + std::to_string(language));
      EXPECT_EQ(parsed.outcome, row.outcome);
      EXPECT_EQ(parsed.item.version, row.version);
      EXPECT_EQ(parsed.item.path, row.path);
      EXPECT_EQ(parsed.item.compareBy, row.compareBy);
      EXPECT_EQ(parsed.item.name, "Firmware");
      EXPECT_EQ(parsed.next, row.next);
    }
  }
}

TEST(ParseItem, OnlyLanguage1028ReadsTheChineseDescription) {
  const std::string entry =
      "<description> 1 zh <eng_description> 1 en <~item>";
  struct Row {
    std::uint16_t language;
    Segments description;
  } rows[] = {
      {1028, {"1 zh "}},
      {1033, {"1 en "}},
      {2052, {"1 en "}},  // Chinese of mainland China reads English
      {0x0C04, {"1 en "}},
  };
  for (const Row& row : rows) {
    const Parsed parsed = Parse(entry, row.language);
    EXPECT_EQ(parsed.outcome, ItemEnd);
    EXPECT_EQ(parsed.item.description, row.description) << row.language;
  }

  // The other language's text is read as text as well and kept nowhere.
  const Parsed closed = Parse("<eng_description> 1 fixes <~item> early <datecode> 9 <~item>", 1028);
  EXPECT_EQ(closed.outcome, ItemEnd);
  EXPECT_TRUE(closed.item.description.empty());
  EXPECT_EQ(closed.item.dateCode, "");
  EXPECT_EQ(closed.next, "early");

  const Parsed chineseOnly = Parse("<description> 1 only <~item>", 1033);
  EXPECT_TRUE(chineseOnly.item.description.empty());
}

TEST(ReadDescription, SplitsNumberedNotes) {
  struct Row {
    const char* text;
    Segments segments;
    const char* next;
  } rows[] = {
      {"\n1 first\n2 second\n<datecode> 1", {"1 first\n", "2 second\n"}, "<datecode>"},
      {" 1 Fixes reading. <datecode>", {"1 Fixes reading. "}, "<datecode>"},
      // The next number's digit ends a segment wherever it stands.
      {"1 Supports 24x media\n<x>", {"1 Supports ", "24x media\n"}, "<x>"},
      // A digit that is not the next number is text.
      {"1 3x speed\n2 more\n<x>", {"1 3x speed\n", "2 more\n"}, "<x>"},
      // Starting with 2 gives an empty first segment.
      {"2 only\n<x>", {"", "2 only\n"}, "<x>"},
      {"<datecode> 1", {}, "<datecode>"},
      {"  \t\n <x>", {}, "<x>"},
      // "<" inside a word ends the text; the rest of the word is a token.
      {"1 abc<def ghi <x>", {"1 abc"}, "<def"},
      // Past the ninth note only "<" ends the text.
      {"1a 2b 3c 4d 5e 6f 7g 8h 9i 10j 2k 3l <x>",
       {"1a ", "2b ", "3c ", "4d ", "5e ", "6f ", "7g ", "8h ", "9i 10j 2k 3l "},
       "<x>"},
      // A lone CR is the first byte of the text; CR LF is an LF.
      {"\r1 a\r\n2 b\r\n<x>", {"\r1 a\n", "2 b\n"}, "<x>"},
      {"\x0B" "1 a <x>", {"\x0B" "1 a "}, "<x>"},  // VT is text, not lead-in
      // Text that runs to the end of the data stops there.
      {"1 never closed", {"1 never closed"}, ""},
      {"1 a 2 b", {"1 a ", "2 b"}, ""},
      {"   ", {}, ""},
  };
  for (const Row& row : rows) {
    for (std::size_t capacity : {std::size_t{2}, std::size_t{5}, std::size_t{64 * 1024}}) {
      Language lang(1033);
      CatalogueReader reader(capacity);
      reader.OpenBytes(row.text);
      FirmwareItem item;
      ReadDescription(item.description, reader);
      std::string next;
      ReadToken(reader, next);
      SCOPED_TRACE(testing::PrintToString(std::string(row.text)) + " capacity " +
                   std::to_string(capacity));
      EXPECT_EQ(item.description, row.segments);
      EXPECT_EQ(next, row.next);
    }
  }
}

TEST(ReadDescription, TwoDescriptionsAddTheirSegments) {
  const Parsed parsed =
      Parse("<eng_description> 1 a\n <size> 5 <eng_description> 1 b\n2 c <~item>", 1033);
  EXPECT_EQ(parsed.outcome, ItemEnd);
  EXPECT_EQ(parsed.item.description, (Segments{"1 a\n ", "1 b\n", "2 c "}));
  EXPECT_EQ(parsed.item.size, "5");
}

TEST(ParseItem, ASecondPathReplacesTheFileNameToo) {
  const Parsed parsed = Parse("<fw x> pub/a/old.zip <fw x> new.zip <~item>", 1033);
  EXPECT_EQ(parsed.item.path, "new.zip");
  EXPECT_EQ(parsed.item.fileName, "");  // not old.zip, which is not what path fetches
  const Parsed both = Parse("<fw x> pub/a/old.zip <fw x> pub/b/new.zip <~item>", 1033);
  EXPECT_EQ(both.item.fileName, "new.zip");
}

TEST(ExtractFileName, TakesWhatFollowsTheLastSlash) {
  struct Row {
    const char* path;
    const char* fileName;
  } rows[] = {
      {"pub/VORN/cdrom/QX-1234A/qx1234a_130.zip", "qx1234a_130.zip"},
      {"/top.zip", "top.zip"},
      {"pub/dir/", ""},
      {"/", ""},
      {"a//b", "b"},
      {"no-slash.zip", "before"},  // unchanged
      {"", "before"},
  };
  for (const Row& row : rows) {
    FirmwareItem item;
    item.fileName = "before";
    item.path = row.path;
    ExtractFileName(item);
    EXPECT_EQ(item.fileName, row.fileName) << row.path;
  }
}

TEST(FirmwareItem, ACopyTakesTheLanguageAfreshAndEveryOtherField) {
  FirmwareItem original = Parse("<version> 2 <fw x> a/b.zip <eng_description> 1 t <~item>", 1033).item;
  Language lang(1028);
  const FirmwareItem copy(original);
  EXPECT_EQ(copy.language, 1028);
  EXPECT_EQ(copy.version, "2");
  EXPECT_EQ(copy.fileName, "b.zip");
  EXPECT_EQ(copy.description, Segments{"1 t "});
  FirmwareItem assigned;
  assigned.language = 7;
  assigned = original;
  EXPECT_EQ(assigned.language, 7);  // assignment fills an existing item
  EXPECT_EQ(assigned.path, "a/b.zip");
}

TEST(ConfirmationText, EnglishLayout) {
  Language lang(1033);
  FirmwareItem item;
  item.description = {"1 first\n", "2 second\n"};
  EXPECT_EQ(item.ConfirmationText(),
            "New Firmware:\n1 first\n2 second\n\nAre you going to download the selected firmware?");
  item.description.clear();
  EXPECT_EQ(item.ConfirmationText(),
            "New Firmware:\n\nAre you going to download the selected firmware?");
}

// The Chinese texts in code page 950, as `iconv -f UTF-8 -t CP950` gives them
// for "新的韌體：\n" and "\n是否下載所選擇的韌體?".
std::string Hex(const char* hex) {
  std::string bytes;
  for (const char* p = hex; p[0] != '\0' && p[1] != '\0'; p += 2) {
    bytes.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
  }
  return bytes;
}

TEST(ConfirmationText, ChineseLayoutInCodePage950) {
  const std::string beginning = Hex("b773aabab6b4c5e9a1470a");
  const std::string end = Hex("0aac4fa75fa455b8fca9d2bfefbedcaabab6b4c5e93f");
  for (std::uint16_t id : {std::uint16_t{1028}, std::uint16_t{2052}}) {
    Language lang(id);
    FirmwareItem item;
    item.description = {"1 \xA4\xA4\n", "2 x\n"};
    const std::string expected =
        id == 1028 ? beginning + "1 \xA4\xA4\n2 x\n" + end
                   : "New Firmware:\n1 \xA4\xA4\n2 x\n\nAre you going to download the selected firmware?";
    EXPECT_EQ(item.ConfirmationText(), expected) << id;
  }
}

}  // namespace
