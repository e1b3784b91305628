#include "install/ArrivalCheck.h"

#include "catalogue/Sha256.h"

bool ArrivedAsListed(const std::string& path, const std::string& listedSha256) {
  if (listedSha256.empty()) return true;
  sha256::Digest digest;
  return sha256::OfFile(path, digest) && sha256::MatchesHex(digest, listedSha256);
}
