#include "zip/ZipArchiveReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <zlib.h>

#include "zip/ZlibInterface.h"

namespace zip {

namespace {

constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSize = 56;      // without extensible data
constexpr std::uint32_t kZip64LocatorSize = 20;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint32_t kSizeInZip64Extra = 0xFFFFFFFF;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint8_t kEndSignature[4] = {0x50, 0x4B, 0x05, 0x06};
constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kDataDescriptorFlag = 0x0008;
constexpr std::uint32_t kStored = 0;
constexpr std::uint32_t kDeflated = 8;

std::uint32_t Get16(const std::uint8_t* p) { return p[0] + 256u * p[1]; }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) + 65536u * Get16(p + 2); }
std::uint64_t Get64(const std::uint8_t* p) { return Get32(p) + (static_cast<std::uint64_t>(Get32(p + 4)) << 32); }

}  // namespace

// State of the one open member.
struct ZipMemberStream {
  std::uint8_t input[ZipArchiveReader::kInputBlock];
  z_stream stream{};
  std::uint64_t readPosition = 0;  // archive-relative offset of the next compressed byte
  bool streamInitialised = false;
  bool streamEnded = false;  // inflate reported the end of the deflate stream
  std::uint32_t runningCrc = 0;
  std::uint32_t expectedCrc = 0;
  std::uint32_t compressedLeft = 0;
  std::uint32_t uncompressedLeft = 0;
  std::uint32_t method = 0;
  std::uint64_t prefixLength = 0;
};

ZipArchiveReader::ZipArchiveReader(const std::string& path) { OpenArchive(path); }

ZipArchiveReader::ZipArchiveReader(CFile& archive) : file_(&archive) {
  if (!file_->IsOpen()) RaiseZipError(CZipException::kBadCall);
  ReadDirectoryEnd();
}

ZipArchiveReader::~ZipArchiveReader() {
  FreeMember();
  for (void* block : allocations_) std::free(block);
  allocations_.clear();
  // CFile's destructor closes the file without throwing.
}

void ZipArchiveReader::RaiseZipError(int internalCode) const {
  throw CZipException(file_->IsOpen() ? file_->GetFilePath() : std::string(),
                      CZipException::CauseOf(internalCode));
}

void ZipArchiveReader::ReadExactly(std::uint64_t offset, void* buffer, std::uint32_t count) {
  file_->Seek(static_cast<std::int64_t>(offset), CFile::begin);
  if (file_->Read(buffer, count) != count) RaiseZipError(CZipException::kBadArchive);
}

bool ZipArchiveReader::Window::CopyOut(std::uint64_t offset, void* buffer, std::uint32_t count) const {
  if (offset < start || offset + count > start + length) return false;
  if (count > 0) std::memcpy(buffer, bytes.get() + (offset - start), count);
  return true;
}

void ZipArchiveReader::ReadRecord(Window& window, std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (window.CopyOut(offset, buffer, count)) return;
  if (count > kWindowSize) return ReadExactly(offset, buffer, count);
  // Headers lie close together (the directory), or before their member's
  // data and the next members' headers: one read serves the next few.
  file_->Seek(static_cast<std::int64_t>(offset), CFile::begin);
  window.start = offset;
  window.length = file_->Read(window.bytes.get(), kWindowSize);
  if (!window.CopyOut(offset, buffer, count)) RaiseZipError(CZipException::kBadArchive);
}

void ZipArchiveReader::ReadBlock(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (!memberWindow_.CopyOut(offset, buffer, count)) ReadExactly(offset, buffer, count);
}

std::uint64_t ZipArchiveReader::FindEndRecord() {
  const std::uint64_t length = file_->GetLength();
  const std::uint32_t window = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, kSearchWindow));
  std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[kSearchChunk]);
  std::uint32_t back = 4;
  while (back < window) {
    // Step back by 1 024 bytes; reading 1 028 makes consecutive chunks
    // overlap by 4 bytes, so a signature across their border is seen whole.
    back = std::min(back + (kSearchChunk - 4), window);
    const std::uint64_t chunkStart = length - back;
    const std::uint32_t chunkLength = std::min(back, kSearchChunk);
    ReadExactly(chunkStart, chunk.get(), chunkLength);
    for (std::uint32_t i = chunkLength - 4 + 1; i-- > 0;) {
      if (std::memcmp(chunk.get() + i, kEndSignature, 4) == 0) {
        const std::uint64_t found = chunkStart + i;
        if (found == 0) RaiseZipError(CZipException::kBadArchive);
        return found;
      }
    }
  }
  RaiseZipError(CZipException::kBadArchive);
}

