#include "catalogue/CatalogueReader.h"

#include <cstring>
#include <utility>

#include "framework/Platform.h"

namespace catalogue {

namespace {

constexpr unsigned char kEndOfText = 0x1A;

// Space and the bytes 0x09 to 0x0D separate tokens; every other byte,
// 0x80 and up included, belongs to a token.
constexpr bool IsWhite(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

}  // namespace

CatalogueReader::CatalogueReader(std::size_t capacity)
    : capacity(capacity < 1 ? 1 : capacity),
      bufferSize(this->capacity + kLookahead + 1),
      buffer(new char[bufferSize]) {}

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

// Moves the unread bytes to the front of the buffer and appends newly read
// bytes after them, converted. A CR that ends a raw chunk is held back until
// the first byte of the next chunk shows whether it belongs to a CR LF pair.
// Returns whether any byte was added.
bool CatalogueReader::Fill() {
  if (failed || !isOpen) return false;
  if (pos > 0) {
    std::memmove(buffer.get(), buffer.get() + pos, length - pos);
    length -= pos;
    pos = 0;
  }
  char* data = buffer.get();
  for (;;) {
    const std::size_t from = length;  // conversion starts here
    std::size_t total = length;
    if (carriedCr) {
      data[total++] = '\r';
      carriedCr = false;
    }
    if (!sourceEnded) {
      std::size_t room = bufferSize - total;
      if (room > capacity) room = capacity;
      const std::size_t n = room == 0 ? 0 : ReadSource(data + total, room);
      if (n == 0) sourceEnded = true;
      total += n;
    }
    if (void* stop = std::memchr(data + from, kEndOfText, total - from)) {
      total = static_cast<std::size_t>(static_cast<char*>(stop) - data);
      sourceEnded = true;
    }
    // Drop the CR of each CR LF pair, moving the runs between them down.
    std::size_t out = total;
    if (void* cr = std::memchr(data + from, '\r', total - from)) {
      std::size_t i = static_cast<std::size_t>(static_cast<char*>(cr) - data);
      out = i;
      while (i < total) {
        // data[i] is a CR.
        if (i + 1 < total) {
          if (data[i + 1] != '\n') data[out++] = '\r';
        } else if (sourceEnded) {
          data[out++] = '\r';
        } else {
          carriedCr = true;  // its follower is in the next chunk
        }
        ++i;
        const void* next = std::memchr(data + i, '\r', total - i);
        const std::size_t runEnd =
            next != nullptr ? static_cast<std::size_t>(static_cast<const char*>(next) - data) : total;
        std::memmove(data + out, data + i, runEnd - i);
        out += runEnd - i;
        i = runEnd;
      }
    }
    length = out;
    if (length > from) return true;
    if (sourceEnded && !carriedCr) return false;
  }
}

bool CatalogueReader::Ensure(std::size_t count) {
  if (count > kLookahead) count = kLookahead;
  while (length - pos < count) {
    if (!Fill()) break;
  }
  return length - pos >= count;
}

int CatalogueReader::GetAfterRefill() {
  if (!Refill()) return kEnd;
  return static_cast<unsigned char>(buffer[pos++]);
}

bool SkipToToken(CatalogueReader& input, std::string_view tag) {
  bool boundary = true;  // the byte before the current one is white space
  for (;;) {
    if (input.Available() == 0 && !input.Refill()) {
      input.SetFailed();
      return false;
    }
    const char* p = input.Current();
    const std::size_t n = input.Available();
    const char* first = static_cast<const char*>(std::memchr(p, tag[0], n));
    if (first == nullptr) {
      boundary = IsWhite(static_cast<unsigned char>(p[n - 1]));
      input.Advance(n);
      continue;
    }
    if (first > p) boundary = IsWhite(static_cast<unsigned char>(first[-1]));
    input.Advance(static_cast<std::size_t>(first - p));
    if (boundary) {
      // A word that starts here: compare it whole, with the byte after it.
      input.Ensure(tag.size() + 1);
      const char* q = input.Current();
      const std::size_t m = input.Available();
      if (m >= tag.size() && std::memcmp(q, tag.data(), tag.size()) == 0 &&
          (m == tag.size() || IsWhite(static_cast<unsigned char>(q[tag.size()])))) {
        input.Advance(tag.size());
        return true;
      }
    }
    boundary = IsWhite(static_cast<unsigned char>(tag[0]));
    input.Advance(1);
  }
}

bool ReadToken(CatalogueReader& input, std::string& token, std::size_t maxLength, bool* cut) {
  token.clear();
  if (cut != nullptr) *cut = false;
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
  // Take the token's bytes; past maxLength of them keep reading but store
  // nothing.
  for (;;) {
    const auto* p = reinterpret_cast<const unsigned char*>(input.Current());
    const std::size_t n = input.Available();
    std::size_t i = 0;
    while (i < n && !IsWhite(p[i])) ++i;
    const std::size_t room = maxLength - token.size();
    if (cut != nullptr && i > room) *cut = true;
    token.append(input.Current(), i < room ? i : room);
    input.Advance(i);
    if (i < n) break;             // white space follows, left unread
    if (!input.Refill()) break;   // the data ends right after the token
  }
  return true;
}

}  // namespace catalogue
