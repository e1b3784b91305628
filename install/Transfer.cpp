#include "install/Transfer.h"

#include <functional>

#include "catalogue/Source.h"
#include "framework/Dialog.h"
#include "framework/FileReplace.h"
#include "install/ArrivalCheck.h"

namespace {

CWorkerJob::ThreadStarter threadStarter = nullptr;

constexpr std::uint32_t kBlockBytes = 32768;

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

// Writes `size` bytes at `at` into the temporary file, cutting it there
// first when `cut` is set (what lies beyond was not counted as arrived).
// The file is open only for the write: a worker waiting on the network holds
// nothing that would keep the next one from writing or the file from being
// put in place.
bool WriteAt(const std::string& path, std::uint64_t at, const char* data, DWORD size, bool cut) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LONG high = static_cast<LONG>(at >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(file, static_cast<LONG>(at & 0xFFFFFFFFu), &high, FILE_BEGIN);
  bool ok = !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
  if (ok && cut) ok = SetEndOfFile(file) != FALSE;
  DWORD done = 0;
  if (ok && size > 0) ok = WriteFile(file, data, size, &done, nullptr) && done == size;
  CloseHandle(file);
  return ok;
}

}  // namespace

TransferJob::TransferJob() = default;

void TransferJob::Run() {
  // The temporary file is the transfer's: removed by it when it fails
  // (~Transfer), whichever worker wrote last.
  outcome = Fetch();
}

TransferJob::Outcome TransferJob::Fetch() {
  bytes.store(offset, std::memory_order_release);
  Source& source = link.InUse();
  // The server may have closed the lent connection while the user read the
  // pages (idle control connections are closed after some minutes), or it
  // broke with the worker before this one.
  if (reconnect || !source.Answers()) {
    if (!source.Connect()) return kBroken;
    stages.fetch_add(1, std::memory_order_relaxed);
  }
  std::uint64_t total = expectedBytes;
  // FTP tells the size only in a listing, made before the transfer; a
  // mirror's answer and a folder's file tell it once opened.
  if (total == 0 && offset == 0) total = source.ListedSize(remotePath);
  stages.fetch_add(1, std::memory_order_relaxed);

  OpenResult result = OpenResult::Failed;
  std::unique_ptr<SourceFile> file = source.Open(remotePath, offset, result);
  if (total == 0 && file) total = file->Size();
  listedBytes.store(static_cast<std::int64_t>(total), std::memory_order_release);
  if (!file) {
    if (result == OpenResult::Missing) return kMissing;
    return result == OpenResult::Failed ? kRefused : kBroken;
  }
  stages.fetch_add(1, std::memory_order_relaxed);
  if (!Copy(*file, total)) {
    notAsListed = overran;
    return overran ? kWhole : kBroken;
  }
  file.reset();

  if (!ArrivedAsListed(partialPath, listedSha256)) {
    notAsListed = true;
    return kWhole;
  }
  succeeded = Place();
  return kWhole;
}

bool TransferJob::Copy(SourceFile& file, std::uint64_t total) {
  std::unique_ptr<char[]> block(new char[kBlockBytes]);
  std::uint64_t written = offset;
  // Each write happens only while the worker has not been left; the first
  // cuts the file at the offset.
  bool first = true;
  const auto store = [&](long size) {
    int reading = kReading;
    if (!state.compare_exchange_strong(reading, kWriting)) return false;
    const bool stored = WriteAt(partialPath, written, block.get(), static_cast<DWORD>(size), first);
    if (stored) {
      written += static_cast<std::uint64_t>(size);
      bytes.store(written, std::memory_order_release);
    }
    state.store(kReading, std::memory_order_release);
    first = false;
    return stored;
  };
  for (;;) {
    const long got = file.Read(block.get(), kBlockBytes);
    if (got < 0) return false;
    if (got == 0) {
      // The end of the data: the whole file only when it is as long as the
      // source or the catalogue said (a server may report a transfer it cut
      // short as complete).
      return (!first || store(0)) && (total == 0 || written == total);
    }
    // More than the whole file: not the file listed; nothing past it is written.
    if (total != 0 && written + static_cast<std::uint64_t>(got) > total) {
      overran = true;
      return false;
    }
    if (!store(got)) return false;
  }
}

bool TransferJob::Place() {
  int reading = kReading;
  if (!state.compare_exchange_strong(reading, kPlacing)) return false;
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
  return false;
}

void Transfer::SetThreadStarter(CWorkerJob::ThreadStarter starter) { threadStarter = starter; }

bool Transfer::Start(CatalogueFetcher& fetcher, const std::string& remotePath, const std::string& localPath,
                     const std::string& partialPath, const std::string& listedSha256,
                     std::uint64_t expectedBytes) {
  fetcher_ = &fetcher;
  remotePath_ = remotePath;
  localPath_ = localPath;
  partialPath_ = partialPath;
  listedSha256_ = listedSha256;
  expectedBytes_ = expectedBytes;
  done_.store(1, std::memory_order_release);
  if (!StartWorker(0, false)) {
    // No worker will ever run: the transfer is over, failed.
    DeleteFileA(partialPath.c_str());
    done_.store(0, std::memory_order_release);
    return false;
  }
  return true;
}

