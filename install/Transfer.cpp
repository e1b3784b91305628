#include "install/Transfer.h"

#include <functional>

#include "framework/FileReplace.h"
#include "framework/Dialog.h"
#include "install/ArrivalCheck.h"

namespace {

CWorkerJob::ThreadStarter threadStarter = nullptr;

// Size of a local file; -1 when it cannot be read.
std::int64_t LocalFileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Wraps the caller's clock so that every wait of the estimate is followed by
// a look at the worker.
class CheckingClock : public ProgressClock {
 public:
  template <typename Check>
  CheckingClock(ProgressClock& inner, Check check) : inner_(inner), check_(check) {}
  void Pause(std::uint32_t ms) override {
    inner_.Pause(ms);
    check_();
  }
  void Idle(const std::atomic<std::int32_t>& done) override {
    inner_.Idle(done);
    check_();
  }

 private:
  ProgressClock& inner_;
  std::function<void()> check_;
};

}  // namespace

TransferJob::TransferJob() = default;

void TransferJob::Run() {
  succeeded = Fetch();
  if (!succeeded) DeleteFileA(partialPath.c_str());
}

bool TransferJob::Reconnect() {
  if (reconnects_ > 0) return false;
  ++reconnects_;
  const bool connected = link.Connect();
  stages.fetch_add(1, std::memory_order_relaxed);
  return connected;
}

bool TransferJob::FetchIntoPartial() {
  // The file was made empty for this transfer; the fetch overwrites it.
  const bool whole = link.connection != nullptr &&
                     link.connection->GetFile(remotePath, partialPath, false,
                                              framework::kFileAttributeNormal,
                                              framework::kFtpTransferTypeBinary, 1);
  if (!whole) GetLastError();  // the cause is not reported further
  return whole;
}

bool TransferJob::Fetch() {
  // The server may have closed the lent connection while the user read the
  // pages (idle control connections are closed after some minutes).
  if ((link.connection == nullptr || !link.connection->IsAlive()) && !Reconnect()) return false;
  stages.fetch_add(1, std::memory_order_relaxed);
  const std::uint64_t size = ListedSize(link.connection.get(), remotePath);
  listedBytes.store(static_cast<std::int64_t>(size), std::memory_order_release);

  bool whole = FetchIntoPartial();
  // Dropped during the transfer: once more on a new connection.
  if (!whole && !link.connection->IsAlive() && Reconnect()) whole = FetchIntoPartial();
  // The service may report success for a transfer cut short; a listed size
  // must then match what arrived.
  if (whole && size != 0 && LocalFileSize(partialPath) != static_cast<std::int64_t>(size)) {
    whole = false;
  }
  if (whole) {
    stages.fetch_add(1, std::memory_order_relaxed);
    if (!ArrivedAsListed(partialPath, listedSha256)) {
      notAsListed = true;
      whole = false;
    }
  }
  int open = kOpen;
  if (whole && end.compare_exchange_strong(open, kPlacing)) {
    // Replaces a file the user chose to overwrite only now that the new one
    // is complete; the rename stays on one volume, beside the chosen file.
    if (!framework::MoveIntoPlace(partialPath, localPath)) return false;
    // Checked again where it lies now, through the handle that holds it,
    // writers denied, until it is unpacked: a file swapped in after the
    // first check is found here, and none can be swapped in later.
    archive.reset(new CFile);
    if (OpenAsListed(localPath, listedSha256, *archive)) return true;
    archive.reset();
    notAsListed = true;
    DeleteFileA(localPath.c_str());
  }
  return false;
}

std::uint64_t ListedSize(CFtpConnection* connection, const std::string& remotePath) {
  if (connection == nullptr) return 0;
  // The results of the search are not needed: when nothing is found the
  // length reads 0.
  CFtpFileFind finder(connection, 1);
  finder.FindFile("/" + remotePath, framework::kInternetFlagReload);
  finder.FindNextFile();
  const std::uint64_t size = finder.GetLength();
  finder.Close();
  return size;
}

