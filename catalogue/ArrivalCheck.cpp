#include "catalogue/ArrivalCheck.h"

#include <memory>

#include "catalogue/Sha256.h"

namespace catalogue {

namespace {

constexpr unsigned kHashBlock = 65536;

void CloseQuietly(CFile& file) {
  try {
    file.Close();
  } catch (const CFileException&) {
  }
}

}  // namespace

bool OpenAsListed(const std::string& path, const std::string& listedSha256, CFile& archive) {
  if (!archive.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return false;
  if (listedSha256.empty()) return true;
  try {
    sha256::Hasher hasher;
    std::unique_ptr<char[]> block(new char[kHashBlock]);
    for (unsigned got; (got = archive.Read(block.get(), kHashBlock)) > 0;) hasher.Update(block.get(), got);
    if (sha256::MatchesHex(hasher.Final(), listedSha256)) {
      archive.Seek(0, CFile::begin);
      return true;
    }
  } catch (const CFileException&) {
  }
  CloseQuietly(archive);
  return false;
}

bool ArrivedAsListed(const std::string& path, const std::string& listedSha256) {
  if (listedSha256.empty()) return true;
  CFile file;
  return OpenAsListed(path, listedSha256, file);
}

}  // namespace catalogue
