#include "catalogue/HttpSource.h"

#include "catalogue/CatalogueFetcher.h"

namespace {

constexpr std::uint32_t kOk = 200, kPartial = 206, kNotFound = 404, kGone = 410;

class HttpFile : public SourceFile {
 public:
  explicit HttpFile(std::unique_ptr<CInternetFile> file) : file_(std::move(file)) {}
  long Read(char* buffer, std::uint32_t size) override { return file_->Read(buffer, size); }
  std::uint64_t Size() const override { return file_->fileSize; }

  // Reads and drops `count` bytes: the part of a whole file that a server
  // ignoring Range sends before the byte asked for.
  bool Skip(std::uint64_t count) {
    char block[16384];
    while (count > 0) {
      const long got = Read(block, static_cast<std::uint32_t>(count < sizeof block ? count : sizeof block));
      if (got <= 0) return false;
      count -= static_cast<std::uint64_t>(got);
    }
    return true;
  }

 private:
  std::unique_ptr<CInternetFile> file_;
};

}  // namespace

bool HttpSource::Connect() {
  Close();
  failed = false;
  session_ = CInternetSession::Open();
  if (!session_) {
    failed = true;
    failure = FetchFailure::SessionNotCreated;
    return false;
  }
  session_->SetTimeouts(CatalogueFetcher::kNetworkTimeoutMs);
  std::uint32_t service = 0;
  std::string server, object;
  std::uint16_t port = 0;
  if (!AfxParseURL(address, service, server, object, port) || service != framework::kInetServiceHttp ||
      server.empty()) {
    failed = true;
    failure = FetchFailure::UnusableAddress;
    Close();
    return false;
  }
  top_ = object;
  if (top_.empty() || top_.back() != '/') top_ += '/';
  try {
    connection_ = session_->GetHttpConnection(server, port);
  } catch (const CInternetException& e) {
    lastError = e.errorCode;
    Close();
    return false;
  }
  return true;
}

std::unique_ptr<SourceFile> HttpSource::Open(const std::string& path, std::uint64_t offset, OpenResult& result) {
  if (connection_ == nullptr) {
    result = OpenResult::Unreachable;
    return nullptr;
  }
  std::uint32_t error = 0;
  std::unique_ptr<CInternetFile> response = connection_->Get(top_ + SourceRelativePath(path), offset, error);
  if (!response) {
    lastError = error;
    result = OpenResult::Unreachable;
    return nullptr;
  }
  const std::uint32_t status = response->status;
  const std::uint64_t start = response->start;
  auto file = std::make_unique<HttpFile>(std::move(response));
  if (status == kNotFound || status == kGone) {
    result = OpenResult::Missing;
    return nullptr;
  }
  const bool whole = status == kOk && (offset == 0 || file->Skip(offset));
  const bool fromOffset = status == kPartial && start == offset;
  if (!whole && !fromOffset) {
    result = OpenResult::Failed;
    return nullptr;
  }
  result = OpenResult::Opened;
  return file;
}

void HttpSource::Close() {
  if (connection_) connection_->Close();
  connection_.reset();
  if (session_) session_->Close();
  session_.reset();
}

void HttpSource::TakeOver(HttpSource& other) {
  Close();
  session_ = std::move(other.session_);
  connection_ = std::move(other.connection_);
  top_ = other.top_;
  address = other.address;
}