void Transfer::SetThreadStarter(CWorkerJob::ThreadStarter starter) { threadStarter = starter; }

bool Transfer::Start(CatalogueFetcher& fetcher, const std::string& remotePath,
                     const std::string& localPath, const std::string& partialPath,
                     const std::string& listedSha256) {
  fetcher_ = &fetcher;
  job_ = new TransferJob;
  job_->link.CopySettings(fetcher);
  job_->link.TakeOver(fetcher);
  job_->remotePath = remotePath;
  job_->localPath = localPath;
  job_->partialPath = partialPath;
  job_->listedSha256 = listedSha256;
  lastMove_ = GetTickCount();
  done_.store(1, std::memory_order_release);
  if (!job_->Start(threadStarter)) {
    // No worker will ever run: the transfer is over, failed.
    DeleteFileA(partialPath.c_str());
    done_.store(0, std::memory_order_release);
    return false;
  }
  return true;
}

HANDLE Transfer::DoneEvent() const { return job_ != nullptr ? job_->DoneEvent() : nullptr; }

void Transfer::Check() {
  if (done_.load(std::memory_order_acquire) != 1) return;
  if (job_->IsDone()) {
    done_.store(0, std::memory_order_release);
    return;
  }
  const std::uint32_t stages = job_->stages.load(std::memory_order_relaxed);
  const std::int64_t bytes = LocalFileSize(job_->partialPath);
  const DWORD now = GetTickCount();
  if (stages != lastStages_ || bytes != lastBytes_) {
    lastStages_ = stages;
    lastBytes_ = bytes;
    lastMove_ = now;
  } else if (now - lastMove_ >= kStallMs) {
    // Unless the worker is putting the file in place this very moment (then
    // it ends at once), the transfer is over, failed.
    int open = TransferJob::kOpen;
    if (job_->end.compare_exchange_strong(open, TransferJob::kGivenUp)) {
      gaveUp_ = true;
      done_.store(0, std::memory_order_release);
    }
  }
}

void Transfer::WaitForSize(ProgressClock& clock) {
  while (done_.load(std::memory_order_acquire) == 1 &&
         job_->listedBytes.load(std::memory_order_acquire) < 0) {
    clock.Idle(done_);
    Check();
  }
  const std::int64_t listed = job_ != nullptr ? job_->listedBytes.load(std::memory_order_acquire) : -1;
  listedBytes_ = listed > 0 ? static_cast<std::uint64_t>(listed) : 0;
}

void Transfer::RunEstimate(ProgressSink& sink, ProgressClock& clock) {
  if (job_ == nullptr) return;
  WaitForSize(clock);
  CheckingClock checking(clock, [this] { Check(); });
  RunProgressEstimate(EstimateSize(), done_, sink, checking);
}

bool Transfer::Succeeded() const {
  return job_ != nullptr && !gaveUp_ && done_.load(std::memory_order_acquire) == 0 &&
         job_->IsDone() && job_->succeeded;
}

std::unique_ptr<CFile> Transfer::TakeArchive() {
  return Succeeded() ? std::move(job_->archive) : nullptr;
}

bool Transfer::NotAsListed() const {
  return job_ != nullptr && !gaveUp_ && done_.load(std::memory_order_acquire) == 0 &&
         job_->IsDone() && job_->notAsListed;
}

Transfer::~Transfer() {
  if (job_ == nullptr) return;
  if (job_->IsDone()) {
    fetcher_->TakeOver(job_->link);
  } else {
    // Given up (or never waited for): the worker keeps its connection and
    // closes it when it ends. Its temporary file goes now where the system
    // allows, else when the worker ends.
    DeleteFileA(job_->partialPath.c_str());
  }
  job_->Release();
}

void PumpingClock::Pause(std::uint32_t ms) { WaitPumpingMessages(nullptr, ms); }

void PumpingClock::Idle(const std::atomic<std::int32_t>& done) {
  if (done.load(std::memory_order_acquire) == 1) WaitPumpingMessages(doneEvent_, kIdleMs);
}
