#include "catalogue/PartialPath.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "framework/Platform.h"
#include "tests/common/TestFiles.h"

namespace {

using catalogue::KeptPartialPath;
using catalogue::ReservePartialFile;

// The kept partial file is named by the hash alone, whatever its case; no
// other text becomes a file name.
TEST(KeptPartialPath, NamesTheFileByItsListedHashOnly) {
  const std::string hash(64, 'a');
  const struct {
    const char* folder;
    std::string sha256;
    std::string expected;
  } rows[] = {
      {"W\\", hash, "W\\" + hash + ".part"},
      {"W\\", "0123456789ABCDEF" + hash.substr(16), "W\\0123456789abcdef" + hash.substr(16) + ".part"},
      {"W\\", hash.substr(1), ""},
      {"W\\", "..\\..\\x" + hash.substr(7), ""},
      {"", hash, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.sha256);
    EXPECT_EQ(KeptPartialPath(row.folder, row.sha256), row.expected);
  }
}

TEST(ReservePartialFile, TakesTheFirstFreeShortNameInTheChosenFolder) {
  // The test's own folder (both path separators are understood).
  const std::string folder = "reserve_partial_test_folder";
  platform::RemoveFile(folder + "/~1");
  platform::RemoveFile(folder + "/~2");
  platform::RemoveFile(folder + "/~3");
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(platform::FileExists(folder)) << "no scratch folder";
  testfiles::WriteFile(folder + "/~1", "the user's own file");

  const std::string first = ReservePartialFile(folder + "/firmware.zip");
  EXPECT_EQ(first, folder + "/~2");
  EXPECT_EQ(testfiles::ReadFile(first), "");  // made, empty
  EXPECT_EQ(ReservePartialFile(folder + "/other.zip"), folder + "/~3");
  EXPECT_EQ(testfiles::ReadFile(folder + "/~1"), "the user's own file");
  // A folder that does not exist cannot take one.
  EXPECT_EQ(ReservePartialFile(folder + "/missing/firmware.zip"), "");
  for (const char* name : {"/~1", "/~2", "/~3"}) platform::RemoveFile(folder + name);
}

}  // namespace
