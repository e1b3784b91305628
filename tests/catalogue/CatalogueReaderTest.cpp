#include "catalogue/CatalogueReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using catalogue::CatalogueReader;
using catalogue::ReadToken;

// Buffer sizes that put a chunk boundary between every pair of bytes, in odd
// places, and nowhere at all.
const std::size_t kCapacities[] = {1, 2, 3, 5, 64 * 1024};

std::string ReadAll(const std::string& raw, std::size_t capacity) {
  CatalogueReader reader(capacity);
  reader.OpenBytes(raw);
  std::string out;
  for (int c = reader.Get(); c != CatalogueReader::kEnd; c = reader.Get()) {
    out.push_back(static_cast<char>(c));
  }
  return out;
}

std::vector<std::string> Tokens(const std::string& raw, std::size_t capacity) {
  CatalogueReader reader(capacity);
  reader.OpenBytes(raw);
  std::vector<std::string> tokens;
  std::string token;
  while (ReadToken(reader, token)) tokens.push_back(token);
  EXPECT_TRUE(token.empty());
  EXPECT_TRUE(reader.Failed());
  return tokens;
}

TEST(CatalogueReader, TextModeConversionHoldsAtEveryChunkBoundary) {
  struct Row {
    std::string raw, expected;
  } rows[] = {
      {"a\r\nb", "a\nb"},
      {"a\rb", "a\rb"},                 // a lone CR stays
      {"a\r", "a\r"},                   // also at the very end
      {"\r\r\n", "\r\n"},
      {"a\r\n\r\nb\r\n", "a\n\nb\n"},
      {"\n\r", "\n\r"},
      {"ab\x1A" "cd", "ab"},            // 0x1A ends the data
      {"\x1A" "abc", ""},
      {"a\r\x1A\n", "a\r"},             // CR before the end stays a CR
      {"a\r\x1A", "a\r"},
      {std::string("x\0y", 3), std::string("x\0y", 3)},
      {"\x80\xFF\xA4\x40", "\x80\xFF\xA4\x40"},  // high bytes unchanged
  };
  for (const Row& row : rows) {
    for (std::size_t capacity : kCapacities) {
      EXPECT_EQ(ReadAll(row.raw, capacity), row.expected)
          << "input " << testing::PrintToString(row.raw) << " capacity " << capacity;
    }
  }
}

TEST(CatalogueReader, PeekAndUngetDoNotConsume) {
  for (std::size_t capacity : kCapacities) {
    CatalogueReader reader(capacity);
    reader.OpenBytes("ab\r\nc");
    EXPECT_EQ(reader.Peek(), 'a');
    EXPECT_EQ(reader.Get(), 'a');
    EXPECT_EQ(reader.Get(), 'b');
    reader.Unget();
    EXPECT_EQ(reader.Get(), 'b');
    EXPECT_EQ(reader.Get(), '\n');
    reader.Unget();
    EXPECT_EQ(reader.Peek(), '\n');
    EXPECT_EQ(reader.Get(), '\n');
    EXPECT_EQ(reader.Get(), 'c');
    EXPECT_EQ(reader.Peek(), CatalogueReader::kEnd);
    EXPECT_EQ(reader.Get(), CatalogueReader::kEnd);
  }
}