void ZipArchiveReader::OpenArchive(const std::string& path) {
  if (file_->IsOpen()) return;
  CFileException error;
  if (!file_->Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) throw error;
  ReadDirectoryEnd();
}

void ZipArchiveReader::ReadDirectoryEnd() {
  for (Window* window : {&directoryWindow_, &memberWindow_}) {
    if (!window->bytes) window->bytes.reset(new std::uint8_t[kWindowSize]);
    window->start = 0;
    window->length = 0;
  }

  const std::uint64_t position = FindEndRecord();
  std::uint8_t record[kEndRecordSize];
  ReadRecord(directoryWindow_, position, record, kEndRecordSize);
  const std::uint32_t thisDisk = Get16(record + 4);
  const std::uint32_t directoryDisk = Get16(record + 6);
  const std::uint32_t entriesOnDisk = Get16(record + 8);
  const std::uint32_t totalEntries = Get16(record + 10);
  if (totalEntries != entriesOnDisk || thisDisk != 0 || directoryDisk != 0)
    RaiseZipError(CZipException::kBadArchive);
  entryCount_ = entriesOnDisk;
  directorySize_ = Get32(record + 12);
  directoryOffset_ = Get32(record + 16);
  commentLength_ = Get16(record + 20);
  const std::uint64_t directoryEnd = DirectoryEnd(position, entriesOnDisk);
  if (directoryEnd < static_cast<std::uint64_t>(directoryOffset_) + directorySize_)
    RaiseZipError(CZipException::kBadArchive);
  endRecordPosition_ = position;
  prefixLength_ = directoryEnd - directoryOffset_ - directorySize_;
  GoToFirstEntry();
}

// Info-ZIP, given data on standard input, puts a Zip64 end record and its
// locator between the directory and the end record even when every value
// fits 32 bits. When a locator stands directly before the end record and
// points at a Zip64 end record right after the directory, the directory ends
// where that record starts; values there that differ from the end record's
// need 64 bits and are refused. Otherwise the directory ends at the end record.
std::uint64_t ZipArchiveReader::DirectoryEnd(std::uint64_t endRecord, std::uint32_t entries) {
  if (endRecord < kZip64EndSize + kZip64LocatorSize) return endRecord;
  std::uint8_t locator[kZip64LocatorSize];
  ReadRecord(directoryWindow_, endRecord - kZip64LocatorSize, locator, kZip64LocatorSize);
  if (Get32(locator) != kZip64LocatorSignature) return endRecord;
  const std::uint64_t zip64End = endRecord - kZip64LocatorSize - kZip64EndSize;
  std::uint8_t record[kZip64EndSize];
  ReadRecord(directoryWindow_, zip64End, record, kZip64EndSize);
  const std::uint64_t directoryEnd = static_cast<std::uint64_t>(directoryOffset_) + directorySize_;
  if (Get32(record) != kZip64EndSignature || Get64(record + 4) != kZip64EndSize - 12 ||
      Get64(locator + 8) != directoryEnd)
    return endRecord;
  if (Get32(locator + 4) != 0 || Get32(record + 16) != 0 || Get32(record + 20) != 0 ||
      Get64(record + 24) != entries || Get64(record + 32) != entries || Get64(record + 40) != directorySize_ ||
      Get64(record + 48) != directoryOffset_)
    RaiseZipError(CZipException::kBadArchive);
  return zip64End;
}

std::time_t ZipArchiveReader::DosDateTimeToTime(std::uint32_t dosDateTime) {
  const std::uint32_t date = dosDateTime >> 16;
  const std::uint32_t time = dosDateTime & 0xFFFF;
  std::tm local{};
  local.tm_sec = static_cast<int>(2 * (time & 0x1F));
  local.tm_min = static_cast<int>((time >> 5) & 0x3F);
  local.tm_hour = static_cast<int>(time >> 11);
  local.tm_mday = static_cast<int>(date & 0x1F);
  local.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  local.tm_year = static_cast<int>(1980 + (date >> 9)) - 1900;
  local.tm_isdst = -1;  // daylight saving decided by the system
  return std::mktime(&local);
}

