// SHA-256 (FIPS 180-4), written here so that every Windows the program runs
// on, from 98 SE on, can check a hash without system cryptography.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sha256 {

using Digest = std::array<std::uint8_t, 32>;

class Hasher {
 public:
  Hasher();
  void Update(const void* data, std::size_t size);
  // The digest of everything given to Update; the hasher is spent afterwards.
  Digest Final();

 private:
  void Block(const std::uint8_t* block);

  std::uint32_t state[8];
  std::uint8_t pending[64];
  std::size_t pendingSize = 0;
  std::uint64_t totalSize = 0;
};

Digest Of(const void* data, std::size_t size);
inline Digest Of(const std::string& bytes) { return Of(bytes.data(), bytes.size()); }

// The digest of the file at `path`; false when it cannot be opened.
bool OfFile(const std::string& path, Digest& digest);

// 64 lower-case hexadecimal digits.
std::string ToHex(const Digest& digest);

// The value of one hexadecimal digit (either case), or -1.
int HexDigitValue(char c);

// Whether `hex` is 64 hexadecimal digits (either case) that spell `digest`.
bool MatchesHex(const Digest& digest, const std::string& hex);

}  // namespace sha256
