#include "catalogue/Source.h"

#include <cstring>

#include "framework/File.h"
#include "framework/Platform.h"

std::string SourceRelativePath(const std::string& path) {
  std::string relative = path;
  while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
  const std::size_t folder = std::strlen(kCatalogueFolder);
  if (relative.compare(0, folder, kCatalogueFolder) == 0) relative.erase(0, folder);
  return relative;
}

OpenResult CopyWholeFile(Source& source, const std::string& path, const std::string& local, int tries) {
  OpenResult result = OpenResult::Failed;
  for (int attempt = 0; attempt < tries; ++attempt) {
    std::unique_ptr<SourceFile> file = source.Open(path, 0, result);
    if (!file) {
      if (result == OpenResult::Missing || result == OpenResult::Unreachable) return result;
      continue;
    }
    bool whole = false;
    try {
      CFile copy(local, CFile::modeCreate | CFile::modeWrite);
      char block[16384];
      for (;;) {
        const long got = file->Read(block, sizeof block);
        if (got < 0) break;
        if (got == 0) {
          whole = file->Size() == 0 || copy.GetLength() == file->Size();
          break;
        }
        copy.Write(block, static_cast<unsigned>(got));
      }
    } catch (const CFileException&) {
      whole = false;
    }
    if (whole) return OpenResult::Opened;
    // A partial copy is never left to be read as the file.
    platform::RemoveFile(local);
    result = OpenResult::Failed;
  }
  return result;
}
