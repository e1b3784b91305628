#include "zip/ZipArchiveReader.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include "tests/zip/TestArchives.h"

namespace {

using zip::CZipException;
using zip::ZipArchiveReader;
using zip::ZipEntryInfo;

using test_archives::Archive;
using test_archives::Bytes;
using test_archives::ZipBytes;

constexpr std::uint32_t kBlock = 16384;

std::string EntryName(ZipArchiveReader& reader) {
  ZipEntryInfo info;
  reader.GetEntryInfo(&info);
  std::vector<char> name(info.nameLength + 1);
  reader.GetEntryInfo(&info, name.data(), info.nameLength + 1);
  return std::string(name.data());
}

// Reads the open member to its end in `block`-sized pieces.
Bytes ReadMember(ZipArchiveReader& reader, std::uint32_t block = kBlock) {
  Bytes data, piece(block);
  std::uint32_t got = 0;
  do {
    got = reader.ReadCurrentEntry(piece.data(), block);
    data.insert(data.end(), piece.begin(), piece.begin() + got);
  } while (got == block);
  return data;
}

std::uint32_t Crc(const Bytes& data) {
  return static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

TEST(ZipArchiveReader, ReadsEveryMemberOfArchivesFromBothArchivers) {
  const auto manifest = test_archives::Manifest();
  ASSERT_GT(manifest.size(), 20u);
  std::size_t row = 0;
  while (row < manifest.size()) {
    const std::string archive = manifest[row].archive;
    SCOPED_TRACE(archive);
    ZipArchiveReader reader(Archive(archive));
    reader.GoToFirstEntry();
    // Odd piece sizes as well as the installer's 16 384.
    const std::uint32_t block = (row % 2 == 0) ? kBlock : 1000;
    std::size_t count = 0;
    bool more = true;
    for (; more; more = reader.GoToNextEntry(), ++row, ++count) {
      ASSERT_LT(row, manifest.size());
      ASSERT_EQ(manifest[row].archive, archive) << "more entries than the manifest lists";
      EXPECT_EQ(EntryName(reader), manifest[row].name);
      reader.OpenCurrentEntry();
      const Bytes data = ReadMember(reader, block);
      EXPECT_EQ(data.size(), manifest[row].size) << manifest[row].name;
      EXPECT_EQ(Crc(data), manifest[row].crc) << manifest[row].name;
      reader.CloseCurrentEntry();
    }
    EXPECT_EQ(count, reader.EntryCount());
    EXPECT_EQ(reader.PrefixLength(), archive == "stub.zip" ? 1024u * 1024u : 0u);
    reader.CloseArchive();
    if (row < manifest.size()) {
      EXPECT_NE(manifest[row].archive, archive) << "fewer entries than the manifest lists";
    }
  }
}

TEST(ZipArchiveReader, StreamedArchivesReallyHaveZerosInTheirLocalHeaders) {
  // Guards the coverage of the test above: these archives must keep bit 3
  // with zero CRC and compressed size in the local header.
  for (const char* name : {"streamed-infozip.zip", "streamed-python.zip"}) {
    ZipBytes zip{test_archives::ReadAll(Archive(name))};
    EXPECT_TRUE(zip.Get16(zip.Local(0) + 6) & 8) << name;
    EXPECT_EQ(zip.Get32(zip.Local(0) + 14), 0u) << name;
    EXPECT_EQ(zip.Get32(zip.Local(0) + 18), 0u) << name;
  }
}

TEST(ZipArchiveReader, DeliversAStoredMemberInWholeBlocksThenZero) {
  ZipArchiveReader reader(Archive("members.zip"));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(reader.GoToNextEntry());
  ASSERT_EQ(EntryName(reader), "block32k.bin");
  ASSERT_FALSE(reader.GoToNextEntry());  // the last entry stays current
  reader.OpenCurrentEntry();
  Bytes piece(kBlock);
  EXPECT_EQ(reader.ReadCurrentEntry(nullptr, kBlock), 0u);
  EXPECT_EQ(reader.ReadCurrentEntry(piece.data(), 0), 0u);
  EXPECT_EQ(reader.ReadCurrentEntry(piece.data(), kBlock), kBlock);
  for (std::uint32_t i = 0; i < kBlock; ++i) ASSERT_EQ(piece[i], static_cast<std::uint8_t>(i * 7 + 3)) << i;
  EXPECT_EQ(reader.ReadCurrentEntry(piece.data(), kBlock), kBlock);
  EXPECT_EQ(piece[0], static_cast<std::uint8_t>(kBlock * 7 + 3));
  EXPECT_EQ(reader.ReadCurrentEntry(piece.data(), kBlock), 0u);
  reader.CloseArchive();
}

TEST(ZipArchiveReader, NameBufferGetsATerminatorOnlyWhenTheNameIsShorter) {
  ZipArchiveReader reader(Archive("members.zip"));  // first entry: "stored.txt", 10 bytes
  char name[16];
  std::memset(name, '#', sizeof(name));
  reader.GetEntryInfo(nullptr, name, 10);
  EXPECT_EQ(std::string(name, 11), "stored.txt#");
  std::memset(name, '#', sizeof(name));
  reader.GetEntryInfo(nullptr, name, 6);
  EXPECT_EQ(std::string(name, 7), "stored#");
  std::memset(name, '#', sizeof(name));
  reader.GetEntryInfo(nullptr, name, 11);
  EXPECT_STREQ(name, "stored.txt");
}

// Runs the installer's sequence over every entry and reports the first
// CZipException: its stage and cause ("" and 0 when none came).
struct Failure {
  std::string stage;
  int cause = 0;
  std::string path;
};

Failure FirstFailure(const std::string& path) {
  std::string stage = "open";
  try {
    ZipArchiveReader reader(path);
    reader.GoToFirstEntry();
    do {
      stage = "info";
      EntryName(reader);
      stage = "open entry";
      reader.OpenCurrentEntry();
      stage = "read";
      ReadMember(reader);
      stage = "next";
    } while (reader.GoToNextEntry());
    stage = "close";
    reader.CloseArchive();
  } catch (const CZipException& e) {
    return {stage, e.cause, e.archivePath};
  }
  return {};
}

struct BadArchive {
  const char* what;
  const char* source;
  std::function<void(ZipBytes&)> mess;
  const char* stage;
  int cause;
};

TEST(ZipArchiveReader, EachBrokenArchiveFailsWithItsCause) {
  // Entries of members.zip: 0 stored.txt (stored), 1 deflated.bin, 2 and 3
  // empty, 4 block32k.bin (stored).
  const BadArchive rows[] = {
      {"not an archive", "notzip.bin", nullptr, "open", 11},
      {"empty archive", "empty.zip", nullptr, "open", 11},
      {"end record beyond the searched window", "comment65520.zip", nullptr, "open", 11},
      {"this disk not 0", "members.zip", [](ZipBytes& z) { z.Put16(z.EndRecord() + 4, 1); }, "open", 11},
      {"directory disk not 0", "members.zip", [](ZipBytes& z) { z.Put16(z.EndRecord() + 6, 1); }, "open", 11},
      {"entry counts differ", "members.zip", [](ZipBytes& z) { z.Put16(z.EndRecord() + 10, 6); }, "open", 11},
      {"directory beyond the end record", "members.zip",
       [](ZipBytes& z) { z.Put32(z.EndRecord() + 16, z.Get32(z.EndRecord() + 16) + 1); }, "open", 11},
      {"central signature", "members.zip", [](ZipBytes& z) { z.data[z.Central(0)] ^= 1; }, "open", 11},
      {"more entries than the directory holds", "members.zip",
       [](ZipBytes& z) { z.Put16(z.EndRecord() + 8, 6); z.Put16(z.EndRecord() + 10, 6); }, "next", 11},
      {"local signature", "members.zip", [](ZipBytes& z) { z.data[z.Local(1) + 3] ^= 1; }, "open entry", 11},
      {"local method differs", "members.zip", [](ZipBytes& z) { z.Put16(z.Local(1) + 8, 0); }, "open entry", 11},
      {"local method differs under bit 3", "members.zip",
       [](ZipBytes& z) { z.Put16(z.Local(1) + 6, 8); z.Put16(z.Local(1) + 8, 0); }, "open entry", 11},
      {"unsupported method", "members.zip",
       [](ZipBytes& z) { z.Put16(z.Central(1) + 10, 12); z.Put16(z.Local(1) + 8, 12); }, "open entry", 11},
      {"local CRC differs", "members.zip", [](ZipBytes& z) { z.data[z.Local(1) + 14] ^= 1; }, "open entry", 11},
      {"local compressed size differs", "members.zip", [](ZipBytes& z) { z.data[z.Local(1) + 18] ^= 1; },
       "open entry", 11},
      {"local size differs", "members.zip", [](ZipBytes& z) { z.data[z.Local(1) + 22] ^= 1; }, "open entry", 11},
      {"local name length differs", "members.zip", [](ZipBytes& z) { z.data[z.Local(1) + 26] ^= 1; },
       "open entry", 11},
      {"local header beyond the file", "members.zip", [](ZipBytes& z) { z.Put32(z.Central(1) + 42, 0x7FFFFFF0); },
       "open entry", 11},
      {"corrupt deflate data", "members.zip", [](ZipBytes& z) { z.data[z.Data(1)] = 0xFF; }, "read", 6},
      {"deflate data cut short", "members.zip",
       [](ZipBytes& z) {
         const std::uint32_t half = z.Get32(z.Central(1) + 20) / 2;
         z.Put32(z.Central(1) + 20, half);
         z.Put32(z.Local(1) + 18, half);
       },
       "read", 8},
      {"stored data running past the end of the file", "members.zip",
       [](ZipBytes& z) {
         for (std::size_t at : {z.Central(4) + 20, z.Central(4) + 24, z.Local(4) + 18, z.Local(4) + 22})
           z.Put32(at, 0x100000);
       },
       "read", 11},
      {"stored size larger than its data", "members.zip",
       [](ZipBytes& z) { z.Put32(z.Central(0) + 24, 24); z.Put32(z.Local(0) + 22, 24); }, "read", 11},
      {"wrong CRC, found when the next member opens", "members.zip",
       [](ZipBytes& z) { z.data[z.Central(1) + 16] ^= 1; z.data[z.Local(1) + 14] ^= 1; }, "open entry", 12},
      {"wrong CRC of the last member, found on closing", "members.zip",
       [](ZipBytes& z) { z.data[z.Central(4) + 16] ^= 1; z.data[z.Local(4) + 14] ^= 1; }, "close", 12},
      // piped-infozip.zip: a Zip64 end record 76 bytes before the end record;
      // entry 1, named "-", has its sizes in a local Zip64 extra field.
      {"Zip64 entry count that needs 64 bits", "piped-infozip.zip",
       [](ZipBytes& z) { z.Put32(z.EndRecord() - 76 + 36, 1); }, "open", 11},
      {"Zip64 local size that needs 64 bits", "piped-infozip.zip",
       [](ZipBytes& z) { z.Put32(z.Local(1) + 30 + 1 + 4 + 8 + 4, 1); }, "open entry", 11},
      {"file cut in half", "members.zip", [](ZipBytes& z) { z.data.resize(z.data.size() / 2); }, "open", 11},
      {"file cut inside the directory", "members.zip", [](ZipBytes& z) { z.data.resize(z.Central(2) + 20); },
       "open", 11},
  };
  const std::string scratch = test_archives::Scratch("zip_bad_archives");
  int n = 0;
  for (const BadArchive& row : rows) {
    SCOPED_TRACE(row.what);
    ZipBytes zip{test_archives::ReadAll(Archive(row.source))};
    if (row.mess) row.mess(zip);
    const std::string path = scratch + "/bad" + std::to_string(n++) + ".zip";
    test_archives::WriteAll(path, zip.data);
    const Failure f = FirstFailure(path);
    EXPECT_EQ(f.stage, row.stage);
    EXPECT_EQ(f.cause, row.cause);
    EXPECT_EQ(f.path, path) << "the exception names the open archive";
  }
}

TEST(ZipArchiveReader, FindsTheEndRecordOnEitherSideOfEachSearchChunkBorder) {
  // The search steps back 1 024 bytes at a time; comments of 1 007-1 009 and
  // 2 031-2 033 bytes put the end record's signature across the first and
  // second chunk borders. Every length around them must be found, so a
  // border moved either way fails some length.
  ZipBytes base{test_archives::ReadAll(Archive("comment1007.zip"))};
  const std::size_t end = base.EndRecord();
  base.data.resize(end + 22);
  const std::string path = test_archives::Scratch("zip_comment_lengths") + "/comment.zip";
  for (const auto& [first, last] : {std::pair<int, int>{1000, 1040}, {2020, 2070}}) {
    for (int length = first; length <= last; ++length) {
      ZipBytes zip = base;
      zip.data.resize(end + 22 + length, 'x');
      zip.Put16(end + 20, static_cast<std::uint32_t>(length));
      test_archives::WriteAll(path, zip.data);
      const Failure f = FirstFailure(path);
      EXPECT_EQ(f.stage + std::to_string(f.cause), "0") << "comment of " << length << " bytes";
    }
  }
}

class WrongCrc : public ::testing::Test {
 protected:
  void SetUp() override {
    ZipBytes zip{test_archives::ReadAll(Archive("members.zip"))};
    for (int i : {1, 4}) {
      zip.data[zip.Central(i) + 16] ^= 0x80;
      zip.data[zip.Local(i) + 14] ^= 0x80;
    }
    path = test_archives::Scratch("zip_wrong_crc") + "/crc.zip";
    test_archives::WriteAll(path, zip.data);
  }
  int CauseOf(const std::function<void()>& step) {
    try {
      step();
    } catch (const CZipException& e) {
      return e.cause;
    }
    return 0;
  }
  std::string path;
};

TEST_F(WrongCrc, EveryByteIsDeliveredAndCloseRaises) {
  ZipArchiveReader reader(path);
  reader.GoToNextEntry();
  reader.OpenCurrentEntry();
  EXPECT_EQ(ReadMember(reader).size(), 200000u);
  EXPECT_EQ(CauseOf([&] { reader.CloseCurrentEntry(); }), 12);
}

TEST_F(WrongCrc, OpeningTheNextMemberRaises) {
  ZipArchiveReader reader(path);
  reader.GoToNextEntry();
  reader.OpenCurrentEntry();
  ReadMember(reader);
  reader.GoToNextEntry();
  EXPECT_EQ(CauseOf([&] { reader.OpenCurrentEntry(); }), 12);
}

TEST_F(WrongCrc, CloseArchiveRaisesForTheLastMember) {
  ZipArchiveReader reader(path);
  while (reader.GoToNextEntry()) {
  }
  reader.OpenCurrentEntry();
  EXPECT_EQ(ReadMember(reader).size(), 32768u);
  EXPECT_EQ(CauseOf([&] { reader.CloseArchive(); }), 12);
}

TEST_F(WrongCrc, AMemberNotReadToItsEndClosesWithoutCheck) {
  ZipArchiveReader reader(path);
  reader.GoToNextEntry();
  reader.OpenCurrentEntry();
  Bytes piece(kBlock);
  EXPECT_EQ(reader.ReadCurrentEntry(piece.data(), kBlock), kBlock);
  EXPECT_EQ(CauseOf([&] { reader.CloseCurrentEntry(); }), 0);
  EXPECT_FALSE(reader.IsMemberOpen());
}

TEST(ZipArchiveReader, DeflateStreamEndingBeforeItsRecordedSizeIsCheckedByCrc) {
  // The recorded size is 100 bytes too large: the reader delivers what the
  // stream holds. Intact data passes its CRC check; altered data does not.
  for (bool alterCrc : {false, true}) {
    SCOPED_TRACE(alterCrc ? "altered CRC" : "intact");
    ZipBytes zip{test_archives::ReadAll(Archive("members.zip"))};
    zip.Put32(zip.Central(1) + 24, 200100);
    zip.Put32(zip.Local(1) + 22, 200100);
    if (alterCrc) {
      zip.data[zip.Central(1) + 16] ^= 1;
      zip.data[zip.Local(1) + 14] ^= 1;
    }
    const std::string path = test_archives::Scratch("zip_short_stream") + "/short.zip";
    test_archives::WriteAll(path, zip.data);
    ZipArchiveReader reader(path);
    reader.GoToNextEntry();
    reader.OpenCurrentEntry();
    EXPECT_EQ(ReadMember(reader).size(), 200000u);
    int cause = 0;
    try {
      reader.CloseCurrentEntry();
    } catch (const CZipException& e) {
      cause = e.cause;
    }
    EXPECT_EQ(cause, alterCrc ? 12 : 0);
  }
}

TEST(ZipArchiveReader, CallsOutOfOrderAndMissingFiles) {
  {
    ZipArchiveReader reader(Archive("members.zip"));
    char byte;
    try {
      reader.ReadCurrentEntry(&byte, 1);
      ADD_FAILURE() << "read without an open member";
    } catch (const CZipException& e) {
      EXPECT_EQ(e.cause, 10);
      EXPECT_EQ(e.archivePath, Archive("members.zip"));
    }
    reader.CloseArchive();
    reader.CloseArchive();  // closing twice does nothing
    try {
      reader.OpenCurrentEntry();
      ADD_FAILURE() << "open entry of a closed archive";
    } catch (const CZipException& e) {
      EXPECT_EQ(e.cause, 10);
      EXPECT_EQ(e.archivePath, "") << "no path once the file is closed";
    }
  }
  try {
    ZipArchiveReader reader(Archive("no-such-archive.zip"));
    ADD_FAILURE() << "opened a missing file";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.cause, CFileException::fileNotFound);
    EXPECT_NE(e.osError, 0);
  }
}

TEST(ZipArchiveReader, ZlibBlocksAreTrackedAndFreed) {
  ZipArchiveReader reader(Archive("members.zip"));
  reader.GoToNextEntry();
  reader.OpenCurrentEntry();
  Bytes piece(kBlock);
  reader.ReadCurrentEntry(piece.data(), kBlock);
  EXPECT_GT(reader.AllocatedBlockCount(), 0u);
  reader.CloseCurrentEntry();
  EXPECT_EQ(reader.AllocatedBlockCount(), 0u);
  // A member left open mid-stream: the destructor frees its blocks (the
  // sanitizer build reports any leak).
  reader.OpenCurrentEntry();
  reader.ReadCurrentEntry(piece.data(), kBlock);
  EXPECT_GT(reader.AllocatedBlockCount(), 0u);
}

TEST(ZipArchiveReader, AppliesTheEntryTimeAndAttributes) {
  const std::string path = test_archives::Scratch("zip_time") + "/out.txt";
  CFile file(path, CFile::modeCreate | CFile::modeWrite);
  file.Write("abc", 3);
  ZipEntryInfo info;
  info.dosDateTime = ((2019 - 1980) << 25 | 6 << 21 | 15 << 16) | (13 << 11 | 45 << 5 | 30 / 2);
  info.modificationTime = ZipArchiveReader::DosDateTimeToTime(info.dosDateTime);
  const std::tm local = *std::localtime(&info.modificationTime);
  EXPECT_EQ(local.tm_year + 1900, 2019);
  EXPECT_EQ(local.tm_mon + 1, 6);
  EXPECT_EQ(local.tm_mday, 15);
  EXPECT_EQ(local.tm_hour, 13);
  EXPECT_EQ(local.tm_min, 45);
  EXPECT_EQ(local.tm_sec, 30);
  info.externalAttributes = 0x20;  // archive bit: an ordinary writable file
  ZipArchiveReader::ApplyEntryTimeAndAttributes(file, info);
  EXPECT_FALSE(file.IsOpen());
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, info.modificationTime);
  EXPECT_EQ(st.st_size, 3);
}

}  // namespace
