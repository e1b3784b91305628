// The maker's FTP server as a source, over the connection its fetcher keeps
// (CatalogueFetcher's session and connection): files are read in blocks,
// and a transfer that broke goes on with REST before the next RETR.
#pragma once

#include "catalogue/Source.h"
#include "framework/Internet.h"

namespace catalogue {

class CatalogueFetcher;

class FtpSource : public Source {
 public:
  explicit FtpSource(CatalogueFetcher& owner) : owner_(owner) {}

  SourceKind Kind() const override { return SourceKind::Ftp; }
  std::string Where() const override;
  bool Connect() override;
  bool Answers() override;
  std::unique_ptr<SourceFile> Open(const std::string& path, std::uint64_t offset, OpenResult& result) override;
  std::uint64_t ListedSize(const std::string& path) override;
  void Close() override;

 private:
  CatalogueFetcher& owner_;
};

// The size of `remotePath` as the server lists it ("/" + remotePath), in
// bytes; 0 when the listing finds nothing.
std::uint64_t ListedSize(CFtpConnection* connection, const std::string& remotePath);

}  // namespace catalogue
