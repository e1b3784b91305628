// Reads a zip archive from a local file: finds the end record, walks the
// central directory one header at a time, checks each member's local header
// against its central record, and delivers stored or deflated member data in
// caller-sized pieces while computing its CRC-32, which is checked when the
// member is closed. Read only. Every error throws CZipException, except a file
// that cannot be opened or read, which throws CFileException.
//
// Supported: methods 0 (stored) and 8 (deflated), data in front of the archive
// (self-extracting stubs), and the Zip64 records Info-ZIP writes for data it
// reads from standard input while every value still fits 32 bits. Not
// supported: multi-disk archives, values that need 64 bits, encryption (not
// examined), data descriptors (their flag only relaxes the local header
// checks; the central values are used).
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "framework/File.h"
#include "zip/ZipException.h"

namespace zip {

// One central-directory header as read.
struct ZipEntryInfo {
  std::uint32_t versionMadeBy = 0;
  std::uint32_t versionNeeded = 0;
  std::uint32_t flags = 0;
  std::uint32_t compressionMethod = 0;
  std::uint32_t dosDateTime = 0;  // time in the low 16 bits, date in the high 16
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint32_t nameLength = 0;
  std::uint32_t extraLength = 0;
  std::uint32_t commentLength = 0;
  std::uint32_t diskNumberStart = 0;
  std::uint32_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::time_t modificationTime = 0;  // the MS-DOS date and time read as local time
};

struct ZipMemberStream;

class ZipArchiveReader {
 public:
  // Opens the archive and makes its first entry current.
  explicit ZipArchiveReader(const std::string& path);
  // Reads the archive through `archive`, a file its owner opened and keeps
  // open (with writers denied, so that what was checked is what is read) and
  // closes; neither CloseArchive nor the destructor closes it.
  explicit ZipArchiveReader(CFile& archive);
  // Frees an open member and every block zlib still holds, and closes the
  // file unless it was borrowed; runs no CRC check.
  ~ZipArchiveReader();
  ZipArchiveReader(const ZipArchiveReader&) = delete;
  ZipArchiveReader& operator=(const ZipArchiveReader&) = delete;

  // Reads the end record and positions on the first entry. Does nothing when
  // an archive is already open.
  void OpenArchive(const std::string& path);
  void GoToFirstEntry();
  // False when there is no current entry or the current one is the last.
  bool GoToNextEntry();
  // Re-reads the current central header into `info` (may be null) and, when
  // `nameBuffer` is given, its name: zero-terminated when the name is shorter
  // than `nameBufferSize`, otherwise cut to the buffer without a terminator.
  void GetEntryInfo(ZipEntryInfo* info, char* nameBuffer = nullptr, std::uint32_t nameBufferSize = 0);
  // Walks every entry and checks its local header, without reading data.
  // Raises "not a valid archive" when a member's local header or data lies
  // inside another member's (entries sharing one local header included):
  // only one member may own each byte. Returns the sum of the members'
  // uncompressed sizes, which bounds what reading them all can deliver.
  // Leaves the first entry current. Keeps 16 bytes per entry while it runs.
  std::uint64_t CheckMemberLayout();
  // Checks the local header and prepares the current entry's data. Closes a
  // member that is still open first (with its CRC check).
  void OpenCurrentEntry();
  // Delivers up to `size` bytes of the open member; 0 when it is exhausted
  // or when `buffer` is null or `size` is 0.
  std::uint32_t ReadCurrentEntry(void* buffer, std::uint32_t size);
  // Checks the CRC-32 of a member read to its end and releases it.
  void CloseCurrentEntry();
  // Closes the open member (with its CRC check) and the archive file (a
  // borrowed one is only let go).
  void CloseArchive();

  // Closes an extracted file and gives it the entry's time and attributes.
  static void ApplyEntryTimeAndAttributes(CFile& file, const ZipEntryInfo& info);

  // Converts an MS-DOS date and time (date high, time low) to a calendar time,
  // read as local time; -1 when the system cannot represent it.
  static std::time_t DosDateTimeToTime(std::uint32_t dosDateTime);

  std::uint32_t EntryCount() const { return entryCount_; }
  std::uint64_t PrefixLength() const { return prefixLength_; }
  bool IsMemberOpen() const { return member_ != nullptr; }
  // Number of blocks zlib currently holds through the reader's hooks.
  std::size_t AllocatedBlockCount() const { return allocations_.size(); }

  // Buffer sizes: compressed data is read in blocks of kInputBlock bytes; the
  // end record is searched for in chunks of kSearchChunk bytes within the
  // last kSearchWindow bytes of the file.
  static constexpr std::uint32_t kInputBlock = 16384;
  static constexpr std::uint32_t kSearchChunk = 1028;
  static constexpr std::uint32_t kSearchWindow = 65535;
  // The file is read ahead through two windows of this size: one for the
  // directory and one for local headers and the data of small members, so
  // that walking the directory and opening members in turn does not make
  // either refill the other. The file is open with writers denied, so what
  // a window holds stays true.
  static constexpr std::uint32_t kWindowSize = 16384;

 private:
  // A stretch of the file read ahead.
  struct Window {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint64_t start = 0;
    std::uint32_t length = 0;
    bool CopyOut(std::uint64_t offset, void* buffer, std::uint32_t count) const;
  };

  [[noreturn]] void RaiseZipError(int internalCode) const;
  // Reads exactly `count` bytes at `offset` of the file; a short read means
  // the archive ends too early and raises "not a valid archive".
  void ReadExactly(std::uint64_t offset, void* buffer, std::uint32_t count);
  // Reads a record through `window`, refilled at `offset` when it does not
  // hold the range. Short reads fail like ReadExactly.
  void ReadRecord(Window& window, std::uint64_t offset, void* buffer, std::uint32_t count);
  // Reads member data: from the member window when it holds the range, else directly.
  void ReadBlock(std::uint64_t offset, void* buffer, std::uint32_t count);
  std::uint64_t FindEndRecord();
  // Reads the end record of the open file and positions on the first entry.
  void ReadDirectoryEnd();
  std::uint64_t DirectoryEnd(std::uint64_t endRecord, std::uint32_t entries);
  void ReadCurrentHeader(ZipEntryInfo& info, char* nameBuffer, std::uint32_t nameBufferSize);
  std::uint32_t CheckLocalHeader();
  void ReadLocalZip64Sizes(std::uint64_t extraPosition, std::uint32_t extraLength, std::uint64_t& uncompressed,
                           std::uint64_t& compressed);
  void FreeMember();

  static void* Allocate(void* opaque, unsigned items, unsigned size);
  static void Free(void* opaque, void* block);

  std::vector<void*> allocations_;
  CFile ownFile_;            // the file the reader opened itself
  CFile* file_ = &ownFile_;  // the file read: its own, or a borrowed one
  std::uint32_t entryCount_ = 0;
  std::uint32_t commentLength_ = 0;
  std::uint64_t prefixLength_ = 0;
  std::uint32_t currentIndex_ = 0;
  std::uint64_t currentDirectoryPosition_ = 0;
  bool currentValid_ = false;
  std::uint64_t endRecordPosition_ = 0;
  std::uint32_t directorySize_ = 0;
  std::uint32_t directoryOffset_ = 0;
  ZipEntryInfo current_;
  std::uint32_t currentLocalHeaderOffset_ = 0;
  ZipMemberStream* member_ = nullptr;
  Window directoryWindow_;
  Window memberWindow_;
  bool timeCacheValid_ = false;
  std::uint32_t cachedDosDateTime_ = 0;
  std::time_t cachedTime_ = 0;
};

}  // namespace zip
