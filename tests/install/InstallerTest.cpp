#include "install/Installer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <zlib.h>

#include "framework/File.h"
#include "framework/Platform.h"
#include "tests/zip/TestArchives.h"
#include "zip/ZipArchiveReader.h"

namespace {

namespace fs = std::filesystem;
using test_archives::Archive;
using test_archives::ZipBytes;

// A file the archive does not carry, made in the folder `target`.
void PlantFile(const std::string& target) {
  fs::create_directories(fs::u8path(target));
  test_archives::WriteAll(target + "/version.dll", test_archives::Bytes(3, 'p'));
}

std::string Slurp(const std::string& path) {
  if (!platform::FileExists(path)) return std::string();
  const auto bytes = test_archives::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// A download folder holding the saved archive newfw.zip, copied from one of
// the generated archives, and the flasher's log (named by VORN_FLASHER_LOG,
// set by the test's environment; the test flasher appends one line per start).
class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* log = std::getenv("VORN_FLASHER_LOG");
    ASSERT_NE(log, nullptr) << "the test's environment names the flasher log";
    logPath = log;
    platform::RemoveFile(logPath);
  }

  void Save(const std::string& archive, const std::string& test) {
    folder = test_archives::Scratch("install/" + test);
    saved = folder + "/newfw.zip";
    test_archives::WriteAll(saved, test_archives::ReadAll(Archive(archive)));
  }
  // The path the installer makes for an entry's sub-path in newfw/ (or `into`).
  std::string Unpacked(const std::string& relative, const std::string& into = "newfw") const {
    std::string path = folder + "/" + into + framework::kPathSeparator;
    for (char c : relative) path += (c == '/') ? framework::kPathSeparator : c;
    return path;
  }
  // Waits up to 20 s for the flasher's log line.
  std::string WaitForLog() const {
    for (int i = 0; i < 200; ++i) {
      const std::string text = Slurp(logPath);
      if (text.find('\n') != std::string::npos) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return Slurp(logPath);
  }
  // Checks a flasher start was recorded for `program`, run in its own folder.
  void ExpectStarted(const std::string& program) const {
    const std::string line = WaitForLog();
    ASSERT_FALSE(line.empty()) << "the flasher did not record a start";
    // started<TAB>command line<TAB>current folder[<TAB>start time]
    ASSERT_EQ(line.compare(0, 8, "started\t"), 0) << line;
    const std::size_t tab = line.find('\t', 8);
    std::string commandLine = line.substr(8, tab - 8);
    const std::string current = line.substr(tab + 1, line.find_first_of("\t\r\n", tab + 1) - tab - 1);
    if (commandLine.size() >= 2 && commandLine.front() == '"') commandLine = commandLine.substr(1, commandLine.size() - 2);
    EXPECT_EQ(commandLine, program) << "the program gets only its own path";
    EXPECT_EQ(fs::path(current), fs::path(program).parent_path()) << "the flasher runs in its own folder";
  }

  std::string logPath, folder, saved;
};

TEST_F(Install, UnpacksBesideTheArchiveDeletesItAndStartsTheFlasher) {
  Save("install-setup.zip", "setup");
  EXPECT_EQ(install::InstallFirmware(saved, "newfw"), install::kInstallStarted);
  EXPECT_FALSE(platform::FileExists(saved)) << "the archive is deleted";
  EXPECT_EQ(Slurp(Unpacked("setup/readme.txt")), "read me\n");
  ExpectStarted(Unpacked("setup/FLASH.EXE"));
}

TEST_F(Install, TheFirstExecutableInArchiveOrderIsStarted) {
  Save("install-readme-tool.zip", "readme_tool");
  EXPECT_EQ(install::InstallFirmware(saved, "newfw"), install::kInstallStarted);
  ExpectStarted(Unpacked("tool.exe"));
}

TEST_F(Install, FailuresGiveTheirCodes) {
  struct Row {
    const char* archive;
    int code;
    bool archiveStays;
    const char* otherFolder = "";  // a file is planted in newfw/ first when set
  } rows[] = {
      {"install-tool-Exe.zip", install::kInstallNoExecutable, true},  // only .Exe
      {"notzip.bin", install::kInstallUnzipFailed, true},              // not a zip archive
      {"members.zip", install::kInstallNoExecutable, true},            // no program at all
      {"members.zip", install::kInstallNoExecutable, true, "newfw-2"},
      // bad.exe cannot start; the archive is gone first
      {"install-not-a-program.zip", install::kInstallLaunchFailed, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.archive);
    Save(row.archive, "failures");
    if (*row.otherFolder) PlantFile(folder + "/newfw");
    const install::InstallOutcome outcome = install::RunInstall(saved, "newfw");
    EXPECT_EQ(outcome.code, row.code);
    EXPECT_EQ(outcome.otherFolder, row.otherFolder);
    EXPECT_FALSE(outcome.unexpectedException);
    EXPECT_EQ(platform::FileExists(saved), row.archiveStays);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Slurp(logPath), "") << "no flasher ran";
}

TEST_F(Install, AMissingArchiveFailsAsUnpackingWithoutAnUnexpectedException) {
  folder = test_archives::Scratch("install/missing");
  const install::InstallOutcome outcome = install::RunInstall(folder + "/gone.zip", "gone");
  EXPECT_EQ(outcome.code, install::kInstallUnzipFailed);
  EXPECT_FALSE(outcome.unexpectedException);
}

TEST_F(Install, UnsafeEntryNamesFailWithNothingWrittenOutside) {
  const int count = std::stoi(Slurp(Archive("unsafe-names.txt")));
  ASSERT_GE(count, 10);
  const std::string root = test_archives::Scratch("install/unsafe");
  for (int i = 0; i < count; ++i) {
    const std::string name = std::string("unsafe-") + (i < 10 ? "0" : "") + std::to_string(i) + ".zip";
    SCOPED_TRACE(name);
    Save(name, "unsafe/" + std::to_string(i));
    EXPECT_EQ(install::InstallFirmware(saved, "newfw"), install::kInstallUnzipFailed);
    EXPECT_TRUE(platform::FileExists(saved)) << "the archive stays";
    EXPECT_FALSE(platform::FileExists(Unpacked(""))) << "not even the entry before it is unpacked";
  }
  // The only files under the test's folders are the archives.
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(root).parent_path())) {
    if (!entry.is_regular_file()) continue;
    const std::string file = entry.path().filename().string();
    EXPECT_TRUE(file != "escaped" && file.find("evil") == std::string::npos) << entry.path();
  }
  for (const char* outside : {"/abs-evil.txt", "\\abs-evil.txt", "C:\\evil.txt", "C:/abs-evil.txt"}) {
    EXPECT_FALSE(platform::FileExists(outside)) << outside;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Slurp(logPath), "");
}

