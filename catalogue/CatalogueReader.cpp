#include "catalogue/CatalogueReader.h"

#include <cstring>
#include <utility>

#include "framework/Platform.h"

namespace {

constexpr unsigned char kEndOfText = 0x1A;

// Space and the bytes 0x09 to 0x0D separate tokens; every other byte,
// 0x80 and up included, belongs to a token.
constexpr bool IsWhite(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

}  // namespace

CatalogueReader::CatalogueReader(std::size_t capacity)
    : capacity(capacity < 2 ? 2 : capacity), buffer(new char[this->capacity]) {}

CatalogueReader::~CatalogueReader() { Close(); }

void CatalogueReader::Reset() {
  pos = length = 0;
  failed = false;
  sourceEnded = false;
  carriedCr = false;
  bytes.clear();
  bytesOffset = 0;
}

bool CatalogueReader::Open(const std::string& path) {
  Close();
  Reset();
  isOpen = true;
  file = platform::OpenInputFile(path);
  if (file == nullptr) failed = true;
  return file != nullptr;
}

void CatalogueReader::OpenBytes(std::string data) {
  Close();
  Reset();
  isOpen = true;
  bytes = std::move(data);
}

void CatalogueReader::Close() {
  platform::CloseInputFile(file);
  file = nullptr;
  isOpen = false;
  pos = length = 0;
  bytes.clear();
  bytes.shrink_to_fit();
}

void CatalogueReader::SetFailed() {
  failed = true;
  pos = length = 0;
}

std::size_t CatalogueReader::ReadSource(char* into, std::size_t size) {
  if (file != nullptr) return platform::ReadInputFile(file, into, size);
  const std::size_t left = bytes.size() - bytesOffset;
  const std::size_t n = left < size ? left : size;
  std::memcpy(into, bytes.data() + bytesOffset, n);
  bytesOffset += n;
  return n;
}

// Brings the next converted bytes into the buffer once the previous ones have
// all been handed out. A CR that ends a raw chunk is held back until the
// first byte of the next chunk shows whether it belongs to a CR LF pair.
bool CatalogueReader::Refill() {
  if (pos < length) return true;
  pos = length = 0;
  if (failed || !isOpen) return false;
  while (length == 0) {
    std::size_t total = 0;
    if (carriedCr) {
      buffer[0] = '\r';
      total = 1;
      carriedCr = false;
    }
    if (sourceEnded) {
      length = total;
      return length != 0;
    }
    const std::size_t n = ReadSource(buffer.get() + total, capacity - total);
    if (n == 0) sourceEnded = true;
    total += n;

    char* data = buffer.get();
    if (void* stop = std::memchr(data, kEndOfText, total)) {
      total = static_cast<std::size_t>(static_cast<char*>(stop) - data);
      sourceEnded = true;
    }
    std::size_t out = total;
    if (void* cr = std::memchr(data, '\r', total)) {
      out = static_cast<std::size_t>(static_cast<char*>(cr) - data);
      for (std::size_t i = out; i < total; ++i) {
        const char b = data[i];
        if (b == '\r') {
          if (i + 1 < total) {
            if (data[i + 1] == '\n') continue;  // the LF alone stands for the pair
          } else if (!sourceEnded) {
            carriedCr = true;  // its follower is in the next chunk
            continue;
          }
        }
        data[out++] = b;
      }
    }
    length = out;
    if (length == 0 && sourceEnded && !carriedCr) return false;
  }
  return true;
}

int CatalogueReader::GetAfterRefill() {
  if (!Refill()) return kEnd;
  return static_cast<unsigned char>(buffer[pos++]);
}

bool ReadToken(CatalogueReader& input, std::string& token) {
  token.clear();
  // Pass over white space, across as many buffer fills as it takes.
  for (;;) {
    if (input.Available() == 0 && !input.Refill()) {
      input.SetFailed();
      return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(input.Current());
    const std::size_t n = input.Available();
    std::size_t i = 0;
    while (i < n && IsWhite(p[i])) ++i;
    input.Advance(i);
    if (i < n) break;
  }
  // Take the token's bytes; past 51 of them keep reading but store nothing.
  for (;;) {
    const auto* p = reinterpret_cast<const unsigned char*>(input.Current());
    const std::size_t n = input.Available();
    std::size_t i = 0;
    while (i < n && !IsWhite(p[i])) ++i;
    const std::size_t room = kMaxTokenLength - token.size();
    token.append(input.Current(), i < room ? i : room);
    input.Advance(i);
    if (i < n) break;             // white space follows, left unread
    if (!input.Refill()) break;   // the data ends right after the token
  }
  return true;
}
