#include "catalogue/SourceCopy.h"

#include <memory>

namespace catalogue {

namespace {

constexpr std::uint32_t kBlockBytes = 32768;

bool SeekTo(HANDLE file, std::uint64_t at) {
  LONG high = static_cast<LONG>(at >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(file, static_cast<LONG>(at & 0xFFFFFFFFu), &high, FILE_BEGIN);
  return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

}  // namespace

void StallWatch::Restart(std::uint64_t bytes, std::uint32_t stages) {
  lastMove_ = GetTickCount();
  lastBytes_ = bytes;
  lastStages_ = stages;
}

bool StallWatch::Stalled(std::uint64_t bytes, std::uint32_t stages, std::uint32_t stallMs) {
  if (bytes != lastBytes_ || stages != lastStages_) {
    Restart(bytes, stages);
    return false;
  }
  return GetTickCount() - lastMove_ >= stallMs;
}

bool PartialFile::Open(const std::string& path, bool create) {
  Close();
  path_ = path;
  // Shared for reading only: a second writer, this program's other copy
  // among them, is refused for as long as the handle stays open.
  handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle_ != INVALID_HANDLE_VALUE;
}

std::uint64_t PartialFile::Size() const {
  if (handle_ == INVALID_HANDLE_VALUE) return 0;
  DWORD high = 0;
  const DWORD low = GetFileSize(handle_, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool PartialFile::WriteAt(std::uint64_t at, const char* data, std::uint32_t size, bool cut) {
  if (handle_ == INVALID_HANDLE_VALUE || !SeekTo(handle_, at)) return false;
  if (cut && !SetEndOfFile(handle_)) return false;
  DWORD done = 0;
  return size == 0 || (WriteFile(handle_, data, size, &done, nullptr) && done == size);
}

bool PartialFile::CopyTo(const std::string& to) {
  if (handle_ == INVALID_HANDLE_VALUE || !SeekTo(handle_, 0)) return false;
  const HANDLE copy =
      CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (copy == INVALID_HANDLE_VALUE) return false;
  std::unique_ptr<char[]> block(new char[kBlockBytes]);
  DWORD got = 0;
  bool ok = true;
  while (ok && (ok = ReadFile(handle_, block.get(), kBlockBytes, &got, nullptr) != FALSE) && got > 0) {
    DWORD done = 0;
    ok = WriteFile(copy, block.get(), got, &done, nullptr) && done == got;
  }
  return CloseHandle(copy) && ok;
}

void PartialFile::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

bool BlockCopy::Leave() {
  int reading = kReading;
  return state.compare_exchange_strong(reading, kLeft);
}

bool BlockCopy::BeginPlacing() {
  int reading = kReading;
  return state.compare_exchange_strong(reading, kPlacing);
}

bool BlockCopy::Copy(SourceFile& file, PartialFile& partial, std::uint64_t offset, std::uint64_t total) {
  std::unique_ptr<char[]> block(new char[kBlockBytes]);
  std::uint64_t written = offset;
  // Each write happens only while the worker has not been left; the first
  // cuts the file at the offset.
  bool first = true;
  const auto store = [&](long size) {
    int reading = kReading;
    if (!state.compare_exchange_strong(reading, kWriting)) return false;
    const bool stored = partial.WriteAt(written, block.get(), static_cast<std::uint32_t>(size), first);
    if (stored) {
      written += static_cast<std::uint64_t>(size);
      bytes.store(written, std::memory_order_release);
    }
    state.store(kReading, std::memory_order_release);
    first = false;
    return stored;
  };
  for (;;) {
    const long got = file.Read(block.get(), kBlockBytes);
    if (got < 0) return false;
    if (got == 0) {
      // The end of the data: the whole file only when it is as long as the
      // source or the catalogue said (a server may report a transfer it cut
      // short as complete).
      return (!first || store(0)) && (total == 0 || written == total);
    }
    // More than the whole file: not the file listed; nothing past it is
    // written. More than the bound: no file this copy may bring.
    const std::uint64_t after = written + static_cast<std::uint64_t>(got);
    if ((total != 0 && after > total) || (limit != 0 && after > limit)) {
      overran = true;
      return false;
    }
    if (!store(got)) return false;
  }
}

}  // namespace catalogue
