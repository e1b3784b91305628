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

TEST(Platform, RemoveFileDeletesOnlyWhatExists) {
  const std::string path = "platform_test_file.tmp";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_TRUE(platform::RemoveFile(path));
  EXPECT_FALSE(platform::FileExists(path));
  EXPECT_FALSE(platform::RemoveFile(path));
}

}  // namespace
