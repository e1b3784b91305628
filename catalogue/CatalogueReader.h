// The text input on a catalogue file. It reads the file the way a text-mode
// stream of the Windows C library does: a CR LF pair comes out as one LF, a CR
// not followed by LF stays a CR, and the byte 0x1A ends the data. No other
// byte is changed, so texts keep whatever code page the file uses.
//
// The conversion is made once per buffer fill, so the per-byte calls below are
// plain buffer reads. One byte can always be put back right after it was read.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
struct InputFile;
}

namespace catalogue {

class CatalogueReader {
 public:
  static constexpr int kEnd = -1;
  static constexpr std::size_t kDefaultCapacity = 64 * 1024;
  static constexpr std::size_t kLookahead = 64;

  // `capacity` is how many bytes one read of the source asks for (at least
  // 1); tests use tiny reads to put every chunk boundary in play. The buffer
  // has room for kLookahead more, so Ensure works at any capacity.
  explicit CatalogueReader(std::size_t capacity = kDefaultCapacity);
  ~CatalogueReader();
  CatalogueReader(const CatalogueReader&) = delete;
  CatalogueReader& operator=(const CatalogueReader&) = delete;

  // Opens the file at `path`. On failure the reader is open in a failed state
  // and reads nothing. Returns whether the file was opened.
  bool Open(const std::string& path);
  // Reads `data` instead of a file, with the same conversions.
  void OpenBytes(std::string data);
  // Closes the file if one is open; safe to call at any time.
  void Close();
  bool IsOpen() const { return isOpen; }

  // The next byte (0 to 255), or kEnd at the end of the data or in a failed
  // state.
  int Get() {
    if (pos < length) return static_cast<unsigned char>(buffer[pos++]);
    return GetAfterRefill();
  }
  // The next byte without reading it.
  int Peek() {
    if (pos < length) return static_cast<unsigned char>(buffer[pos]);
    if (!Refill()) return kEnd;
    return static_cast<unsigned char>(buffer[pos]);
  }
  // Puts back the byte the last Get returned. Only valid straight after a Get
  // that returned a byte.
  void Unget() {
    if (pos > 0) --pos;
  }

  // The failed state: set when a file cannot be opened or a token is asked
  // for at the end of the data. Once failed, every read gives kEnd.
  bool Failed() const { return failed; }
  void SetFailed();

  // Direct access for the token scanners: the unread converted bytes in the
  // buffer. Refill brings more once all are read (false at the end of the
  // data); Ensure makes at least `count` (up to kLookahead) bytes available
  // in one piece unless the data ends first, and returns whether it did.
  const char* Current() const { return buffer.get() + pos; }
  std::size_t Available() const { return length - pos; }
  void Advance(std::size_t count) { pos += count; }
  bool Refill() { return pos < length || Fill(); }
  bool Ensure(std::size_t count);

 private:
  bool Fill();
  int GetAfterRefill();
  std::size_t ReadSource(char* into, std::size_t size);
  void Reset();

  std::size_t capacity;
  std::size_t bufferSize;
  std::unique_ptr<char[]> buffer;
  std::size_t pos = 0;     // next byte to hand out
  std::size_t length = 0;  // converted bytes in the buffer
  bool isOpen = false;
  bool failed = false;
  bool sourceEnded = false;  // raw source exhausted or 0x1A seen
  bool carriedCr = false;    // a CR ended the last raw chunk; its follower decides
  platform::InputFile* file = nullptr;
  std::string bytes;  // in-memory source of OpenBytes
  std::size_t bytesOffset = 0;
};

// Skips white space (space and 0x09 to 0x0D), then reads a token: the bytes up
// to the next white space (left unread) or the end of the data. The token
// keeps at most `maxLength` bytes (51 for every token but a hash value, which
// may keep one byte more than a digest has, so that a longer one is seen); the
// rest of a longer run is passed over, so no tail of a long word is ever read
// as a token of its own. Returns false, with an empty token and the reader
// failed, when no token can be read. `cut`, when given, is set to whether
// the token was longer than `maxLength` and kept cut short.
constexpr std::size_t kMaxTokenLength = 51;
constexpr std::size_t kMaxHashLength = 65;
bool ReadToken(CatalogueReader& input, std::string& token, std::size_t maxLength = kMaxTokenLength,
               bool* cut = nullptr);

// Reads tokens, keeping none, until one equals `tag` (true) or none is left
// (false, with the reader failed): the same as calling ReadToken until it
// gives `tag`, but it compares only words that begin with the tag's first
// byte. Call it at a token boundary, as ReadToken leaves the reader.
bool SkipToToken(CatalogueReader& input, std::string_view tag);

}  // namespace catalogue