bool Transfer::StartWorker(std::uint64_t offset, bool reconnect) {
  std::uint64_t known = expectedBytes_ != 0 ? expectedBytes_ : totalBytes_;
  if (job_ != nullptr) {
    const std::int64_t listed = job_->listedBytes.load(std::memory_order_acquire);
    if (known == 0 && listed > 0) known = static_cast<std::uint64_t>(listed);
    job_->Release();
  }
  job_ = new TransferJob;
  handedBack_ = false;
  job_->link.CopySettings(*fetcher_);
  job_->link.TakeOver(*fetcher_);
  job_->remotePath = remotePath_;
  job_->localPath = localPath_;
  job_->partialPath = partialPath_;
  job_->listedSha256 = listedSha256_;
  job_->expectedBytes = known;
  job_->offset = offset;
  job_->reconnect = reconnect;
  job_->bytes.store(offset, std::memory_order_release);
  lastMove_ = GetTickCount();
  lastStages_ = 0;
  lastBytes_ = offset;
  return job_->Start(threadStarter);
}

HANDLE Transfer::DoneEvent() const { return job_ != nullptr ? job_->DoneEvent() : nullptr; }

void Transfer::Check() {
  if (done_.load(std::memory_order_acquire) != 1) return;
  if (job_->IsDone()) {
    fetcher_->TakeOver(job_->link);
    handedBack_ = true;
    // A drop goes on from what arrived, while resumes are left.
    if (job_->outcome == TransferJob::kBroken && resumes_ < kResumes) {
      ++resumes_;
      if (StartWorker(job_->bytes.load(std::memory_order_acquire), false)) return;
    }
    done_.store(0, std::memory_order_release);
    return;
  }
  const std::uint32_t stages = job_->stages.load(std::memory_order_relaxed);
  const std::uint64_t bytes = job_->bytes.load(std::memory_order_acquire);
  const DWORD now = GetTickCount();
  if (stages != lastStages_ || bytes != lastBytes_) {
    lastStages_ = stages;
    lastBytes_ = bytes;
    lastMove_ = now;
    return;
  }
  if (now - lastMove_ < stallMs) return;
  // Stalled. Unless the worker is writing or putting the file in place this
  // very moment (then it has not stalled), it is left with its connection,
  // and a new one goes on from the bytes it wrote.
  int reading = TransferJob::kReading;
  if (!job_->state.compare_exchange_strong(reading, TransferJob::kLeft)) return;
  const std::uint64_t arrived = job_->bytes.load(std::memory_order_acquire);
  if (resumes_ < kResumes) {
    ++resumes_;
    if (StartWorker(arrived, true)) return;
  }
  gaveUp_ = true;
  done_.store(0, std::memory_order_release);
}

void Transfer::WaitForSize(ProgressClock& clock) {
  while (done_.load(std::memory_order_acquire) == 1 && job_->listedBytes.load(std::memory_order_acquire) < 0) {
    clock.Idle(done_);
    Check();
  }
  const std::int64_t listed = job_ != nullptr ? job_->listedBytes.load(std::memory_order_acquire) : -1;
  totalBytes_ = listed > 0 ? static_cast<std::uint64_t>(listed) : 0;
}

void Transfer::Show(ProgressSink& sink, bool end) {
  const std::uint64_t bytes = job_->bytes.load(std::memory_order_acquire);
  meter_.Add(GetTickCount(), bytes);
  // The end of a file that arrived whole is the full bar, whatever the size
  // the transfer took it for.
  sink.SetPosition(end && Succeeded() ? kProgressRangeTop : BarPosition(bytes, totalBytes_, kProgressRangeTop));
  sink.ShowFigures(meter_.Figures(totalBytes_));
  sink.Refresh();
}

void Transfer::RunProgress(ProgressSink& sink, ProgressClock& clock) {
  // A transfer whose worker never started has nothing to show.
  if (job_ == nullptr || done_.load(std::memory_order_acquire) != 1) return;
  WaitForSize(clock);
  DWORD shown = GetTickCount() - kShowEveryMs;
  const auto showWhenDue = [&] {
    if (GetTickCount() - shown < kShowEveryMs) return;
    Show(sink, false);
    shown = GetTickCount();
  };
  if (totalBytes_ == 0) {
    // Nothing to measure the bytes against: the bar follows the estimate, as
    // for a size the listing did not find, and the line gives the amount.
    CheckingClock checking(clock, [&] {
      Check();
      showWhenDue();
    });
    RunProgressEstimate(0, done_, sink, checking);
  } else {
    while (done_.load(std::memory_order_acquire) == 1) {
      showWhenDue();
      clock.Idle(done_);
      Check();
    }
  }
  // The end, once, however short the transfer was: the ticks above may have
  // shown none of it, and their last showing is a step behind it.
  Show(sink, true);
}

bool Transfer::Succeeded() const {
  return job_ != nullptr && !gaveUp_ && done_.load(std::memory_order_acquire) == 0 && job_->IsDone() &&
         job_->succeeded;
}

std::unique_ptr<CFile> Transfer::TakeArchive() { return Succeeded() ? std::move(job_->archive) : nullptr; }

bool Transfer::NotAsListed() const {
  return job_ != nullptr && !gaveUp_ && done_.load(std::memory_order_acquire) == 0 && job_->IsDone() &&
         job_->notAsListed;
}

Transfer::~Transfer() {
  if (job_ == nullptr) return;
  if (job_->IsDone()) {
    if (!handedBack_) fetcher_->TakeOver(job_->link);
  } else {
    // Left (or never waited for): the worker keeps its connection and
    // closes it when it ends, writing nothing more.
    int reading = TransferJob::kReading;
    job_->state.compare_exchange_strong(reading, TransferJob::kLeft);
  }
  // A transfer that failed leaves no temporary file.
  if (!Succeeded()) DeleteFileA(partialPath_.c_str());
  job_->Release();
}

void PumpingClock::Pause(std::uint32_t ms) { WaitPumpingMessages(nullptr, ms); }

void PumpingClock::Idle(const std::atomic<std::int32_t>& done) {
  if (done.load(std::memory_order_acquire) == 1) WaitPumpingMessages(transfer_.DoneEvent(), kIdleMs);
}
