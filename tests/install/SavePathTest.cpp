#include "install/SavePath.h"

#include <gtest/gtest.h>

namespace {

using install::AdjustSavePath;

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

}  // namespace
