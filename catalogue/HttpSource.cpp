#include "catalogue/HttpSource.h"

#include "catalogue/CatalogueFetcher.h"

namespace catalogue {

namespace {

constexpr std::uint32_t kOk = 200, kPartial = 206, kUnauthorized = 401, kForbidden = 403, kNotFound = 404,
                        kGone = 410, kRangeNotSatisfiable = 416, kFirstServerError = 500;

class HttpFile : public SourceFile {
 public:
  HttpFile(std::unique_ptr<CInternetFile> file, std::uint64_t from) : file_(std::move(file)), from_(from) {}
  long Read(char* buffer, std::uint32_t size) override { return ended_ ? 0 : file_->Read(buffer, size); }
  std::uint64_t From() const override { return from_; }
  std::uint64_t Size() const override { return size_; }

  // Whether the response gives the file from the byte asked for, and what
  // it tells of the whole file's size.
  bool Accept() {
    const CInternetFile& answer = *file_;
    const ContentRange& range = answer.range;
    if (answer.status == kOk) {
      size_ = answer.lengthTold ? answer.length : 0;
      return Skip(from_);
    }
    if (answer.status == kPartial) {
      // The range must start where asked, and a body length told must be
      // the range's.
      size_ = range.totalKnown ? range.total : 0;
      return answer.rangeTold && range.satisfied && range.first == from_ &&
             (!answer.lengthTold || answer.length == range.last - range.first + 1);
    }
    // Asked from the file's very end: nothing is left to send, and the
    // partial file already holds every byte. The size, when told (not all
    // servers do), must say so; the SHA-256 check decides either way.
    ended_ = true;
    size_ = answer.rangeTold ? range.total : 0;
    return answer.status == kRangeNotSatisfiable && from_ > 0 &&
           (!answer.rangeTold || (!range.satisfied && range.total == from_));
  }

 private:
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

  std::unique_ptr<CInternetFile> file_;
  const std::uint64_t from_;
  std::uint64_t size_ = 0;
  bool ended_ = false;
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
  if (status == kNotFound || status == kGone) {
    result = OpenResult::Missing;
    return nullptr;
  }
  if (status == kUnauthorized || status == kForbidden || status >= kFirstServerError) {
    result = OpenResult::Refused;
    return nullptr;
  }
  auto file = std::make_unique<HttpFile>(std::move(response), offset);
  if (!file->Accept()) {
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
  lastError = other.lastError;
}

}  // namespace catalogue
