// The catalogue and the firmware from a local folder: a CD, a USB stick, a
// share (UNC path) or the "firmware" folder beside the program. Nothing
// touches the network. The folder holds either what the server's catalogue
// folder holds (odd.idx, odd.idx.sig, and the files below their catalogue
// paths without the catalogue folder: see SourceRelativePath), or the
// server's tree from its root (pub/VORN/cdrom/odd.idx, each file below its
// whole catalogue path), as a mirror of the server is laid out.
#pragma once

#include "catalogue/Source.h"

namespace catalogue {

class FolderSource : public Source {
 public:
  explicit FolderSource(std::string folder = std::string()) : folder(std::move(folder)) {}

  SourceKind Kind() const override { return SourceKind::Folder; }
  std::string Where() const override { return folder; }
  // True when the folder holds the catalogue, in either layout.
  bool Connect() override;
  bool Answers() override;
  std::unique_ptr<SourceFile> Open(const std::string& path, std::uint64_t offset, OpenResult& result) override;
  std::uint64_t ListedSize(const std::string& path) override;
  void Close() override {}

  // The local path of the catalogue path `path`, in the layout Connect found.
  std::string LocalPath(const std::string& path) const;

  // Whether `path` names the folder's catalogue file, in either layout
  // (platform::SamePath): a file no fetch may remove or write.
  bool IsCatalogueFile(const std::string& path) const;

  std::string folder;
  bool serverRoot = false;  // the server's tree from its root, found by Connect
};

}  // namespace catalogue
