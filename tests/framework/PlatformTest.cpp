#include "framework/Platform.h"

#include <cstdio>
#include <gtest/gtest.h>

#include "framework/HttpRange.h"

namespace {

TEST(Platform, LanguageOverrideReplacesAndRestoresTheSystemValue) {
  const std::uint16_t system = platform::UserLanguageId();
  platform::OverrideUserLanguageId(1028);
  EXPECT_EQ(platform::UserLanguageId(), 1028);
  platform::OverrideUserLanguageId(0);
  EXPECT_EQ(platform::UserLanguageId(), system);
}

// Read back whole (longer than one read, NUL bytes included) while the file
// exists; removed only once.
TEST(Platform, AFileIsReadWholeAndRemovedOnlyWhileItExists) {
  const std::string path = "platform_test_file.tmp";
  std::string written(200000, 'x');
  written[3] = '\0';
  written.back() = '\n';
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(written.data(), 1, written.size(), f);
  std::fclose(f);
  EXPECT_TRUE(platform::FileExists(path));
  std::string read = "stale";
  EXPECT_TRUE(platform::ReadWholeFile(path, read));
  EXPECT_EQ(read, written);
  EXPECT_TRUE(platform::RemoveFile(path));
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_FALSE(platform::RemoveFile(path));
  EXPECT_FALSE(platform::ReadWholeFile(path, read));
  EXPECT_TRUE(read.empty());
}

// The three forms of Content-Range a resumed download reads, and nothing
// that contradicts itself or holds a number too long for a file's size.
TEST(HttpRange, ContentRangeIsTakenOnlyWhenWellFormedAndConsistent) {
  const struct {
    const char* text;
    std::uint64_t first, last, total;  // total 0: "*"
  } taken[] = {
      {"bytes 300000-999999/1000000", 300000, 999999, 1000000},
      {"bytes 0-0/1", 0, 0, 1},
      {"bytes 150000-299999/*", 150000, 299999, 0},
      {"bytes */300000", 0, 0, 300000},
      {"bytes 0-9999999999999999999/*", 0, 9999999999999999999u, 0},
  };
  for (const auto& row : taken) {
    SCOPED_TRACE(row.text);
    framework::ContentRange range;
    ASSERT_TRUE(framework::ParseContentRange(row.text, range));
    EXPECT_EQ(range.satisfied, row.text[6] != '*');
    EXPECT_EQ(range.totalKnown, row.total != 0);
    EXPECT_EQ(range.first, row.first);
    EXPECT_EQ(range.last, row.last);
    EXPECT_EQ(range.total, row.total);
  }
  for (const char* text : {"bytes 300000-999999/1000", "bytes 1000-1000/1000", "bytes 5-4/10",
                           "bytes 0-99999999999999999999/*", "bytes */*", "bytes 0-9", "bytes 0-9/10 ",
                           "bits 0-9/10", "bytes -9/10", "bytes 0--9/10", "bytes 0-9/1x", ""}) {
    framework::ContentRange range;
    EXPECT_FALSE(framework::ParseContentRange(text, range)) << text;
  }
}

}  // namespace