void ZipArchiveReader::ReadCurrentHeader(ZipEntryInfo& info, char* nameBuffer, std::uint32_t nameBufferSize) {
  if (!file_->IsOpen()) RaiseZipError(CZipException::kBadCall);
  std::uint8_t header[kCentralHeaderSize];
  const std::uint64_t headerPosition = prefixLength_ + currentDirectoryPosition_;
  ReadRecord(directoryWindow_, headerPosition, header, kCentralHeaderSize);
  if (Get32(header) != kCentralSignature) RaiseZipError(CZipException::kBadArchive);
  info.versionMadeBy = Get16(header + 4);
  info.versionNeeded = Get16(header + 6);
  info.flags = Get16(header + 8);
  info.compressionMethod = Get16(header + 10);
  info.dosDateTime = Get32(header + 12);
  // Converting asks the system about the time zone each time; members of
  // one archive mostly share their time, so the last conversion is kept.
  if (!timeCacheValid_ || info.dosDateTime != cachedDosDateTime_) {
    cachedDosDateTime_ = info.dosDateTime;
    cachedTime_ = DosDateTimeToTime(info.dosDateTime);
    timeCacheValid_ = true;
  }
  info.modificationTime = cachedTime_;
  info.crc32 = Get32(header + 16);
  info.compressedSize = Get32(header + 20);
  info.uncompressedSize = Get32(header + 24);
  info.nameLength = Get16(header + 28);
  info.extraLength = Get16(header + 30);
  info.commentLength = Get16(header + 32);
  info.diskNumberStart = Get16(header + 34);
  info.internalAttributes = Get16(header + 36);
  info.externalAttributes = Get32(header + 38);
  currentLocalHeaderOffset_ = Get32(header + 42);
  if (nameBuffer != nullptr && nameBufferSize > 0) {
    std::uint32_t count = nameBufferSize;
    if (info.nameLength < nameBufferSize) {
      nameBuffer[info.nameLength] = '\0';
      count = info.nameLength;
    }
    if (count > 0) ReadRecord(directoryWindow_, headerPosition + kCentralHeaderSize, nameBuffer, count);
  }
}

void ZipArchiveReader::GoToFirstEntry() {
  currentDirectoryPosition_ = directoryOffset_;
  currentIndex_ = 0;
  ReadCurrentHeader(current_, nullptr, 0);
  currentValid_ = true;
}

bool ZipArchiveReader::GoToNextEntry() {
  if (!currentValid_) return false;
  if (currentIndex_ + 1 == entryCount_) return false;
  currentDirectoryPosition_ +=
      kCentralHeaderSize + current_.nameLength + current_.extraLength + current_.commentLength;
  ++currentIndex_;
  ReadCurrentHeader(current_, nullptr, 0);
  currentValid_ = true;
  return true;
}

void ZipArchiveReader::GetEntryInfo(ZipEntryInfo* info, char* nameBuffer, std::uint32_t nameBufferSize) {
  if (!currentValid_) RaiseZipError(CZipException::kBadCall);
  ZipEntryInfo scratch;
  ReadCurrentHeader(info != nullptr ? *info : scratch, nameBuffer, nameBufferSize);
}

std::uint32_t ZipArchiveReader::CheckLocalHeader() {
  std::uint8_t header[kLocalHeaderSize];
  const std::uint64_t position = prefixLength_ + currentLocalHeaderOffset_;
  ReadRecord(memberWindow_, position, header, kLocalHeaderSize);
  if (Get32(header) != kLocalSignature) RaiseZipError(CZipException::kBadArchive);
  const std::uint32_t flags = Get16(header + 6);
  const std::uint32_t method = Get16(header + 8);
  if (method != current_.compressionMethod || (method != kStored && method != kDeflated))
    RaiseZipError(CZipException::kBadArchive);
  const std::uint32_t nameLength = Get16(header + 26);
  const std::uint32_t extraLength = Get16(header + 28);
  const bool descriptor = (flags & kDataDescriptorFlag) != 0;
  if (!descriptor) {
    std::uint64_t compressed = Get32(header + 18);
    std::uint64_t uncompressed = Get32(header + 22);
    if (compressed == kSizeInZip64Extra || uncompressed == kSizeInZip64Extra)
      ReadLocalZip64Sizes(position + kLocalHeaderSize + nameLength, extraLength, uncompressed, compressed);
    if (Get32(header + 14) != current_.crc32 || compressed != current_.compressedSize ||
        uncompressed != current_.uncompressedSize)
      RaiseZipError(CZipException::kBadArchive);
  }
  if (nameLength != current_.nameLength) RaiseZipError(CZipException::kBadArchive);
  return nameLength + extraLength;
}