// Every file and folder under `root`, with the files' contents.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(fs::u8path(root))) {
    const std::string relative = fs::relative(entry.path(), fs::u8path(root)).string();
    tree[relative] = entry.is_directory() ? "<folder>" : Slurp(entry.path().string());
  }
  return tree;
}

// Gives members.zip's deflated member (entry 1) the recorded size that makes
// the members add up to `total`. Its stream still ends after its real
// 200 000 bytes, which pass their CRC check.
void SetUnpackedTotal(ZipBytes& zip, std::uint64_t total) {
  std::uint64_t others = 0;
  for (int i : {0, 2, 3, 4}) others += zip.Get32(zip.Central(i) + 24);
  const auto size = static_cast<std::uint32_t>(total - others);
  zip.Put32(zip.Central(1) + 24, size);
  zip.Put32(zip.Local(1) + 22, size);
}

void DamageLastMember(ZipBytes& zip) {
  zip.data[zip.Central(4) + 16] ^= 1;
  zip.data[zip.Local(4) + 14] ^= 1;
}

TEST_F(Install, UnpackingIsAllOrNothing) {
  struct Row {
    const char* what;
    const char* archive;
    std::function<void(ZipBytes&)> mess;
    // Makes what the download folder holds before, given the target folder.
    std::function<void(const std::string&)> before;
    int result;
    const char* into = "newfw";  // where the files go
    // Run while the archive is held open for the extraction, given its path.
    std::function<void(const std::string&)> whileOpen = nullptr;
  };
  const auto swapArchive = [](const std::string& path) {
    CFile writer;
    EXPECT_FALSE(writer.Open(path, CFile::modeWrite)) << "writers are denied";
    test_archives::WriteAll(path + ".new", test_archives::ReadAll(Archive("notzip.bin")));
    // Windows refuses to replace the open file; elsewhere the handle keeps reading the checked one.
    if (std::rename((path + ".new").c_str(), path.c_str()) != 0) std::remove((path + ".new").c_str());
  };
  const auto earlierExtraction = [](const std::string& target) {
    std::vector<std::string> fullPaths, names;
    ASSERT_EQ(install::ExtractArchive(target + ".zip", "newfw", fullPaths, names), 1);
  };
  const auto fileWhereAFolderGoes = [](const std::string& target) {
    fs::create_directories(fs::u8path(target + "/top/sub/c.txt"));
    fs::create_directories(fs::u8path(target + "/top/sub/deep"));
    test_archives::WriteAll(target + "/top/sub/c.txt/keep.txt", test_archives::Bytes(3, 'k'));
    test_archives::WriteAll(target + "/top/sub/deep/b.txt", test_archives::Bytes(5, 'b'));
  };
  const Row rows[] = {
      {"a member's header at the start of another's data", "overlap-start.zip", nullptr, nullptr, 0},
      {"a member inside another's data", "overlap-middle.zip", nullptr, nullptr, 0},
      {"a member's data ending with another's", "overlap-end.zip", nullptr, nullptr, 0},
      {"a header on the last byte of another member's data", "overlap-one-byte.zip", nullptr, nullptr, 0},
      {"two entries of one local header", "overlap-shared.zip", nullptr, nullptr, 0},
      {"output one byte over the bound", "members.zip",
       [](ZipBytes& z) { SetUnpackedTotal(z, install::kMaxUnpackedBytes + 1); }, nullptr, 0},
      {"output at the bound", "members.zip", [](ZipBytes& z) { SetUnpackedTotal(z, install::kMaxUnpackedBytes); },
       nullptr, 1},
      {"a damaged last member", "members.zip", DamageLastMember, nullptr, 0},
      {"a damaged last member over an earlier extraction", "members.zip", DamageLastMember, earlierExtraction, 0},
      {"a file where the target holds a folder with a file of its own", "tree.zip", nullptr, fileWhereAFolderGoes, 1,
       "newfw-2"},
      {"a file planted in the target", "members.zip", nullptr, PlantFile, 1, "newfw-2"},
      {"a planted file, and newfw-2 taken", "members.zip", nullptr,
       [](const std::string& t) { PlantFile(t), PlantFile(t + "-2"); }, 1, "newfw-3"},
      {"the archive swapped while it is held open", "members.zip", nullptr, nullptr, 1, "newfw", swapArchive},
      {"Info-ZIP's layout for piped data", "piped-infozip.zip", nullptr, nullptr, 1},
      {"Info-ZIP's layout for piped data over an earlier extraction", "piped-infozip.zip", nullptr,
       earlierExtraction, 1},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Save(row.archive, "all_or_nothing/" + std::to_string(n++));
    if (row.before) row.before(folder + "/newfw");
    if (row.mess) {
      ZipBytes zip{test_archives::ReadAll(saved)};
      row.mess(zip);
      test_archives::WriteAll(saved, zip.data);
    }
    const auto before = Snapshot(folder);
    const std::string target = folder + "/newfw";
    const auto targetBefore = fs::exists(fs::u8path(target)) ? Snapshot(target) : decltype(before){};
    CFile archive(saved, CFile::modeRead | CFile::shareDenyWrite);
    if (row.whileOpen) row.whileOpen(saved);
    install::Extraction extraction;
    EXPECT_EQ(install::ExtractArchive(archive, "newfw", extraction), row.result);
    if (row.result == 0) {
      EXPECT_EQ(Snapshot(folder), before) << "the download folder is as it was";
      EXPECT_EQ(extraction.fullPaths.size() + extraction.names.size(), 0u) << "no file is named";
      continue;
    }
    if (std::string(row.into) != "newfw") {
      EXPECT_EQ(Snapshot(target), targetBefore) << "the target is left alone";
    }
    EXPECT_EQ(extraction.folder, folder + "/" + row.into);
    for (const auto& member : test_archives::Manifest()) {
      if (member.archive != row.archive || member.name.back() == '/') continue;
      const auto data = test_archives::ReadAll(Unpacked(member.name, row.into));
      EXPECT_EQ(data.size(), member.size) << member.name;
      EXPECT_EQ(crc32(0, data.data(), static_cast<uInt>(data.size())), member.crc) << member.name;
    }
    std::set<std::string> left, expected{row.into};
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder))) left.insert(entry.path().filename().string());
    for (const auto& entry : before) {
      if (entry.first.find_first_of("/\\") == std::string::npos) expected.insert(entry.first);
    }
    EXPECT_EQ(left, expected) << "no scratch folder is left";
  }
}

