// Checks the maker's signature over the catalogue: RSA with the public
// exponent 65537 and PKCS #1 v1.5 padding over a SHA-256 digest (what
// `openssl dgst -sha256 -sign` makes with an RSA key). Written here, without
// system cryptography, so that it works on every Windows the program runs on.
//
// The check raises the signature to the power 65537 modulo the key and
// compares the whole result with the one block a correct signature gives:
// 00 01, FF bytes, 00, the SHA-256 DigestInfo and the digest. Nothing of the
// block is parsed, so no lenient reading of the padding can let a forged
// block through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace signature {

// An RSA public key with the exponent 65537: its modulus, big-endian.
struct PublicKey {
  std::vector<std::uint8_t> modulus;

  // From hexadecimal digits (as `openssl rsa -modulus` prints them); an empty
  // key when the text is not hexadecimal.
  static PublicKey FromHex(const std::string& hex);
};

// Whether the program checks signatures with `key`: an odd modulus of 2048 to
// 4096 bits, leading zero bytes aside. The build refuses any other key
// (cmake/CatalogueKeyCheck.cmake).
bool IsUsableKey(const PublicKey& key);

// Whether `sig` is a valid signature by `key` over `message`. False for a key
// that IsUsableKey refuses, and for a signature that is not exactly as long as
// the modulus without its leading zero bytes, or not below it.
bool Verify(const PublicKey& key, const void* message, std::size_t messageSize, const void* sig,
            std::size_t sigSize);

// Whether any of `keys` verifies the signature.
bool VerifyWithAny(const std::vector<PublicKey>& keys, const std::string& message, const std::string& sig);

}  // namespace signature