// Info-ZIP marks the sizes of data it reads from standard input with all
// ones in the local header and gives them in a Zip64 extra field: the sizes
// so marked follow in that field, uncompressed first. A size not found there
// keeps its mark, which no central size of a supported archive equals.
void ZipArchiveReader::ReadLocalZip64Sizes(std::uint64_t extraPosition, std::uint32_t extraLength,
                                           std::uint64_t& uncompressed, std::uint64_t& compressed) {
  if (extraLength == 0) return;
  std::vector<std::uint8_t> extra(extraLength);
  ReadRecord(memberWindow_, extraPosition, extra.data(), extraLength);
  for (std::uint32_t at = 0; at + 4 <= extraLength; at += 4 + Get16(&extra[at + 2])) {
    if (Get16(&extra[at]) != kZip64ExtraId) continue;
    const std::uint32_t end = std::min(extraLength, at + 4 + Get16(&extra[at + 2]));
    std::uint32_t field = at + 4;
    for (std::uint64_t* size : {&uncompressed, &compressed}) {
      if (*size != kSizeInZip64Extra || field + 8 > end) continue;
      *size = Get64(&extra[field]);
      field += 8;
    }
    return;
  }
}

std::uint64_t ZipArchiveReader::CheckMemberLayout() {
  // Each member's extent: its local header up to the end of its data.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;
  std::uint64_t unpacked = 0;
  GoToFirstEntry();
  do {
    const std::uint64_t start = currentLocalHeaderOffset_;
    const std::uint64_t dataStart = start + kLocalHeaderSize + CheckLocalHeader();
    extents.emplace_back(start, dataStart + current_.compressedSize);
    unpacked += current_.uncompressedSize;
  } while (GoToNextEntry());
  GoToFirstEntry();
  std::sort(extents.begin(), extents.end());
  for (std::size_t i = 1; i < extents.size(); ++i) {
    if (extents[i].first < extents[i - 1].second) RaiseZipError(CZipException::kBadArchive);
  }
  return unpacked;
}

void ZipArchiveReader::OpenCurrentEntry() {
  if (!currentValid_) RaiseZipError(CZipException::kBadCall);
  if (member_ != nullptr) CloseCurrentEntry();
  const std::uint32_t localVariableLength = CheckLocalHeader();

  member_ = new ZipMemberStream;
  if (current_.compressionMethod != kStored && current_.compressionMethod != kDeflated)
    RaiseZipError(CZipException::kBadArchive);
  member_->expectedCrc = current_.crc32;
  member_->method = current_.compressionMethod;
  member_->prefixLength = prefixLength_;
  if (member_->method == kDeflated) {
    member_->stream.zalloc = &ZipArchiveReader::Allocate;
    member_->stream.zfree = &ZipArchiveReader::Free;
    member_->stream.opaque = &allocations_;
    const int result = inflateInit2_(&member_->stream, -MAX_WBITS, zlib_interface::kVersion,
                                     zlib_interface::kStreamRecordSize);
    if (result != Z_OK) RaiseZipError(result);
    member_->streamInitialised = true;
  }
  member_->compressedLeft = current_.compressedSize;
  member_->uncompressedLeft = current_.uncompressedSize;
  member_->readPosition = static_cast<std::uint64_t>(currentLocalHeaderOffset_) + kLocalHeaderSize + localVariableLength;
  member_->stream.avail_in = 0;
}

