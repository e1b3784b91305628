// Fetching one firmware file over the lent FTP connection on a worker thread,
// while the user-interface thread shows the progress estimate.
//
// The worker fetches into a temporary file beside the chosen one and puts it
// in place only once it has arrived whole, so that a file the user chose to
// overwrite is replaced only by a complete download and a failed transfer
// leaves it untouched. A file whose SHA-256 is not the one the catalogue
// lists is deleted in the same way.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "framework/Thread.h"  // before Internet.h, which undoes a <windows.h> macro
#include "framework/Internet.h"
#include "install/ProgressSchedule.h"

// The one transfer in progress, shared between the user-interface thread and
// the worker. The user-interface thread fills it before it starts the worker
// and reads it again only after `done` has dropped to 0; the worker writes
// `succeeded` and then sets `*done` to 0, once.
struct TransferJob {
  CFtpConnection* connection = nullptr;  // lent, not owned
  std::string remotePath;
  std::string localPath;
  std::atomic<std::int32_t>* done = nullptr;  // 1 while the transfer runs
  std::uint64_t listedBytes = 0;              // size from the listing; 0: unknown
  std::string listedSha256;                   // the catalogue's hash; empty: none listed
  bool succeeded = false;                     // whether the file is in place, whole
  bool notAsListed = false;                   // arrived whole, but with another hash
};

extern TransferJob transferJob;

// Thread procedure: fetches `job` (a TransferJob), puts the file in place
// when it is whole, clears the done flag. Returns 0.
UINT TransferWorker(LPVOID job);

// The size of `remotePath` as the server lists it ("/" + remotePath), in
// bytes; 0 when the listing finds nothing.
std::uint64_t ListedSize(CFtpConnection* connection, const std::string& remotePath);

// One transfer, from the user-interface thread's side.
class Transfer {
 public:
  // Lists the remote file for its size, fills the shared job and starts the
  // worker. Returns false when no worker thread could be started; the
  // transfer then counts as failed and is already over. `listedSha256` is
  // the hash the file must have (empty: none listed).
  bool Start(CFtpConnection* connection, const std::string& remotePath, const std::string& localPath,
             const std::string& listedSha256 = "");

  // Shows the estimate through `sink` until the worker has ended.
  void RunEstimate(ProgressSink& sink, ProgressClock& clock);

  // After the worker has ended: whether the file is in place, whole.
  bool Succeeded() const;
  // After the worker has ended: whether the file arrived whole but was not
  // the one the catalogue lists, and was deleted.
  bool NotAsListed() const;

  // Waits for a worker still running, so that it never outlives the flag.
  ~Transfer();

  // The listed size as the estimate takes it (a signed 32-bit value).
  std::int32_t EstimateSize() const { return static_cast<std::int32_t>(listedBytes_); }

  // Starts worker threads in place of AfxBeginThread; null restores it. For
  // tests of a worker that cannot start.
  using ThreadStarter = CWinThread* (*)(AFX_THREADPROC, LPVOID);
  static void SetThreadStarter(ThreadStarter starter);

 private:
  std::atomic<std::int32_t> done_{0};
  std::uint64_t listedBytes_ = 0;
};
