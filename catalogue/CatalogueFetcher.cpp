#include "catalogue/CatalogueFetcher.h"

#include <cstdint>

#include "framework/Platform.h"

namespace {

constexpr int kConnectionAttempts = 5;
constexpr int kTransferTries = 6;
constexpr int kFirstPermanentRefusal = 500;  // FTP replies 5xx

}  // namespace

CatalogueFetcher::~CatalogueFetcher() { CloseConnection(); }

bool CatalogueFetcher::TransferFile(CFtpConnection& connection, const std::string& remote,
                                    const std::string& local) {
  return connection.GetFile(remote, local, true, framework::kFileAttributeNormal,
                            framework::kFtpTransferTypeBinary, 1);
}

bool CatalogueFetcher::FetchCatalogue() {
  failures.clear();
  sourceKind = SourceKind::None;
  folder_.folder = localFolder;
  if (folder_.Connect()) {
    sourceKind = SourceKind::Folder;
    FetchFrom(folder_);
    return true;
  }
  if (onlyLocalFolder) return false;
  for (int attempt = 0; attempt < kConnectionAttempts; ++attempt) {
    if (ConnectAndFetch()) {
      sourceKind = SourceKind::Ftp;
      return true;
    }
    if (timedOut_) break;
  }
  // The FTP server cannot be reached (nothing listens, a firewall drops or
  // refuses FTP, a proxy lets only HTTP through): the mirror has the same
  // signed tree.
  for (int attempt = 0; !mirrorAddress.empty() && attempt < kConnectionAttempts; ++attempt) {
    if (!ConnectMirror()) continue;
    if (FetchFrom(http_)) return true;
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

  // Copies left from an earlier run would make the transfers fail, since they
  // refuse to overwrite an existing file. A copy that cannot be removed must
  // not be read as this run's catalogue: the fetch then counts as failed, and
  // no local copy is named.
  if (!RemoveLeftover(localCataloguePath) || !RemoveLeftover(SignaturePathFor(localCataloguePath))) {
    localCataloguePath.clear();
    return false;
  }
  return true;
}

bool CatalogueFetcher::ConnectAndFetch() {
  if (!Connect()) return false;
  if (!PrepareLocalCopy()) return true;
  if (FetchWithRetries(remoteCataloguePath, localCataloguePath) && fetchSignature) {
    FetchWithRetries(SignaturePathFor(remoteCataloguePath), SignaturePathFor(localCataloguePath));
  }
  return true;
}

bool CatalogueFetcher::FetchFrom(Source& source) {
  if (!PrepareLocalCopy()) return true;
  const OpenResult catalogue = CopyWholeFile(source, remoteCataloguePath, localCataloguePath, kTransferTries);
  if (catalogue == OpenResult::Unreachable) return false;
  if (catalogue == OpenResult::Opened && fetchSignature) {
    CopyWholeFile(source, SignaturePathFor(remoteCataloguePath), SignaturePathFor(localCataloguePath),
                  kTransferTries);
  }
  return true;
}

bool CatalogueFetcher::Connect() {
  timedOut_ = false;
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
    // Unreachable server or refused login: the next attempt tries again, and
    // the wizard shows its own page when all of them fail.
    timedOut_ = e.errorCode == framework::kInternetErrorTimeout;
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
  transferFile = other.transferFile;
  fetchSignature = other.fetchSignature;
}

bool CatalogueFetcher::RemoveLeftover(const std::string& path) {
  if (platform::FileExists(path)) platform::RemoveFile(path);
  return !platform::FileExists(path);
}

bool CatalogueFetcher::FetchWithRetries(const std::string& remote, const std::string& local) {
  for (int attempt = 0; attempt < kTransferTries; ++attempt) {
    if (transferFile(*connection, remote, local)) return true;
    // A failed try may leave part of the file behind. Remove it, so that the
    // next try is not refused because the file exists and a partial file is
    // never taken for the whole one.
    if (platform::FileExists(local)) platform::RemoveFile(local);
    // A permanent refusal (5xx; 550 for a file the server does not have) is
    // not a network failure: asking again on this connection gets the same
    // answer. A transient one (4xx) or a broken transfer is tried again.
    if (connection->LastRefusal() >= kFirstPermanentRefusal) return false;
  }
  return false;
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

void ReleaseCatalogue(FirmwareCatalogue& catalogue, CatalogueFetcher& fetcher) {
  catalogue.ReleaseCatalogue(fetcher.localCopyPath, [&fetcher] { fetcher.CloseConnection(); });
}