std::uint32_t ZipArchiveReader::ReadCurrentEntry(void* buffer, std::uint32_t size) {
  if (member_ == nullptr) RaiseZipError(CZipException::kBadCall);
  if (buffer == nullptr || size == 0) return 0;
  ZipMemberStream& m = *member_;
  z_stream& s = m.stream;
  if (m.streamEnded) return 0;
  s.next_out = static_cast<Bytef*>(buffer);
  s.avail_out = std::min(size, m.uncompressedLeft);
  std::uint32_t delivered = 0;
  while (s.avail_out > 0) {
    if (s.avail_in == 0 && m.compressedLeft > 0) {
      const std::uint32_t n = std::min(kInputBlock, m.compressedLeft);
      ReadBlock(m.prefixLength + m.readPosition, m.input, n);
      m.readPosition += n;
      m.compressedLeft -= n;
      s.next_in = m.input;
      s.avail_in = n;
    }
    if (m.method == kStored) {
      // Stored data that ends before its recorded size would otherwise
      // leave this loop waiting for bytes that never come.
      if (s.avail_in == 0) RaiseZipError(CZipException::kBadArchive);
      const std::uint32_t c = std::min(s.avail_out, s.avail_in);
      std::memcpy(s.next_out, s.next_in, c);
      m.runningCrc = static_cast<std::uint32_t>(crc32(m.runningCrc, s.next_out, c));
      m.uncompressedLeft -= c;
      s.avail_in -= c;
      s.avail_out -= c;
      s.next_in += c;
      s.next_out += c;
      s.total_out += c;
      delivered += c;
    } else {
      const Bytef* before = s.next_out;
      const uLong totalBefore = s.total_out;
      const int result = inflate(&s, Z_SYNC_FLUSH);
      const std::uint32_t produced = static_cast<std::uint32_t>(s.total_out - totalBefore);
      m.runningCrc = static_cast<std::uint32_t>(crc32(m.runningCrc, before, produced));
      m.uncompressedLeft -= produced;
      delivered += produced;
      if (result == Z_STREAM_END) {
        m.streamEnded = true;
        return delivered;
      }
      // Raw inflate never asks for a dictionary; any code but Z_OK is a failure.
      if (result != Z_OK) RaiseZipError(result);
    }
  }
  return delivered;
}

void ZipArchiveReader::CloseCurrentEntry() {
  if (member_ == nullptr) return;
  // A member read to its recorded size, or whose deflate stream ended (even
  // short of that size), has all its data delivered: its CRC must match.
  if ((member_->uncompressedLeft == 0 || member_->streamEnded) && member_->runningCrc != member_->expectedCrc)
    RaiseZipError(CZipException::kBadCrc);
  FreeMember();
}

void ZipArchiveReader::FreeMember() {
  if (member_ == nullptr) return;
  if (member_->streamInitialised) inflateEnd(&member_->stream);
  delete member_;
  member_ = nullptr;
}

void ZipArchiveReader::CloseArchive() {
  if (!file_->IsOpen()) return;
  if (member_ != nullptr) CloseCurrentEntry();
  // A borrowed file stays open for its owner; the reader lets go of it.
  if (file_ == &ownFile_) {
    ownFile_.Close();
  } else {
    file_ = &ownFile_;
  }
  currentValid_ = false;
}

void ZipArchiveReader::ApplyEntryTimeAndAttributes(CFile& file, const ZipEntryInfo& info) {
  const std::string path = file.GetFilePath();
  file.Close();
  const std::time_t now = std::time(nullptr);
  CFileStatus status;
  status.creationTime = now;
  status.lastAccessTime = now;
  status.lastWriteTime = info.modificationTime != static_cast<std::time_t>(-1) ? info.modificationTime : now;
  status.attribute = 0;
  CFile::SetStatus(path, status);
  framework::SetFileAttributesValue(path, info.externalAttributes);
}

void* ZipArchiveReader::Allocate(void* opaque, unsigned items, unsigned size) {
  if (size != 0 && items > SIZE_MAX / size) return nullptr;
  void* block = std::malloc(static_cast<std::size_t>(items) * size);
  if (block == nullptr) return nullptr;
  if (opaque != nullptr) {
    try {
      static_cast<std::vector<void*>*>(opaque)->push_back(block);
    } catch (...) {
      std::free(block);
      return nullptr;
    }
  }
  return block;
}

void ZipArchiveReader::Free(void* opaque, void* block) {
  if (opaque != nullptr) {
    auto& list = *static_cast<std::vector<void*>*>(opaque);
    const auto it = std::find(list.begin(), list.end(), block);
    if (it != list.end()) list.erase(it);
  }
  std::free(block);
}

}  // namespace zip
