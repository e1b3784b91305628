#include "catalogue/Signature.h"

#include <cstring>

#include "catalogue/Sha256.h"

namespace signature {
namespace {

using Limbs = std::vector<std::uint32_t>;  // little-endian 32-bit limbs

constexpr std::size_t kMinBits = 2048;
constexpr std::size_t kMaxBits = 4096;

// DER prefix of the DigestInfo that names SHA-256, before the 32-byte digest.
constexpr std::uint8_t kSha256DigestInfo[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                              0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};

Limbs FromBigEndian(const std::uint8_t* bytes, std::size_t size, std::size_t limbCount) {
  Limbs limbs(limbCount, 0);
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t bit = 8 * (size - 1 - i);
    limbs[bit / 32] |= std::uint32_t{bytes[i]} << (bit % 32);
  }
  return limbs;
}

std::vector<std::uint8_t> ToBigEndian(const Limbs& limbs, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t bit = 8 * (size - 1 - i);
    bytes[i] = static_cast<std::uint8_t>(limbs[bit / 32] >> (bit % 32));
  }
  return bytes;
}

// a < b, both of the same limb count.
bool Less(const Limbs& a, const Limbs& b) {
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
}

// a -= b over a's limbs; returns the borrow.
std::uint32_t Subtract(std::uint32_t* a, const Limbs& b) {
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < b.size(); ++i) {
    const std::uint64_t d = std::uint64_t{a[i]} - b[i] - borrow;
    a[i] = static_cast<std::uint32_t>(d);
    borrow = (d >> 32) & 1;
  }
  return static_cast<std::uint32_t>(borrow);
}

// Arithmetic modulo an odd n in Montgomery form, R = 2^(32 * limbs).
class Montgomery {
 public:
  explicit Montgomery(const Limbs& modulus) : n(modulus), size(modulus.size()) {
    // -n^-1 mod 2^32 by Newton's iteration; x = n[0] is right to 3 bits.
    std::uint32_t x = n[0];
    for (int i = 0; i < 5; ++i) x *= 2 - n[0] * x;
    nInverse = 0u - x;
    // R^2 mod n by doubling 1 modulo n, 2 * 32 * limbs times.
    rSquared.assign(size, 0);
    rSquared[0] = 1;
    for (std::size_t i = 0; i < 64 * size; ++i) {
      std::uint32_t carry = 0;
      for (std::uint32_t& limb : rSquared) {
        const std::uint32_t next = limb >> 31;
        limb = (limb << 1) | carry;
        carry = next;
      }
      if (carry != 0 || !Less(rSquared, n)) Subtract(rSquared.data(), n);
    }
  }

  // a * b / R mod n, for a and b below n; the result is below n.
  Limbs Multiply(const Limbs& a, const Limbs& b) const {
    std::vector<std::uint32_t> t(size + 2, 0);
    for (std::size_t i = 0; i < size; ++i) {
      std::uint64_t carry = 0;
      for (std::size_t j = 0; j < size; ++j) {
        const std::uint64_t sum = std::uint64_t{t[j]} + std::uint64_t{a[j]} * b[i] + carry;
        t[j] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
      }
      std::uint64_t sum = std::uint64_t{t[size]} + carry;
      t[size] = static_cast<std::uint32_t>(sum);
      t[size + 1] = static_cast<std::uint32_t>(sum >> 32);

      const std::uint32_t m = t[0] * nInverse;
      carry = (std::uint64_t{t[0]} + std::uint64_t{m} * n[0]) >> 32;
      for (std::size_t j = 1; j < size; ++j) {
        sum = std::uint64_t{t[j]} + std::uint64_t{m} * n[j] + carry;
        t[j - 1] = static_cast<std::uint32_t>(sum);
        carry = sum >> 32;
      }
      sum = std::uint64_t{t[size]} + carry;
      t[size - 1] = static_cast<std::uint32_t>(sum);
      t[size] = t[size + 1] + static_cast<std::uint32_t>(sum >> 32);
    }
    // t < 2n: one subtraction brings it below n.
    Limbs result(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(size));
    if (t[size] != 0 || !Less(result, n)) Subtract(result.data(), n);
    return result;
  }

  // s^65537 mod n, for s below n.
  Limbs PowerF4(const Limbs& s) const {
    const Limbs sR = Multiply(s, rSquared);
    Limbs x = sR;
    for (int i = 0; i < 16; ++i) x = Multiply(x, x);
    x = Multiply(x, sR);
    Limbs one(size, 0);
    one[0] = 1;
    return Multiply(x, one);
  }

 private:
  Limbs n;
  std::size_t size;
  std::uint32_t nInverse;
  Limbs rSquared;
};

// The block a correct signature over `digest` opens to, `size` bytes long.
std::vector<std::uint8_t> ExpectedBlock(const sha256::Digest& digest, std::size_t size) {
  std::vector<std::uint8_t> block(size, 0xFF);
  block[0] = 0x00;
  block[1] = 0x01;
  const std::size_t tail = sizeof kSha256DigestInfo + digest.size();
  block[size - tail - 1] = 0x00;
  std::memcpy(&block[size - tail], kSha256DigestInfo, sizeof kSha256DigestInfo);
  std::memcpy(&block[size - digest.size()], digest.data(), digest.size());
  return block;
}

// The modulus without its leading zero bytes, and whether it is odd and of
// kMinBits to kMaxBits bits. The length is counted in bits, so that a key a
// few bits short of the minimum is refused although it fills the bytes.
bool UsableModulus(const PublicKey& key, const std::uint8_t*& modulus, std::size_t& size) {
  modulus = key.modulus.data();
  size = key.modulus.size();
  while (size > 0 && *modulus == 0) {
    ++modulus;
    --size;
  }
  if (size == 0 || (modulus[size - 1] & 1) == 0) return false;
  std::size_t bits = 8 * size;
  for (unsigned top = modulus[0]; (top & 0x80) == 0; top <<= 1) --bits;
  return bits >= kMinBits && bits <= kMaxBits;
}

}  // namespace

PublicKey PublicKey::FromHex(const std::string& hex) {
  PublicKey key;
  if (hex.size() % 2 != 0) return key;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = sha256::HexDigitValue(hex[i]);
    const int low = sha256::HexDigitValue(hex[i + 1]);
    if (high < 0 || low < 0) return PublicKey{};
    key.modulus.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return key;
}

bool Verify(const PublicKey& key, const void* message, std::size_t messageSize, const void* sig,
            std::size_t sigSize) {
  const std::uint8_t* modulus = nullptr;
  std::size_t size = 0;
  if (!UsableModulus(key, modulus, size) || sigSize != size) return false;

  const std::size_t limbCount = (size + 3) / 4;
  const Limbs n = FromBigEndian(modulus, size, limbCount);
  const Limbs s = FromBigEndian(static_cast<const std::uint8_t*>(sig), sigSize, limbCount);
  if (!Less(s, n)) return false;

  const Montgomery arithmetic(n);
  const std::vector<std::uint8_t> opened = ToBigEndian(arithmetic.PowerF4(s), size);
  return opened == ExpectedBlock(sha256::Of(message, messageSize), size);
}

bool IsUsableKey(const PublicKey& key) {
  const std::uint8_t* modulus = nullptr;
  std::size_t size = 0;
  return UsableModulus(key, modulus, size);
}

bool VerifyWithAny(const std::vector<PublicKey>& keys, const std::string& message, const std::string& sig) {
  for (const PublicKey& key : keys) {
    if (Verify(key, message.data(), message.size(), sig.data(), sig.size())) return true;
  }
  return false;
}

}  // namespace signature
