#include "framework/File.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::string FreshFolder(const std::string& name) {
  const fs::path path = fs::current_path() / name;
  fs::remove_all(path);
  fs::create_directories(path);
  return path.string();
}

TEST(File, WritesReadsSeeksAndReportsTheEnd) {
  const std::string path = FreshFolder("file_test") + "/data.bin";
  {
    CFile out(path, CFile::modeCreate | CFile::modeWrite);
    out.Write("0123456789", 10);
    EXPECT_EQ(out.GetFilePath(), path);
  }
  CFile in(path, CFile::modeRead | CFile::shareDenyWrite);
  EXPECT_EQ(in.GetLength(), 10u);
  EXPECT_EQ(in.Seek(7, CFile::begin), 7u);
  char buffer[8] = {};
  EXPECT_EQ(in.Read(buffer, 8), 3u) << "a read at the end returns what is left";
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(in.Read(buffer, 8), 0u);
  // Positions past 4 GiB carry their high half both ways; a position before
  // the start is refused.
  EXPECT_EQ(in.Seek(0x100000005LL, CFile::begin), 0x100000005u);
  EXPECT_EQ(in.Seek(-0x100000000LL, CFile::current), 5u);
  EXPECT_EQ(in.Seek(-1, CFile::end), 9u);
  EXPECT_THROW(in.Seek(-1, CFile::begin), CFileException);
  EXPECT_EQ(in.GetLength(), 10u);
  in.Close();
  EXPECT_FALSE(in.IsOpen());
  // Creating again truncates.
  CFile again(path, CFile::modeCreate | CFile::modeWrite);
  again.Close();
  EXPECT_EQ(fs::file_size(path), 0u);
}

TEST(File, FailedOpensReportTheirCause) {
  const std::string folder = FreshFolder("file_test_missing");
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(folder + "/missing.bin", CFile::modeRead, &error));
  EXPECT_EQ(error.cause, CFileException::fileNotFound);
  EXPECT_EQ(error.fileName, folder + "/missing.bin");
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.Open(folder + "/no/such/folder/x.bin", CFile::modeCreate | CFile::modeWrite, &error));
  EXPECT_NE(error.cause, CFileException::none);
  EXPECT_FALSE(file.Open(folder, CFile::modeCreate | CFile::modeWrite, &error)) << "a folder is no file";
  EXPECT_THROW(CFile(folder + "/missing.bin", CFile::modeRead), CFileException);
}

// Windows' sharing modes; elsewhere CFile keeps them among its own opens.
TEST(File, AFileHeldWithWritersDeniedTakesNoWriter) {
  const std::string path = FreshFolder("file_test_sharing") + "/shared.bin";
  const unsigned read = CFile::modeRead, held = CFile::modeRead | CFile::shareDenyWrite;
  const unsigned write = CFile::modeWrite, create = CFile::modeCreate | CFile::modeWrite;
  const struct {
    unsigned first, second;
    bool opens;
  } rows[] = {{held, write, false}, {held, create, false}, {held, read, true}, {held, held, true},
              {write, held, false}, {write, read, true},   {read, write, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.first << " then " << row.second);
    CFile(path, create).Write("keep", 4);  // also a writer once the last row's opens are closed
    CFile first(path, row.first), second;
    CFileException error;
    EXPECT_EQ(second.Open(path, row.second, &error), row.opens);
    if (!row.opens) {
      EXPECT_EQ(error.cause, CFileException::sharingViolation);
    }
    EXPECT_EQ(first.GetLength(), 4u) << "a refused create truncates nothing";
  }
}

TEST(File, FoldersAndReadOnlyFiles) {
  const std::string folder = FreshFolder("file_test_folders");
  EXPECT_TRUE(framework::CreateFolder(folder + "/made"));
  EXPECT_FALSE(framework::CreateFolder(folder + "/made")) << "it exists already";
  EXPECT_TRUE(fs::is_directory(folder + "/made"));

  const std::string path = folder + "/made/ro.txt";
  CFile(path, CFile::modeCreate | CFile::modeWrite).Close();
  EXPECT_FALSE(framework::ClearReadOnly(path)) << "not read-only yet";
  EXPECT_TRUE(framework::SetFileAttributesValue(path, 0x01));  // the read-only bit
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_TRUE(framework::ClearReadOnly(path));
  EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_FALSE(framework::ClearReadOnly(folder + "/made/missing.txt"));

  // A link is told from the file it leads to (where links can be made here).
  EXPECT_FALSE(framework::IsLink(path));
  std::error_code linkRefused;
  fs::create_symlink(path, folder + "/link.txt", linkRefused);
  if (!linkRefused) EXPECT_TRUE(framework::IsLink(folder + "/link.txt"));

  // A whole tree goes, read-only files and inner folders with it.
  EXPECT_TRUE(framework::CreateFolder(folder + "/made/inner"));
  CFile(folder + "/made/inner/a.txt", CFile::modeCreate | CFile::modeWrite).Close();
  EXPECT_TRUE(framework::SetFileAttributesValue(path, 0x01));
  EXPECT_TRUE(framework::RemoveTree(folder + "/made"));
  EXPECT_FALSE(fs::exists(folder + "/made"));
}

}  // namespace
