#include "catalogue/FtpSource.h"

#include "catalogue/CatalogueFetcher.h"

namespace catalogue {

namespace {

constexpr int kNoSuchFile = 550;
constexpr int kFirstPermanentRefusal = 500;

class FtpFile : public SourceFile {
 public:
  explicit FtpFile(std::unique_ptr<CInternetFile> file) : file_(std::move(file)) {}
  long Read(char* buffer, std::uint32_t size) override { return file_->Read(buffer, size); }
  std::uint64_t From() const override { return file_->start; }
  // FTP tells a file's size only in a listing.
  std::uint64_t Size() const override { return 0; }

 private:
  std::unique_ptr<CInternetFile> file_;
};

}  // namespace

std::string FtpSource::Where() const {
  std::string where = "ftp://" + owner_.serverHost;
  if (owner_.serverPort != 0) where += ":" + std::to_string(owner_.serverPort);
  return where + "/" + kCatalogueFolder;
}

bool FtpSource::Connect() { return owner_.Connect(); }

bool FtpSource::Answers() { return owner_.connection != nullptr && owner_.connection->IsAlive(); }

std::unique_ptr<SourceFile> FtpSource::Open(const std::string& path, std::uint64_t offset, OpenResult& result) {
  if (owner_.connection == nullptr) {
    result = OpenResult::Unreachable;
    return nullptr;
  }
  std::unique_ptr<CInternetFile> file = owner_.connection->OpenFile(path, offset);
  if (!file) {
    const int refusal = owner_.connection->LastRefusal();
    result = refusal == kNoSuchFile                ? OpenResult::Missing
             : refusal >= kFirstPermanentRefusal ? OpenResult::Refused
             : refusal != 0                      ? OpenResult::Failed
                                                 : OpenResult::Unreachable;
    return nullptr;
  }
  result = OpenResult::Opened;
  return std::make_unique<FtpFile>(std::move(file));
}

std::uint64_t FtpSource::ListedSize(const std::string& path) {
  return catalogue::ListedSize(owner_.connection.get(), path);
}

void FtpSource::Close() {
  if (owner_.session) owner_.session->Close();
  owner_.session.reset();
  if (owner_.connection) owner_.connection->Close();
  owner_.connection.reset();
}

std::uint64_t ListedSize(CFtpConnection* connection, const std::string& remotePath) {
  if (connection == nullptr) return 0;
  // The results of the search are not needed: when nothing is found the
  // length reads 0.
  CFtpFileFind finder(connection, 1);
  finder.FindFile("/" + remotePath, framework::kInternetFlagReload);
  finder.FindNextFile();
  const std::uint64_t size = finder.GetLength();
  finder.Close();
  return size;
}

}  // namespace catalogue