TEST_F(Install, ExtractionMakesFoldersSkipsDirectoryEntriesAndReplacesFiles) {
  Save("tree.zip", "tree");
  // A longer file of the same name is replaced, not overwritten in place.
  fs::create_directories(fs::u8path(Unpacked("top")));
  test_archives::WriteAll(Unpacked("top/a.txt"), test_archives::Bytes(100, 'z'));
  std::vector<std::string> fullPaths, names;
  ASSERT_EQ(install::ExtractArchive(saved, "newfw", fullPaths, names), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "c.txt", "a.txt"}));
  EXPECT_EQ(fullPaths, (std::vector<std::string>{Unpacked("top/sub/deep/b.txt"), Unpacked("top/sub/c.txt"),
                                                 Unpacked("top/a.txt")}));
  EXPECT_EQ(Slurp(Unpacked("top/a.txt")), "alpha\n");
  EXPECT_EQ(fs::file_size(fs::u8path(Unpacked("top/sub/deep/b.txt"))), 5000u);
  EXPECT_TRUE(platform::FileExists(Unpacked("top/sub/c.txt")));
  EXPECT_EQ(fs::file_size(fs::u8path(Unpacked("top/sub/c.txt"))), 0u);
  EXPECT_FALSE(platform::FileExists(Unpacked("top/emptydir"))) << "a directory entry alone makes no folder";
  EXPECT_TRUE(platform::FileExists(saved)) << "ExtractArchive leaves the archive";

  Save("install-mixed-separators.zip", "separators");
  fullPaths.clear();
  names.clear();
  ASSERT_EQ(install::ExtractArchive(saved, "newfw", fullPaths, names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"flash.exe"});
  EXPECT_TRUE(platform::FileExists(Unpacked("bin/x86/flash.exe")));
}

