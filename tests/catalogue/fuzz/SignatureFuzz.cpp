// libFuzzer target: our SHA-256 and signature check against OpenSSL's, which
// must give the same answer for every input.
//   first byte 0: the SHA-256 of the rest, whole and in pieces the input sets;
//   1: the rest signed by OpenSSL, then one byte of the signature or of the
//      message changed where the input says;
//   2: a block made from the correct one with the rest XORed into it, raised
//      with the private key (no padding) and checked as a signature;
//   3: the rest taken as a signature as it stands.
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/Sha256.h"
#include "catalogue/Signature.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "signature fuzz: %s\n", what);
    std::abort();
  }
}

struct Key {
  EVP_PKEY* pkey = EVP_RSA_gen(2048);
  signature::PublicKey ours;
  std::size_t size = 0;

  Key() {
    Check(pkey != nullptr, "no key");
    BIGNUM* n = nullptr;
    Check(EVP_PKEY_get_bn_param(pkey, OSSL_PKEY_PARAM_RSA_N, &n) == 1, "no modulus");
    size = static_cast<std::size_t>(BN_num_bytes(n));
    ours.modulus.resize(size);
    BN_bn2bin(n, ours.modulus.data());
    BN_free(n);
  }
};

const Key& TheKey() {
  static const Key key;
  return key;
}

bool OpenSslVerify(const std::string& message, const std::string& sig) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  bool valid = EVP_DigestVerifyInit(ctx, nullptr, EVP_sha256(), nullptr, TheKey().pkey) == 1 &&
               EVP_DigestVerify(ctx, reinterpret_cast<const unsigned char*>(sig.data()), sig.size(),
                                reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
  EVP_MD_CTX_free(ctx);
  return valid;
}

std::string OpenSslSign(const std::string& message) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  std::string sig(TheKey().size, '\0');
  std::size_t length = sig.size();
  Check(EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, TheKey().pkey) == 1 &&
            EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(&sig[0]), &length,
                           reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1,
        "signing failed");
  sig.resize(length);
  EVP_MD_CTX_free(ctx);
  return sig;
}

// The private-key power of `block`, without padding; empty when OpenSSL
// refuses it (a block not below the modulus).
std::string RawPrivate(const std::string& block) {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(TheKey().pkey, nullptr);
  std::string out(TheKey().size, '\0');
  std::size_t length = out.size();
  const bool ok = EVP_PKEY_sign_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING) == 1 &&
                  EVP_PKEY_sign(ctx, reinterpret_cast<unsigned char*>(&out[0]), &length,
                                reinterpret_cast<const unsigned char*>(block.data()), block.size()) == 1;
  EVP_PKEY_CTX_free(ctx);
  if (!ok) return "";
  out.resize(length);
  return out;
}

void Compare(const std::string& message, const std::string& sig) {
  const bool ours = signature::VerifyWithAny({TheKey().ours}, message, sig);
  Check(ours == OpenSslVerify(message, sig), "the two checks disagree");
}

void Hashes(const std::string& data) {
  unsigned char reference[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(data.data()), data.size(), reference);
  const sha256::Digest whole = sha256::Of(data);
  Check(std::equal(whole.begin(), whole.end(), reference), "SHA-256 differs");
  sha256::Hasher pieces;
  const std::size_t piece = data.empty() ? 1 : static_cast<unsigned char>(data[0]) % 97 + 1;
  for (std::size_t at = 0; at < data.size(); at += piece) {
    pieces.Update(data.data() + at, std::min(piece, data.size() - at));
  }
  Check(pieces.Final() == whole, "SHA-256 in pieces differs");
}

std::string CorrectBlock(const std::string& message) {
  static const unsigned char kInfo[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                        0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
  const std::size_t size = TheKey().size;
  std::string block(size, '\xFF');
  block[0] = 0;
  block[1] = 1;
  const sha256::Digest digest = sha256::Of(message);
  const std::string tail = std::string(reinterpret_cast<const char*>(kInfo), sizeof kInfo) +
                           std::string(digest.begin(), digest.end());
  block[size - tail.size() - 1] = 0;
  block.replace(size - tail.size(), tail.size(), tail);
  return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
      Hashes(rest);
      break;
    case 1: {
      const std::string message = rest.substr(rest.size() < 2 ? rest.size() : 2);
      std::string sig = OpenSslSign(message);
      Check(signature::VerifyWithAny({TheKey().ours}, message, sig), "a good signature was refused");
      if (rest.size() >= 2) {
        const std::size_t at = static_cast<unsigned char>(rest[0]) * 256u + static_cast<unsigned char>(rest[1]);
        std::string changed = message;
        if (at < sig.size()) {
          sig[at] = static_cast<char>(sig[at] ^ (at % 255 + 1));
        } else if (!changed.empty()) {
          changed[at % changed.size()] ^= 1;
        }
        Compare(changed, sig);
      }
      break;
    }
    case 2: {
      std::string block = CorrectBlock("catalogue");
      for (std::size_t i = 0; i < rest.size() && i < block.size(); ++i) block[i] ^= rest[i];
      const std::string sig = RawPrivate(block);
      if (!sig.empty()) Compare("catalogue", sig);
      break;
    }
    default:
      Compare("catalogue", rest);
      break;
  }
  return 0;
}
