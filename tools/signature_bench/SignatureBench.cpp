// Times the program's own SHA-256 over a file and the check of a catalogue's
// signature with the keys built into this build, as the program makes it at
// start-up.
//   signature_bench FILE [CATALOGUE SIGNATURE]
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "catalogue/FirmwareCatalogue.h"
#include "catalogue/Sha256.h"
#include "catalogue/Signature.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string Read(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: signature_bench FILE [CATALOGUE SIGNATURE]\n");
    return 2;
  }
  for (int turn = 0; turn < 3; ++turn) {
    const auto start = std::chrono::steady_clock::now();
    sha256::Digest digest;
    if (!sha256::OfFile(argv[1], digest)) {
      std::fprintf(stderr, "cannot read %s\n", argv[1]);
      return 1;
    }
    std::printf("sha256 %s  %.1f ms\n", sha256::ToHex(digest).c_str(), Since(start));
  }
  if (argc == 4) {
    const catalogue::FirmwareCatalogue catalogue;  // the keys built into this build
    const std::string bytes = Read(argv[2]);
    const std::string sig = Read(argv[3]);
    const int rounds = 20;
    bool valid = true;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) valid = valid && signature::VerifyWithAny(catalogue.trustedKeys, bytes, sig);
    std::printf("signature check of a %zu-byte catalogue with %zu key(s): %s, %.2f ms each\n", bytes.size(),
                catalogue.trustedKeys.size(), valid ? "valid" : "INVALID", Since(start) / rounds);
    return valid ? 0 : 1;
  }
  return 0;
}