TEST_F(Install, AReadOnlyFileOfAnEarlierExtractionIsReplaced) {
  Save("install-readonly-1.zip", "readonly");
  std::vector<std::string> fullPaths, names;
  ASSERT_EQ(install::ExtractArchive(saved, "newfw", fullPaths, names), 1);
  ASSERT_EQ((fs::status(fs::u8path(Unpacked("ro.txt"))).permissions() & fs::perms::owner_write), fs::perms::none)
      << "the entry's read-only attribute is applied";
  test_archives::WriteAll(saved, test_archives::ReadAll(Archive("install-readonly-2.zip")));
  EXPECT_EQ(install::ExtractArchive(saved, "newfw", fullPaths, names), 1);
  EXPECT_EQ(Slurp(Unpacked("ro.txt")), "version 2\n");
  fs::permissions(fs::u8path(Unpacked("ro.txt")), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(Install, UnpackedFilesGetTheirEntryTimes) {
  Save("members.zip", "times");
  std::vector<std::string> fullPaths, names;
  ASSERT_EQ(install::ExtractArchive(saved, "newfw", fullPaths, names), 1);
  ASSERT_EQ(names.size(), 5u);
  // make_archives.py stamps its members 2019-06-15 13:45:30.
  const std::uint32_t dos = ((2019 - 1980) << 25 | 6 << 21 | 15 << 16) | (13 << 11 | 45 << 5 | 30 / 2);
  for (const std::string& path : fullPaths) {
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_mtime, zip::ZipArchiveReader::DosDateTimeToTime(dos)) << path;
  }
}

TEST_F(Install, NamesOf259BytesFitAndOf260FailWithoutOverrun) {
  if (framework::kPathSeparator == '\\') GTEST_SKIP() << "a 259-byte name exceeds Windows' path limit";
  Save("install-name-259.zip", "long");
  std::vector<std::string> fullPaths, names;
  ASSERT_EQ(install::ExtractArchive(saved, "newfw", fullPaths, names), 1);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names.front().size(), 57u);
}

TEST(FindExecutable, ScanRule) {
  const struct {
    std::vector<std::string> names;
    int index;
  } rows[] = {
      {{"fw.exe.bak"}, 0},
      {{"a.bin.exe"}, -1},
      {{"tool.Exe"}, -1},
      {{"readme.txt", "FLASH.EXE", "other.exe"}, 1},
      {{"x.exee"}, 0},
      {{"a.ex", "b.", ".", ""}, -1},
      {{"..exe"}, -1},
      {{"a.b.c.exe"}, -1},
      {{"ab.cd.exe"}, -1},
      {{"abc.d.exe"}, -1},
      {{"a.bcd.exe"}, -1},
      {{"a.bcde.exe"}, 0},
      {{}, -1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(install::FindExecutable(row.names), row.index) << ::testing::PrintToString(row.names);
  }
}

TEST(IsSafeEntryName, RefusesNamesThatLeaveTheFolder) {
  for (const char* name : {"a.txt", "a/b/c.exe", "a\\b/c.exe", "./a.txt", "a..b", "...txt", "com0", "console.txt",
                           "lpt", "x/COM10.txt", "CONIN.txt", "COM\xBC"}) {
    EXPECT_TRUE(install::IsSafeEntryName(name)) << name;
  }
  for (const char* name : {"", "..", "../a", "a/../../b", "a\\..\\b", "/a", "\\a", "\\\\server\\share\\a", "C:a",
                           "C:\\a", "a/b:stream", "a/.../b", "a/. ./b", "a/.. /b", "CON", "nul.txt", "a/Com1",
                           "LPT9.log", "aux .txt", "CONIN$", "a/conout$.txt", "COM\xB9", "lpt\xB2.log", "Com\xB3 .txt",
                           "COM\xC2\xB9"}) {
    EXPECT_FALSE(install::IsSafeEntryName(name)) << name;
  }
  EXPECT_FALSE(install::IsSafeEntryName(std::string("a\0/../b", 7)));
  EXPECT_TRUE(install::IsSafeEntryName(std::string(259, 'n')));
  EXPECT_FALSE(install::IsSafeEntryName(std::string(260, 'n')));
}

}  // namespace
