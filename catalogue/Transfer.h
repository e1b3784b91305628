// Fetching one firmware file from the source the catalogue came from (the
// FTP server, the HTTP mirror or a local folder) in blocks on a worker
// thread, while the user-interface thread shows the bytes that have arrived
// and keeps its windows answering.
//
// The file arrives in a temporary file beside the chosen one (see
// ReservePartialFile) and is put in place only once it has arrived whole,
// so that a file the user chose to overwrite is replaced only by a complete
// download and a failed transfer leaves it untouched. A file whose SHA-256
// is not the one the catalogue lists is deleted in the same way. Once in
// place the file is checked again through a handle that denies writers,
// which the caller takes over (TakeArchive) and keeps until it is unpacked.
//
// A file listed with its SHA-256 arrives instead in the transfer's
// `partialFolder`, in a file named after that hash, which a failed or given
// up transfer keeps: the next transfer of the same file, in this run or a
// later one, goes on from its bytes. Once complete it is copied beside the
// chosen file (the work folder may lie on another volume) and put in place
// from there; when its bytes are not the listed file's, it is deleted, so
// that the next transfer starts from the first byte. While a transfer runs
// its partial file is held so that no other writer gets in: another copy of
// the program fetching the same file then uses a partial file of its own
// beside the chosen file, as for a file listed without a hash.
//
// A transfer that drops (the data connection closes early, the server
// reports it aborted) or stalls (no byte for stallMs) goes on from the
// bytes already written: a new worker connects again where the connection
// is gone and asks for the rest (REST before RETR, a Range request, a seek),
// up to kResumes times per file; then the transfer fails. A stalled worker
// is left to end whenever the network lets it, on a connection of its own
// that nobody uses again, and writes nothing more (catalogue/SourceCopy.h).
// A source that cannot go on where asked (an FTP server that refuses REST)
// sends the whole file, which then replaces the bytes written. The SHA-256
// check covers the whole file, however many workers and runs wrote it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/CatalogueFetcher.h"
#include "catalogue/SourceCopy.h"
#include "framework/File.h"
#include "framework/Thread.h"
#include "catalogue/ProgressSchedule.h"
#include "catalogue/TransferMeter.h"

namespace catalogue {

// One worker of a transfer: reads the file from `offset` on into the
// partial file, shared with the user-interface thread (see CWorkerJob and
// BlockCopy). The user-interface thread fills it before the start and reads
// `outcome`, `succeeded` and `link` only once the job is done; the counters
// may be read at any time.
class TransferJob : public CWorkerJob, public BlockCopy {
 public:
  TransferJob();

  CatalogueFetcher link;  // the source and its connection in use
  std::string remotePath;
  std::string localPath;  // where the file goes
  // The file it arrives in, held by the transfer; `kept` when it lies in the
  // work folder under the file's hash, else it is `besidePath`.
  std::shared_ptr<PartialFile> partial;
  bool kept = false;
  std::string besidePath;  // an empty file beside `localPath`, made for the transfer
  std::uint64_t offset = 0;         // the bytes already in the partial file
  std::uint64_t expectedBytes = 0;  // the whole file's size, when known before
  bool reconnect = false;           // connect anew before anything else
  bool firstWorker = false;         // the transfer's first: asks for the size
  // The whole file's size (0: unknown) once the worker knows it; -1 before.
  std::atomic<std::int64_t> listedBytes{-1};
  std::string listedSha256;  // the catalogue's hash; empty: none listed

  // How the worker ended.
  enum Outcome {
    kBroken,   // dropped, cut short, no connection: worth going on with
    kRefused,  // the source refused the file (451, 5xx, 401, 403)
    kMissing,  // the source has no such file
    kWhole,    // arrived whole (then `succeeded` or `notAsListed`)
  };
  Outcome outcome = kBroken;
  bool succeeded = false;    // the file is in place, whole
  // With `succeeded`: the file in place, open for reading with writers
  // denied since its hash was checked there.
  std::unique_ptr<CFile> archive;
  bool notAsListed = false;  // arrived whole, but with another hash, or longer than listed

 protected:
  void Run() override;