TEST(CatalogueReader, TokensSplitOnEveryWhiteSpaceByteOnly) {
  const std::string long51(51, 'x');
  const std::string long52 = std::string(51, 'y') + "Z";
  // A long word whose tail would be a tag if it were read as a token.
  const std::string longWithTag = std::string(60, 'w') + "<~item>";
  struct Row {
    std::string raw;
    std::vector<std::string> tokens;
  } rows[] = {
      {"", {}},
      {" \t\n\v\f\r ", {}},
      {"a b\tc\nd\ve\ff\rg", {"a", "b", "c", "d", "e", "f", "g"}},
      {"  <model>  QX-1234A\r\n", {"<model>", "QX-1234A"}},
      {"\xA4\xA4\xA4\xE5 \x80\x85\xA0", {"\xA4\xA4\xA4\xE5", "\x80\x85\xA0"}},  // 0x85, 0xA0 are not white
      {"<fw>path", {"<fw>path"}},
      {"a\x1A b", {"a"}},
      {long51 + " next", {long51, "next"}},
      {long51, {long51}},  // ends exactly at the end of the data
      {long52 + " next", {std::string(51, 'y'), "next"}},
      {longWithTag + "\n<~model>", {std::string(51, 'w'), "<~model>"}},
      {std::string(5000, 'q'), {std::string(51, 'q')}},
  };
  for (const Row& row : rows) {
    for (std::size_t capacity : kCapacities) {
      EXPECT_EQ(Tokens(row.raw, capacity), row.tokens)
          << "input " << testing::PrintToString(row.raw.substr(0, 80)) << " capacity " << capacity;
    }
  }
}

// SkipToToken must find exactly the token that a ReadToken loop would find.
TEST(CatalogueReader, SkipToTokenAgreesWithReadingEveryToken) {
  const std::string inputs[] = {
      "<model>",
      "a <model> next",
      "x<model> <model>x <<model> <model>< <model> found",
      "words\r\n<model>\r\nQX-1 <~model>",
      "\r<model>\rQX",
      std::string(60, 'w') + "<model> after-long <model> second",
      std::string(51, 'w') + " <model> at-51",
      "<mode <model",
      "<model\x1A> <model>",
      "<m <mo <mod <mode <model <model> end",
      "",
      "   ",
  };
  for (const std::string& tag : {std::string("<model>"), std::string("<~model>")}) {
    for (const std::string& input : inputs) {
      for (std::size_t capacity : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7},
                                   std::size_t{64 * 1024}}) {
        CatalogueReader expected(capacity);
        expected.OpenBytes(input);
        std::string token;
        bool found = false;
        while (!found && ReadToken(expected, token)) found = token == tag;
        std::string expectedNext;
        ReadToken(expected, expectedNext);

        CatalogueReader skipped(capacity);
        skipped.OpenBytes(input);
        const bool skipFound = catalogue::SkipToToken(skipped, tag);
        EXPECT_EQ(skipped.Failed(), !skipFound);
        std::string next;
        ReadToken(skipped, next);
        SCOPED_TRACE(tag + " in " + testing::PrintToString(input) + " capacity " +
                     std::to_string(capacity));
        EXPECT_EQ(skipFound, found);
        EXPECT_EQ(next, expectedNext);
      }
    }
  }
}

TEST(CatalogueReader, TokenLeavesTheWhiteSpaceAfterItUnread) {
  CatalogueReader reader;
  reader.OpenBytes("<description>\n1 note");
  std::string token;
  ASSERT_TRUE(ReadToken(reader, token));
  EXPECT_EQ(token, "<description>");
  EXPECT_EQ(reader.Get(), '\n');
}

TEST(CatalogueReader, FailedStateReadsNothing) {
  CatalogueReader reader;
  EXPECT_FALSE(reader.Open("no such catalogue file.idx"));
  EXPECT_TRUE(reader.IsOpen());
  EXPECT_TRUE(reader.Failed());
  std::string token = "stale";
  EXPECT_FALSE(ReadToken(reader, token));
  EXPECT_EQ(token, "");
  EXPECT_EQ(reader.Peek(), CatalogueReader::kEnd);

  // Asking for a token at the end fails the reader even with bytes left over
  // from an earlier fill.
  reader.OpenBytes("one  ");
  ASSERT_TRUE(ReadToken(reader, token));
  EXPECT_FALSE(ReadToken(reader, token));
  EXPECT_TRUE(reader.Failed());
  EXPECT_EQ(reader.Get(), CatalogueReader::kEnd);
}

}  // namespace
