#include "catalogue/ArrivalCheck.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "catalogue/Sha256.h"
#include "framework/Platform.h"
#include "tests/common/TestFiles.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A file read from disk in chunks against the hash of its bytes in memory; a
// file changed in one byte keeps its size but fails.
TEST(ArrivalCheck, TheFileMustHaveTheListedHash) {
  const std::string path = testing::TempDir() + "arrival-check.zip";
  const std::string missing = testing::TempDir() + "arrival-check-missing.zip";
  platform::RemoveFile(missing);
  const std::string firmware = testfiles::PseudoRandomBytes(200000, 7);
  const std::string listed = sha256::ToHex(sha256::Of(firmware));
  std::string changed = firmware;
  changed[123456] ^= 0x20;
  const struct {
    const char* name;
    const std::string& content;
    std::string listedHash;
    const std::string& at;
    bool passes;
  } rows[] = {
      {"as listed", firmware, listed, path, true},
      {"as listed, hash in capitals", firmware, Upper(listed), path, true},
      {"one byte changed", changed, listed, path, false},
      {"hash cut short", firmware, listed.substr(0, 63), path, false},
      {"hash with a letter that is no digit", firmware, listed.substr(0, 63) + "g", path, false},
      {"no file", firmware, listed, missing, false},
      {"no hash listed", changed, "", path, true},
  };
  for (const auto& row : rows) {
    testfiles::WriteFile(path, row.content);
    EXPECT_EQ(catalogue::ArrivedAsListed(row.at, row.listedHash), row.passes) << row.name;
    // The same check through the handle that then holds the file: open at
    // its start, writers refused, only when it passes.
    CFile held, writer;
    EXPECT_EQ(catalogue::OpenAsListed(row.at, row.listedHash, held), row.passes) << row.name;
    EXPECT_EQ(held.IsOpen(), row.passes) << row.name;
    if (row.passes) {
      EXPECT_EQ(held.Seek(0, CFile::current), 0u) << row.name;
    }
    EXPECT_EQ(writer.Open(row.at, CFile::modeWrite), !row.passes && &row.at == &path) << row.name;
  }
  platform::RemoveFile(path);
}

}  // namespace
