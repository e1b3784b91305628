#include "framework/Platform.h"

#include <cstdio>
#include <gtest/gtest.h>

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

}  // namespace
