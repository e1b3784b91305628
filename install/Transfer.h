// Fetching one firmware file over the wizard's FTP connection on a worker
// thread, while the user-interface thread shows the progress estimate and
// keeps its windows answering.
//
// The worker fetches into a temporary file beside the chosen one (see
// ReservePartialFile) and puts it in place only once it has arrived whole,
// so that a file the user chose to overwrite is replaced only by a complete
// download and a failed transfer leaves it untouched. A file whose SHA-256
// is not the one the catalogue lists is deleted in the same way. Once in
// place the file is checked again through a handle that denies writers,
// which the caller takes over (TakeArchive) and keeps until it is unpacked. A connection that the
// server has closed (it was idle too long, or it dropped during the
// transfer) is made again once. A transfer that shows no progress for
// kStallMs is given up: it fails, and its worker ends whenever the network
// lets it, on a connection of its own that nobody else uses again.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/CatalogueFetcher.h"
#include "framework/File.h"
#include "framework/Thread.h"
#include "install/ProgressSchedule.h"

// One transfer, shared by the user-interface thread and the worker (see
// CWorkerJob). The user-interface thread fills it before the start and reads
// `succeeded` and `link` only once the job is done; the counters below may
// be read at any time.
class TransferJob : public CWorkerJob {
 public:
  TransferJob();

  CatalogueFetcher link;  // the session and connection in use
  std::string remotePath;
  std::string localPath;    // where the file goes
  std::string partialPath;  // the temporary file it arrives in
  // The listed size in bytes (0: not found) once listed; -1 before.
  std::atomic<std::int64_t> listedBytes{-1};
  // Grows with every stage the worker has passed (connected, listed,
  // connected again): movement the stall watch sees before bytes arrive.
  std::atomic<std::uint32_t> stages{0};
  std::string listedSha256;  // the catalogue's hash; empty: none listed
  bool succeeded = false;    // the file is in place, whole
  // With `succeeded`: the file in place, open for reading with writers
  // denied since its hash was checked there.
  std::unique_ptr<CFile> archive;
  bool notAsListed = false;  // arrived whole, but with another hash

  // Who decides the end, once: the worker, when it puts the file in place,
  // or the user-interface thread, when it gives the transfer up. A transfer
  // given up never replaces the chosen file, even if it completes later.
  enum End { kOpen, kPlacing, kGivenUp };
  std::atomic<int> end{kOpen};

 protected:
  void Run() override;

 private:
  bool Fetch();
  bool Reconnect();
  bool FetchIntoPartial();
  int reconnects_ = 0;
};

// The size of `remotePath` as the server lists it ("/" + remotePath), in
// bytes; 0 when the listing finds nothing.
std::uint64_t ListedSize(CFtpConnection* connection, const std::string& remotePath);

// One transfer, from the user-interface thread's side.
class Transfer {
 public:
  // How long a transfer may show no progress (no new bytes, no new stage)
  // before it is given up.
  static constexpr DWORD kStallMs = 30000;

  // Lends `fetcher`'s connection to a new worker and starts it. The fetcher
  // gets the connection back (or the one made in its place) when the worker
  // has ended; after a transfer that was given up it has none, and the next
  // transfer connects anew. Returns false when no worker thread could be
  // started; the transfer then counts as failed and is already over.
  // `listedSha256` is the hash the file must have (empty: none listed).
  bool Start(CatalogueFetcher& fetcher, const std::string& remotePath, const std::string& localPath,
             const std::string& partialPath, const std::string& listedSha256 = "");

  // Waits for the listed size, then shows the estimate through `sink` until
  // the worker has ended or the transfer was given up.
  void RunEstimate(ProgressSink& sink, ProgressClock& clock);

  // After the estimate: whether the file is in place, whole.
  bool Succeeded() const;
  // After a success: the file in place, open with writers denied since its
  // hash was checked; the caller owns it. Null otherwise.
  std::unique_ptr<CFile> TakeArchive();
  // Whether the transfer was given up because it showed no progress.
  bool GaveUp() const { return gaveUp_; }
  // After the worker has ended: whether the file arrived whole but was not
  // the one the catalogue lists, and was deleted.
  bool NotAsListed() const;

  // Hands the connection back or gives the job up; never waits for the
  // worker.
  ~Transfer();

  // The listed size as the estimate takes it (a signed 32-bit value).
  std::int32_t EstimateSize() const { return static_cast<std::int32_t>(listedBytes_); }

  // Signalled when the worker has ended; for waits that should end then.
  HANDLE DoneEvent() const;

  // Starts worker threads in place of AfxBeginThread; null restores it. For
  // tests of a worker that cannot start.
  static void SetThreadStarter(CWorkerJob::ThreadStarter starter);

 private:
  // Looks at the worker: the transfer is over once it has ended, or once it
  // has shown no progress for kStallMs.
  void Check();
  void WaitForSize(ProgressClock& clock);

  TransferJob* job_ = nullptr;
  CatalogueFetcher* fetcher_ = nullptr;
  std::atomic<std::int32_t> done_{0};  // 1 while the user-interface thread waits
  bool gaveUp_ = false;
  std::uint64_t listedBytes_ = 0;
  DWORD lastMove_ = 0;
  std::uint32_t lastStages_ = 0;
  std::int64_t lastBytes_ = -1;
};

// The clock of the download window: pauses and idle waits during which the
// thread's windows keep handling their messages; an idle wait ends early
// when `doneEvent` is signalled.
class PumpingClock : public ProgressClock {
 public:
  explicit PumpingClock(HANDLE doneEvent) : doneEvent_(doneEvent) {}
  void Pause(std::uint32_t ms) override;
  void Idle(const std::atomic<std::int32_t>& done) override;

  // Longest idle wait.
  static constexpr DWORD kIdleMs = 100;

 private:
  HANDLE doneEvent_;
};
