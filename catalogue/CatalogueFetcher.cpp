#include "catalogue/CatalogueFetcher.h"

#include <cstdint>
#include <memory>

#include "catalogue/SourceCopy.h"
#include "framework/Platform.h"
#include "framework/Thread.h"

namespace catalogue {

namespace {

constexpr int kConnectionAttempts = 5;
constexpr int kTransferTries = 6;
// How often the fetch looks at the worker that copies a file.
constexpr DWORD kLookMs = 100;

}  // namespace

// One try of one file: the worker copies it from the source over the
// connection lent to `link`, from its first byte, into `local`.
class CatalogueCopyJob : public CWorkerJob, public BlockCopy {
 public:
  CatalogueFetcher link;
  std::string remote;
  std::shared_ptr<PartialFile> local;
  OpenResult result = OpenResult::Failed;

 protected:
  void Run() override {
    // A server that sends on and on (or names no size) never fills the
    // disk: no catalogue or signature is longer than a catalogue may be.
    limit = kMaxCatalogueBytes;
    std::unique_ptr<SourceFile> file = link.InUse().Open(remote, 0, result);
    stages.fetch_add(1, std::memory_order_relaxed);
    if (file && !Copy(*file, *local, 0, file->Size())) result = OpenResult::Failed;
  }
};

CatalogueFetcher::~CatalogueFetcher() { CloseConnection(); }

bool CatalogueFetcher::FetchCatalogue() {
  failures.clear();
  sourceKind = SourceKind::None;
  folder_.folder = localFolder;
  if (folder_.Connect()) {
    sourceKind = SourceKind::Folder;
    FetchFromSource();
    return true;
  }
  if (onlyLocalFolder) return false;
  for (int attempt = 0; attempt < kConnectionAttempts; ++attempt) {
    if (ConnectAndFetch()) {
      sourceKind = SourceKind::Ftp;
      return true;
    }
    // Another attempt would wait as long again, or be refused the same way.
    if (timedOut_ || loginRefused_) break;
  }
  // The FTP server cannot be reached (nothing listens, a firewall drops or
  // refuses FTP, a proxy lets only HTTP through): the mirror has the same
  // signed tree.
  for (int attempt = 0; !mirrorAddress.empty() && attempt < kConnectionAttempts; ++attempt) {
    if (!ConnectMirror()) continue;
    if (FetchFromSource()) return true;
    http_.Close();
    sourceKind = SourceKind::None;
    if (http_.lastError == framework::kInternetErrorTimeout) break;
  }
  return false;
}

bool CatalogueFetcher::ConnectMirror() {
  http_.address = mirrorAddress;
  if (!http_.Connect()) {
    if (http_.failed) failures.push_back(http_.failure);
    return false;
  }
  sourceKind = SourceKind::Http;
  return true;
}

Source& CatalogueFetcher::InUse() {
  switch (sourceKind) {
    case SourceKind::Folder: return folder_;
    case SourceKind::Http: return http_;
    default: return ftp_;
  }
}

bool CatalogueFetcher::PrepareLocalCopy() {
  catalogueFileName = kCatalogueName;
  remoteCataloguePath = std::string("/") + kCatalogueFolder + catalogueFileName;
  localCataloguePath = localCopyPath;
  if (localCataloguePath.empty()) return false;

  // Copies left from an earlier run would be taken for this run's if a try
  // failed. A copy that cannot be removed must not be read as this run's
  // catalogue, and the local folder's own catalogue (a folder named where
  // the copy lies) must be neither removed nor written: the fetch then
  // counts as failed, and no local copy is named.
  if (CopyIsTheFoldersCatalogue(localCopyPath) || !RemoveLeftover(localCataloguePath) ||
      !RemoveLeftover(SignaturePathFor(localCataloguePath))) {
    localCataloguePath.clear();
    return false;
  }
  return true;
}

bool CatalogueFetcher::CopyIsTheFoldersCatalogue(const std::string& copyPath) const {
  return FolderSource(localFolder).IsCatalogueFile(copyPath);
}

bool CatalogueFetcher::ConnectAndFetch() {
  if (!Connect()) return false;
  sourceKind = SourceKind::Ftp;
  FetchFromSource();
  return true;
}

bool CatalogueFetcher::FetchFromSource() {
  stalled_ = false;
  if (!PrepareLocalCopy()) return true;
  const OpenResult catalogue = FetchFile(remoteCataloguePath, localCataloguePath);
  if (catalogue == OpenResult::Unreachable) return false;
  if (catalogue == OpenResult::Opened && fetchSignature) {
    FetchFile(SignaturePathFor(remoteCataloguePath), SignaturePathFor(localCataloguePath));
  }
  return true;
}

bool CatalogueFetcher::Connect() {
  timedOut_ = false;
  loginRefused_ = false;
  serverAddress = serverHost + "/";
  // A session left by an earlier attempt that failed on the address is
  // released here rather than leaked.
  CloseConnection();

  session = CInternetSession::Open();
  if (!session) {
    failures.push_back(FetchFailure::SessionNotCreated);
    return false;
  }
  // Without bounds of its own a wait on a server that accepted the
  // connection but does not answer lasts as long as the service likes.
  session->SetTimeouts(kNetworkTimeoutMs);

  // The address has no scheme, so the first parse fails and the second, with
  // "ftp://" in front, gives the FTP service and the host name.
  std::uint32_t service = 0;
  std::string server, object;
  std::uint16_t parsedPort = 0;
  if (!AfxParseURL(serverAddress, service, server, object, parsedPort) &&
      !AfxParseURL("ftp://" + serverAddress, service, server, object, parsedPort)) {
    failures.push_back(FetchFailure::UnusableAddress);
    return false;
  }
  if (service != framework::kInetServiceFtp || server.empty()) {
    failures.push_back(FetchFailure::UnusableAddress);
    return false;
  }

  try {
    connection = session->GetFtpConnection(server, nullptr, nullptr, serverPort, false);
  } catch (const CInternetException& e) {
    // Unreachable server: the next attempt tries again, and the wizard
    // shows its own page when all of them fail. A refused login is final.
    timedOut_ = e.errorCode == framework::kInternetErrorTimeout;
    loginRefused_ = e.errorCode == framework::kInternetErrorLoginFailure;
    CloseConnection();
    return false;
  }
  return true;
}

void CatalogueFetcher::TakeOver(CatalogueFetcher& other) {
  CloseConnection();
  session = std::move(other.session);
  connection = std::move(other.connection);
  http_.TakeOver(other.http_);
  folder_.folder = other.folder_.folder;
  folder_.serverRoot = other.folder_.serverRoot;
  sourceKind = other.sourceKind;
  serverAddress = other.serverAddress;
  remoteCataloguePath = other.remoteCataloguePath;
  catalogueFileName = other.catalogueFileName;
  localCataloguePath = other.localCataloguePath;
  failures = other.failures;
}

void CatalogueFetcher::CopySettings(const CatalogueFetcher& other) {
  serverHost = other.serverHost;
  serverPort = other.serverPort;
  localCopyPath = other.localCopyPath;
  mirrorAddress = other.mirrorAddress;
  localFolder = other.localFolder;
  onlyLocalFolder = other.onlyLocalFolder;
  stallMs = other.stallMs;
  fetchSignature = other.fetchSignature;
}

bool CatalogueFetcher::RemoveLeftover(const std::string& path) {
  if (platform::FileExists(path)) platform::RemoveFile(path);
  return !platform::FileExists(path);
}

OpenResult CatalogueFetcher::FetchFile(const std::string& remote, const std::string& local) {
  OpenResult result = OpenResult::Failed;
  // A missing file, a refusal, no connection or a stall ends the tries.
  for (int attempt = 0; attempt < kTransferTries && result == OpenResult::Failed && !stalled_; ++attempt) {
    result = CopyWatched(remote, local);
  }
  return result;
}

OpenResult CatalogueFetcher::CopyWatched(const std::string& remote, const std::string& local) {
  auto partial = std::make_shared<PartialFile>();
  OpenResult result = OpenResult::Failed;
  if (partial->Open(local, true)) {
    CatalogueCopyJob* job = new CatalogueCopyJob;
    job->link.CopySettings(*this);
    job->link.TakeOver(*this);
    job->remote = remote;
    job->local = partial;
    if (!job->Start() || WaitWatched(*job)) {
      TakeOver(job->link);
      result = job->result;
    } else {
      // Left with the connection, which it closes when its network call
      // returns; the source's next file would wait on the same server.
      stalled_ = true;
    }
    job->Release();
  }
  partial->Close();
  // A partial copy is never left to be read as the file.
  if (result != OpenResult::Opened) platform::RemoveFile(local);
  return result;
}

bool CatalogueFetcher::WaitWatched(CatalogueCopyJob& job) const {
  StallWatch watch;
  watch.Restart(job.bytes.load(std::memory_order_acquire), job.stages.load(std::memory_order_relaxed));
  for (;;) {
    if (WaitForSingleObject(job.DoneEvent(), kLookMs) != WAIT_TIMEOUT) return true;
    if (watch.Stalled(job.bytes.load(std::memory_order_acquire), job.stages.load(std::memory_order_relaxed), stallMs) &&
        job.Leave()) {
      return false;
    }
  }
}

void CatalogueFetcher::CloseConnection() {
  if (session) {
    session->Close();
    session.reset();
  }
  if (connection) {
    connection->Close();
    connection.reset();
  }
  http_.Close();
}

void CatalogueFetcher::Release() {
  CloseConnection();
  if (localCopyPath.empty() || CopyIsTheFoldersCatalogue(localCopyPath)) return;
  for (const std::string& path : {localCopyPath, SignaturePathFor(localCopyPath)}) {
    if (platform::FileExists(path)) platform::RemoveFile(path);
  }
}

void ReleaseCatalogue(FirmwareCatalogue& catalogue, CatalogueFetcher& fetcher) {
  catalogue.ReleaseCatalogue(std::string(), [&fetcher] { fetcher.CloseConnection(); });
  fetcher.Release();
}

}  // namespace catalogue
