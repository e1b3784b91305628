// Fetches the firmware catalogue from the maker's FTP server into a local copy
// over an anonymous FTP connection, and keeps that connection open for the
// firmware download that follows.
//
// Outcomes: FetchCatalogue and the steps below it return whether the server
// was reached; the catalogue arrived exactly when its local copy exists. An
// attempt that stopped before it tried the server records why in `failures`
// (FetchFailure.h), for the caller to show; the fetcher shows nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "CatalogueKeys.h"
#include "Deployment.h"
#include "catalogue/FetchFailure.h"
#include "catalogue/FirmwareCatalogue.h"
#include "framework/Internet.h"

class CatalogueFetcher {
 public:
  // Bound of every wait on the server: connecting, sending, receiving.
  static constexpr std::uint32_t kNetworkTimeoutMs = 10000;

  CatalogueFetcher() = default;
  ~CatalogueFetcher();
  CatalogueFetcher(const CatalogueFetcher&) = delete;
  CatalogueFetcher& operator=(const CatalogueFetcher&) = delete;

  // Up to five attempts of ConnectAndFetch, one after another; true as soon
  // as one of them reached the server. `failures` then lists this fetch's
  // stopped attempts, oldest first.
  bool FetchCatalogue();

  // One attempt: opens a session and a connection, then copies the catalogue
  // to localCataloguePath with up to six transfer tries (one when the server
  // refuses it for good, as it does a file it does not have), and after it,
  // when `fetchSignature` is set, its signature "odd.idx.sig" to
  // SignaturePathFor(localCataloguePath) in the same way. True when the
  // connection was made, whether or not the files arrived; the catalogue
  // arrived exactly when it exists at localCataloguePath afterwards. When a
  // copy left from an earlier run cannot be removed, nothing is fetched and
  // localCataloguePath is left empty, so that the old copy is never read as
  // this run's. The session and the connection stay open.
  bool ConnectAndFetch();

  // Steps of ConnectAndFetch up to the open connection: a session with
  // bounded waits, the address, the anonymous login. True when connected;
  // a session or an address that fails adds its cause to `failures`. The
  // download connects again through it when the lent connection is gone.
  bool Connect();

  // Closes and releases the session, then the connection; either may already
  // be closed.
  void CloseConnection();

  // Takes `other`'s session, connection, address, catalogue paths and
  // failures (its own connection is closed first); `other` is left without a connection. Hands a
  // connection between threads: from a worker that has ended, or to one
  // before it starts.
  void TakeOver(CatalogueFetcher& other);
  // Takes the server, the local copy's place and the test seam of `other`.
  void CopySettings(const CatalogueFetcher& other);

  std::string serverAddress;                         // host name followed by "/"
  std::unique_ptr<CInternetSession> session;         // or none
  std::unique_ptr<CFtpConnection> connection;        // or none; lent to the download
  std::string remoteCataloguePath;                   // set once connected
  std::string catalogueFileName;                     // set once connected
  std::string localCataloguePath;                    // set once connected
  FetchFailures failures;                            // see FetchCatalogue

  // Where this fetcher goes: fixed values of the build. Tests point their own
  // fetcher at a loopback server and a scratch file before fetching.
  std::string serverHost = deployment::ftpHost;
  unsigned short serverPort = deployment::ftpPort;   // 0: the FTP default
  std::string localCopyPath = deployment::localCataloguePath;
  // Whether the maker's signature is fetched with the catalogue: in builds
  // that check it.
  bool fetchSignature = kCatalogueKeyCount > 0;

  // One transfer try: copies `remote` to `local` over `connection` in binary
  // mode, refusing to overwrite an existing file. Tests stand in transfers
  // that fail in ways the FTP service at hand does not.
  bool (*transferFile)(CFtpConnection& connection, const std::string& remote,
                       const std::string& local) = TransferFile;
  static bool TransferFile(CFtpConnection& connection, const std::string& remote, const std::string& local);

 private:
  // Up to six tries of `remote` into `local`, none after the server refused
  // it with a 5xx reply; a try that fails leaves no part of the file behind.
  // True when one succeeded.
  bool FetchWithRetries(const std::string& remote, const std::string& local);
  // Removes a copy left at `path`; false when one is still there.
  static bool RemoveLeftover(const std::string& path);
};

// The teardown the wizard runs when its window goes: the catalogue's release,
// whose first step closes the fetcher's session and connection, and which
// deletes a copy (and its signature) left at `localCopyPath`, the one place
// this fetcher ever writes them. Not `localCataloguePath`: that one stays
// empty when no connection was made, when the fetch was given up before it
// ended, or when an earlier run's copy could not be removed. Safe to run
// more than once.
void ReleaseCatalogue(FirmwareCatalogue& catalogue, CatalogueFetcher& fetcher);
