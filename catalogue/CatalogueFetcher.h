// Fetches the firmware catalogue into a local copy from the first source that
// can be reached (Source.h): a local folder, the maker's FTP server over an
// anonymous connection, or its HTTP mirror. It keeps that source (and its
// connection) for the firmware download that follows, which takes the files
// from the same source.
//
// Outcomes: FetchCatalogue and the steps below it return whether a source
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
#include "catalogue/FolderSource.h"
#include "catalogue/FtpSource.h"
#include "catalogue/HttpSource.h"
#include "framework/Internet.h"

class CatalogueFetcher {
 public:
  // Bound of every wait on the server: connecting, sending, receiving.
  static constexpr std::uint32_t kNetworkTimeoutMs = 10000;

  CatalogueFetcher() = default;
  ~CatalogueFetcher();
  CatalogueFetcher(const CatalogueFetcher&) = delete;
  CatalogueFetcher& operator=(const CatalogueFetcher&) = delete;

  // The sources in order: `localFolder` when it holds the catalogue (then
  // nothing touches the network; with `onlyLocalFolder` nothing else is
  // tried); else up to five attempts of
  // ConnectAndFetch, fewer when one timed out; else, when none reached the
  // FTP server, up to five attempts on the HTTP mirror, fewer when one timed
  // out. True as soon as a source was reached; `sourceKind` names it.
  // `failures` then lists this fetch's stopped attempts, oldest first.
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

  // Makes the HTTP mirror the source in use, with a session and a handle
  // for its server (nothing is sent yet), as FetchCatalogue does when the
  // FTP server cannot be reached. False, with a session or address failure
  // added to `failures`, when that cannot be done.
  bool ConnectMirror();

  // Closes and releases the session, then the connection, and the mirror's;
  // any may already be closed.
  void CloseConnection();

  // The source the catalogue came from, which the files come from too; the
  // FTP server before a fetch reached any.
  Source& InUse();
  const Source& InUse() const { return const_cast<CatalogueFetcher*>(this)->InUse(); }

  // Takes `other`'s source, session, connection, address, catalogue paths and
  // failures (its own connection is closed first); `other` is left without a connection. Hands a
  // connection between threads: from a worker that has ended, or to one
  // before it starts.
  void TakeOver(CatalogueFetcher& other);
  // Takes the server, the mirror, the local folder, the local copy's place and
  // the test seam of `other`.
  void CopySettings(const CatalogueFetcher& other);

  std::string serverAddress;                         // host name followed by "/"
  std::unique_ptr<CInternetSession> session;         // or none
  std::unique_ptr<CFtpConnection> connection;        // or none; lent to the download
  std::string remoteCataloguePath;                   // set once connected
  std::string catalogueFileName;                     // set once connected
  std::string localCataloguePath;                    // set once connected
  FetchFailures failures;                            // see FetchCatalogue
  SourceKind sourceKind = SourceKind::None;          // the source reached, see InUse

  // Where this fetcher goes: fixed values of the build. Tests point their own
  // fetcher at a loopback server and a scratch file before fetching.
  std::string serverHost = deployment::ftpHost;
  unsigned short serverPort = deployment::ftpPort;   // 0: the FTP default
  // Where the catalogue's local copy goes: a file of this run's own in the
  // program's work folder (the program names it: app::UseSource); a copy
  // shared by every run would be deleted by one while another reads it.
  // Empty: none, and no catalogue arrives.
  std::string localCopyPath;
  // The HTTP mirror's catalogue folder; empty: no mirror.
  std::string mirrorAddress = deployment::httpMirror;
  // The local folder tried first (the program's choice: "/source PATH", or
  // the folder beside it); empty: none. With `onlyLocalFolder` (a folder
  // the user named) it is the only source: when it holds no catalogue,
  // nothing is reached.
  std::string localFolder;
  bool onlyLocalFolder = false;
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
  // The catalogue (and its signature) from the folder or the mirror, as
  // ConnectAndFetch fetches it from the FTP server. False when the source
  // could not be reached.
  bool FetchFrom(Source& source);
  // Names the catalogue's places, then removes copies an earlier run left;
  // false (naming no local copy) when one cannot be removed.
  bool PrepareLocalCopy();
  // Whether the last attempt on a server failed because it did not answer
  // in time: another attempt would wait as long again.
  bool timedOut_ = false;
  FtpSource ftp_{*this};
  HttpSource http_;
  FolderSource folder_;

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
