#include "install/SavePath.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "framework/Platform.h"
#include "tests/common/TestFiles.h"

namespace {

TEST(AdjustSavePath, ForcesTheDefaultExtension) {
  struct Row {
    const char* defaultExt;
    const char* chosenExt;
    const char* chosenPath;
    const char* expected;
  };
  const Row rows[] = {
      {"zip", "bin", "D:\\fw\\fw.bin", "D:\\fw\\fw.zip"},
      {"zip", "txt", "D:\\fw\\new.txt", "D:\\fw\\new.zip"},
      {"zip", "ZIP", "D:\\fw\\new.ZIP", "D:\\fw\\new.zip"},
      {"zip", "zip", "D:\\fw\\new.zip", "D:\\fw\\new.zip"},
      {"zip", "jpeg", "D:\\fw\\new.jpeg", "D:\\fw\\new.zip"},
      {"zip", "7z", "D:\\fw\\new.7z", "D:\\fw\\new.zip"},
      {"zip", "", "D:\\fw\\new", "D:\\fw\\new.zip"},
      {"zip", "", "D:\\fw\\new.", "D:\\fw\\new.zip"},
      {"zip", "", "D:\\v1.2\\new", "D:\\v1.2\\new.zip"},
      {"exe", "zip", "C:\\a.b\\flash.zip", "C:\\a.b\\flash.exe"},
      // A Big5 name: cutting the extension's bytes leaves the characters whole.
      {"zip", "bin", "C:\\\xA6\x57\xBA\xD9.bin", "C:\\\xA6\x57\xBA\xD9.zip"},
      {"", "bin", "D:\\fw\\fw.bin", "D:\\fw\\fw.bin"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.chosenPath);
    std::string out = "previous";
    AdjustSavePath(row.defaultExt, row.chosenExt, row.chosenPath, &out);
    EXPECT_EQ(out, row.expected);
  }
}

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