 private:
  Outcome Fetch();
  // Puts the whole file in place once its hash is checked; true when it is
  // held there.
  bool Place();
};

// One transfer, from the user-interface thread's side.
class Transfer {
 public:
  // How long a worker may show no progress (no new bytes, no new stage)
  // before it is left and the transfer goes on with a new one.
  static constexpr DWORD kStallMs = catalogue::kStallMs;
  // How many times a transfer goes on after a drop or a stall.
  static constexpr int kResumes = 3;
  // Least time between two showings of the progress (at most ten a second).
  static constexpr DWORD kShowEveryMs = 250;

  // Lends `fetcher`'s source and connection to a new worker and starts it.
  // The fetcher gets the connection back (or the one made in its place) when
  // the last worker has ended; after a worker was left it has none, and the
  // next transfer connects anew. Returns false when no worker thread could
  // be started; the transfer then counts as failed and is already over.
  // `partialPath` is an empty file made beside `localPath` for the transfer
  // (ReservePartialFile). `listedSha256` is the hash the file must have
  // (empty: none listed); `expectedBytes` its size as the catalogue lists
  // it (0: unknown; the source is asked).
  bool Start(CatalogueFetcher& fetcher, const std::string& remotePath, const std::string& localPath,
             const std::string& partialPath, const std::string& listedSha256 = "",
             std::uint64_t expectedBytes = 0);

  // Waits for the file's size, then shows the bytes that have arrived
  // through `sink`, about four times a second, until the transfer is over;
  // then its end, once: the full bar on success, else the bytes that had
  // arrived. With no size known, the bar follows the estimate of
  // ProgressSchedule. Returns at once, showing nothing, when Start failed.
  void RunProgress(ProgressSink& sink, ProgressClock& clock);

  // After the progress: whether the file is in place, whole.
  bool Succeeded() const;
  // After a success: the file in place, open with writers denied since its
  // hash was checked; the caller owns it. Null otherwise.
  std::unique_ptr<CFile> TakeArchive();
  // Whether the transfer was given up because its last worker showed no
  // progress and no resume was left.
  bool GaveUp() const { return gaveUp_; }
  // After the transfer: whether the file arrived whole but was not the one
  // the catalogue lists, and was deleted.
  bool NotAsListed() const;
  // The whole file's size as the transfer took it (0: unknown).
  std::uint64_t TotalBytes() const { return totalBytes_; }
  // How many times the transfer went on after a drop or a stall.
  int Resumes() const { return resumes_; }

  // Hands the connection back or leaves the worker; never waits for it.
  ~Transfer();

  // Signalled when the current worker has ended; for waits that should end
  // then.
  HANDLE DoneEvent() const;

  // A stall shorter than kStallMs, for tests that should not wait so long.
  DWORD stallMs = kStallMs;

  // The folder where a file listed with its SHA-256 arrives and is kept
  // between transfers (KeptPartialPath); empty: every file arrives beside
  // the chosen one. Set before Start.
  std::string partialFolder;

  // Starts worker threads in place of AfxBeginThread; null restores it. For
  // tests of a worker that cannot start.
  static void SetThreadStarter(CWorkerJob::ThreadStarter starter);

 private:
  // Opens the file the bytes arrive in: the kept one of the file's hash
  // unless another writer holds it, else the one given beside the chosen
  // file. Returns the bytes to go on from.
  std::uint64_t OpenPartial();
  // Starts a worker from `offset`; false when none could be started.
  bool StartWorker(std::uint64_t offset, bool reconnect);
  // Looks at the worker: takes its end, goes on after a drop or a stall, or
  // ends the transfer.
  void Check();
  void WaitForSize(ProgressClock& clock);
  // Shows the bytes that have arrived; at the `end` of a transfer that
  // succeeded, the full bar.
  void Show(ProgressSink& sink, bool end);

  TransferJob* job_ = nullptr;
  CatalogueFetcher* fetcher_ = nullptr;
  std::string remotePath_, localPath_, partialPath_, listedSha256_;
  std::shared_ptr<PartialFile> partial_;
  bool kept_ = false;  // the partial file is the kept one of the file's hash
  std::uint64_t expectedBytes_ = 0;
  std::atomic<std::int32_t> done_{0};  // 1 while the transfer runs
  bool gaveUp_ = false;
  bool handedBack_ = false;  // the ended worker's connection is the fetcher's again
  int resumes_ = 0;
  std::uint64_t totalBytes_ = 0;
  StallWatch watch_;
  RateMeter meter_;
};

}  // namespace catalogue
