// File calls that Windows 95/98/Me export but refuse as the NT line would
// not, each played through its seam: putting a finished download in place,
// and setting a file's times.
#include "framework/File.h"
#include "framework/FileReplace.h"

#include <windows.h>

#include <filesystem>
#include <gtest/gtest.h>

#include "tests/common/TestFiles.h"

namespace {

namespace fs = std::filesystem;

bool Win9xStub(const char*, const char*) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return false;
}

struct ReplaceCase {
  const char* name;
  framework::ReplacingMove move;  // null: the system's
  bool targetExists;
  bool targetReadOnly;
  bool sourceExists;
  bool moved;  // expected result: the new file is in place
};

const ReplaceCase kCases[] = {
    {"system_replaces", nullptr, true, false, true, true},
    {"system_moves_to_a_free_name", nullptr, false, false, true, true},
    {"system_keeps_the_old_file_when_the_new_one_is_missing", nullptr, true, false, false, false},
    {"win9x_replaces", &Win9xStub, true, false, true, true},
    {"win9x_replaces_a_read_only_file", &Win9xStub, true, true, true, true},
    {"win9x_moves_to_a_free_name", &Win9xStub, false, false, true, true},
    {"win9x_keeps_the_old_file_when_the_new_one_is_missing", &Win9xStub, true, false, false, false},
};

class MoveIntoPlaceTest : public testing::TestWithParam<ReplaceCase> {
 protected:
  void TearDown() override { framework::SetReplacingMoveForTest(nullptr); }
};

TEST_P(MoveIntoPlaceTest, NewFileInPlaceOrOldFileKept) {
  const ReplaceCase& c = GetParam();
  const fs::path folder = fs::current_path() / "file_replace_test" / c.name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string source = (folder / "fw.zip.part").string();
  const std::string target = (folder / "fw.zip").string();
  // A leftover of an earlier attempt holds the first aside name.
  testfiles::WriteFile(target + ".old", "someone else's");
  if (c.sourceExists) testfiles::WriteFile(source, "new");
  if (c.targetExists) testfiles::WriteFile(target, "old");
  if (c.targetReadOnly) SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  framework::SetReplacingMoveForTest(c.move);

  EXPECT_EQ(framework::MoveIntoPlace(source, target), c.moved);

  const std::string expected = c.moved ? "new" : c.targetExists ? "old" : "";
  EXPECT_EQ(testfiles::ReadFile(target), expected);
  EXPECT_EQ(fs::exists(source), c.sourceExists && !c.moved);
  EXPECT_EQ(testfiles::ReadFile(target + ".old"), "someone else's") << "another file was touched";
  EXPECT_FALSE(fs::exists(target + ".old1")) << "the old file was left aside";
}

INSTANTIATE_TEST_SUITE_P(Cases, MoveIntoPlaceTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ReplaceCase>& info) { return info.param.name; });

TEST(MoveIntoPlace, OtherFailuresOfTheSystemMoveAreNotRetried) {
  const fs::path folder = fs::current_path() / "file_replace_test" / "denied";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string source = (folder / "new").string();
  const std::string target = (folder / "old").string();
  testfiles::WriteFile(source, "new");
  testfiles::WriteFile(target, "old");
  framework::SetReplacingMoveForTest([](const char*, const char*) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  });
  EXPECT_FALSE(framework::MoveIntoPlace(source, target));
  framework::SetReplacingMoveForTest(nullptr);
  EXPECT_EQ(testfiles::ReadFile(target), "old");
  EXPECT_EQ(testfiles::ReadFile(source), "new");
}

std::uint64_t WriteTimeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

bool RefusedAsOnWin9x(const std::string&, const CFileStatus&) {
  SetLastError(ERROR_ACCESS_DENIED);
  return false;
}

TEST(SetStatus, TimesReachTheFileWhereTheAttributeHandleCannotWrite) {
  struct Row {
    const char* name;
    framework::AttributeTimeSetter first;  // null: the system's
    bool readOnly;
  };
  const Row rows[] = {
      {"nt", nullptr, false},
      {"nt_read_only_file", nullptr, true},
      {"win9x", &RefusedAsOnWin9x, false},
  };
  const fs::path folder = fs::current_path() / "file_status_test";
  fs::create_directories(folder);
  const std::time_t when = 1000000000;  // 2001-09-09 01:46:40 UTC
  const std::uint64_t expected = (static_cast<std::uint64_t>(when) + 11644473600ULL) * 10000000ULL;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = (folder / row.name).string();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    testfiles::WriteFile(path, "x");
    if (row.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    framework::SetAttributeTimeSetterForTest(row.first);
    CFileStatus status;
    status.creationTime = status.lastAccessTime = status.lastWriteTime = when;
    EXPECT_NO_THROW(CFile::SetStatus(path, status));
    EXPECT_EQ(WriteTimeOf(path), expected);
    framework::SetAttributeTimeSetterForTest(nullptr);
  }
}

}  // namespace
