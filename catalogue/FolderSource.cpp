#include "catalogue/FolderSource.h"

#include "framework/File.h"
#include "framework/Platform.h"

namespace catalogue {

namespace {

class FolderFile : public SourceFile {
 public:
  long Read(char* buffer, std::uint32_t size) override {
    try {
      return static_cast<long>(file.Read(buffer, size));
    } catch (const CFileException&) {
      return -1;
    }
  }
  std::uint64_t From() const override { return from; }
  std::uint64_t Size() const override { return size; }

  CFile file;
  std::uint64_t from = 0;
  std::uint64_t size = 0;
};

}  // namespace

std::string FolderSource::LocalPath(const std::string& path) const {
  std::string local = folder;
  if (!local.empty() && local.back() != '\\' && local.back() != '/') local += framework::kPathSeparator;
  std::string below = serverRoot ? path : SourceRelativePath(path);
  while (!below.empty() && below.front() == '/') below.erase(0, 1);
  for (char c : below) local += c == '/' ? framework::kPathSeparator : c;
  return local;
}

bool FolderSource::Connect() {
  if (folder.empty()) return false;
  for (bool root : {false, true}) {
    serverRoot = root;
    if (platform::FileExists(LocalPath(std::string(kCatalogueFolder) + kCatalogueName))) return true;
  }
  serverRoot = false;
  return false;
}

bool FolderSource::IsCatalogueFile(const std::string& path) const {
  if (folder.empty() || path.empty()) return false;
  FolderSource layout(folder);
  for (bool root : {false, true}) {
    layout.serverRoot = root;
    if (platform::SamePath(layout.LocalPath(std::string(kCatalogueFolder) + kCatalogueName), path)) return true;
  }
  return false;
}

bool FolderSource::Answers() { return framework::IsFolder(folder); }

std::unique_ptr<SourceFile> FolderSource::Open(const std::string& path, std::uint64_t offset, OpenResult& result) {
  const std::string local = LocalPath(path);
  auto file = std::make_unique<FolderFile>();
  CFileException error;
  // Writers are kept out while the file is read, as the download holds it.
  if (!file->file.Open(local, CFile::modeRead | CFile::shareDenyWrite, &error)) {
    // A stick taken out or a share gone is no missing file.
    result = !Answers() ? OpenResult::Unreachable
             : error.cause == CFileException::fileNotFound || error.cause == CFileException::badPath
                 ? OpenResult::Missing
                 : OpenResult::Failed;
    return nullptr;
  }
  try {
    file->size = file->file.GetLength();
    if (offset > file->size) {
      result = OpenResult::Failed;
      return nullptr;
    }
    file->file.Seek(static_cast<std::int64_t>(offset), CFile::begin);
    file->from = offset;
  } catch (const CFileException&) {
    result = OpenResult::Failed;
    return nullptr;
  }
  result = OpenResult::Opened;
  return file;
}

std::uint64_t FolderSource::ListedSize(const std::string& path) {
  OpenResult result;
  std::unique_ptr<SourceFile> file = Open(path, 0, result);
  return file ? file->Size() : 0;
}

}  // namespace catalogue
