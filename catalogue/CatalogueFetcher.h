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
#include "catalogue/SourceCopy.h"
#include "framework/Internet.h"

namespace catalogue {

class CatalogueCopyJob;

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
  // tried); else up to five attempts of ConnectAndFetch, fewer when one
  // timed out, and one when the server refused the login; else, when none
  // reached the FTP server, up to five attempts on the HTTP mirror, fewer
  // when one timed out. True as soon as a source was reached; `sourceKind`
  // names it. `failures` then lists this fetch's stopped attempts, oldest
  // first.
  //
  // Each file is copied on a worker thread that this one watches: a worker
  // that shows no progress for `stallMs` (no byte, not even the source's
  // answer to the request) is left, and the source's fetch ends there. So a
  // server that stalls in the middle of the catalogue holds the fetch for
  // `stallMs` (10 s) after it last sent something, and the waits before the
  // transfer (connecting, logging in, the answer to each request) are each
  // bounded by kNetworkTimeoutMs on the session.
  bool FetchCatalogue();

  // One attempt: opens a session and a connection, then copies the catalogue
  // to localCataloguePath with up to six transfer tries (one when the server
  // refuses it for good or does not have it, none more after a stall or a
  // lost connection), and after it, when `fetchSignature` is set, its
  // signature "odd.idx.sig" to SignaturePathFor(localCataloguePath) in the
  // same way. True when the connection was made, whether or not the files
  // arrived; the catalogue arrived exactly when it exists at
  // localCataloguePath afterwards. When a copy left from an earlier run
  // cannot be removed, or the copy's place is the local folder's own
  // catalogue, nothing is fetched and localCataloguePath is left empty, so
  // that no other file is read as this run's copy. The session and the
  // connection stay open (unless a stalled worker kept them).
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

  // Closes the connection, then deletes the copy (and its signature) this
  // fetcher writes at `localCopyPath`, unless that is the local folder's
  // own catalogue. Safe to run more than once.
  void Release();

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
  // the stall's length of `other`.
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
  // program's work folder (the program names it: update::UseSource); a copy
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

  // How long a file's copy may show no progress before it is given up;
  // tests shorten it.
  std::uint32_t stallMs = kStallMs;

  // Whether `copyPath` is the local folder's own catalogue file (either
  // layout; FolderSource::IsCatalogueFile): the fetch and the release then
  // leave it alone.
  bool CopyIsTheFoldersCatalogue(const std::string& copyPath) const;

 private:
  // The catalogue (and its signature) from the source in use. False when
  // the source could not be reached.
  bool FetchFromSource();
  // Names the catalogue's places, then removes copies an earlier run left;
  // false (naming no local copy) when one cannot be removed or the place is
  // not the fetch's to write.
  bool PrepareLocalCopy();
  // Up to six tries of `remote` into a new file at `local`, each from the
  // start; a try that fails leaves no part of the file behind. Returns the
  // last try's result: Opened when the file arrived whole.
  OpenResult FetchFile(const std::string& remote, const std::string& local);
  // One try, on a worker that takes the connection while it runs and gives
  // it back when it ends; a worker left for a stall keeps it (`stalled_`).
  OpenResult CopyWatched(const std::string& remote, const std::string& local);
  // Waits for `job` to end; false when it was left for a stall.
  bool WaitWatched(CatalogueCopyJob& job) const;
  // Removes a copy left at `path`; false when one is still there.
  static bool RemoveLeftover(const std::string& path);

  // Whether the last attempt on a server failed because it did not answer
  // in time (another attempt would wait as long again), or refused the
  // login; whether the last file's copy stalled.
  bool timedOut_ = false;
  bool loginRefused_ = false;
  bool stalled_ = false;
  FtpSource ftp_{*this};
  HttpSource http_;
  FolderSource folder_;
};

// The teardown the wizard runs when its window goes: the catalogue's release,
// whose first step closes the fetcher's session and connection, and which
// deletes a copy (and its signature) left at `localCopyPath`, the one place
// this fetcher ever writes them, unless that is the local folder's own
// catalogue. Not `localCataloguePath`: that one stays
// empty when no connection was made, when the fetch was given up before it
// ended, or when an earlier run's copy could not be removed. Safe to run
// more than once.
void ReleaseCatalogue(FirmwareCatalogue& catalogue, CatalogueFetcher& fetcher);

}  // namespace catalogue
