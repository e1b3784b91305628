// The catalogue and the firmware from a local folder: a CD, a USB stick, a
// share (UNC path) or the "firmware" folder beside the program. It holds
// what the server's catalogue folder holds: odd.idx, odd.idx.sig and the
// files below their catalogue paths (see SourceRelativePath). Nothing
// touches the network.
#pragma once

#include "catalogue/Source.h"

class FolderSource : public Source {
 public:
  explicit FolderSource(std::string folder = std::string()) : folder(std::move(folder)) {}

  SourceKind Kind() const override { return SourceKind::Folder; }
  std::string Where() const override { return folder; }
  // True when the folder holds the catalogue.
  bool Connect() override { return HoldsCatalogue(folder); }
  bool Answers() override;
  std::unique_ptr<SourceFile> Open(const std::string& path, std::uint64_t offset, OpenResult& result) override;
  std::uint64_t ListedSize(const std::string& path) override;
  void Close() override {}

  // Whether `folder` (not empty) holds odd.idx.
  static bool HoldsCatalogue(const std::string& folder);
  // The local path of the catalogue path `path` below `folder`.
  static std::string PathOf(const std::string& folder, const std::string& path);

  std::string folder;
};
