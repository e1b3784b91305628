#include "catalogue/Transfer.h"

#include <functional>

#include "catalogue/ArrivalCheck.h"
#include "catalogue/PartialPath.h"
#include "catalogue/Source.h"
#include "framework/FileReplace.h"

namespace catalogue {

namespace {

CWorkerJob::ThreadStarter threadStarter = nullptr;

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
  // The partial file is the transfer's: kept or removed by it when it ends
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
  if (total == 0 && (offset == 0 || firstWorker)) total = source.ListedSize(remotePath);
  stages.fetch_add(1, std::memory_order_relaxed);
  // More bytes kept than the whole file has: not this file's; it starts anew.
  if (total != 0 && offset > total) offset = 0;

  OpenResult result = OpenResult::Failed;
  std::unique_ptr<SourceFile> file = source.Open(remotePath, offset, result);
  if (total == 0 && file) total = file->Size();
  listedBytes.store(static_cast<std::int64_t>(total), std::memory_order_release);
  if (!file) {
    if (result == OpenResult::Missing) return kMissing;
    // A resume the source would not make (a proxy that answers a range from
    // another byte, a refusal of the restart): the kept bytes cannot be gone
    // on from, so the next worker starts from the first byte, rather than
    // every later run failing the same way.
    if (result == OpenResult::Failed && offset > 0) {
      bytes.store(0, std::memory_order_release);
      return kBroken;
    }
    return result == OpenResult::Failed || result == OpenResult::Refused ? kRefused : kBroken;
  }
  // A source that could not go on where asked sends the whole file, which
  // replaces the bytes written.
  offset = file->From();
  bytes.store(offset, std::memory_order_release);
  stages.fetch_add(1, std::memory_order_relaxed);
  if (!Copy(*file, *partial, offset, total)) {
    notAsListed = overran;
    return overran ? kWhole : kBroken;
  }
  file.reset();
  if (!BeginPlacing()) return kBroken;
  succeeded = Place();
  return kWhole;
}

bool TransferJob::Place() {
  // A kept partial file lies in the work folder, perhaps on another volume
  // than the chosen file: its bytes are copied beside the chosen file first,
  // through the handle that keeps other writers out, and go on from there.
  const bool beside = !kept || partial->CopyTo(besidePath);
  partial->Close();
  if (!beside) return false;
  if (!ArrivedAsListed(besidePath, listedSha256)) {
    notAsListed = true;
    return false;
  }
  // Replaces a file the user chose to overwrite only now that the new one
  // is complete; the rename stays on one volume, beside the chosen file.
  if (!framework::MoveIntoPlace(besidePath, localPath)) return false;
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
  if (!StartWorker(OpenPartial(), false)) {
    // No worker will ever run: the transfer is over, failed; a kept partial
    // file stays as it was.
    partial_->Close();
    DeleteFileA(partialPath.c_str());
    done_.store(0, std::memory_order_release);
    return false;
  }
  return true;
}

std::uint64_t Transfer::OpenPartial() {
  partial_ = std::make_shared<PartialFile>();
  const std::string keptPath = KeptPartialPath(partialFolder, listedSha256_);
  kept_ = !keptPath.empty() && partial_->Open(keptPath, true);
  if (!kept_) partial_->Open(partialPath_, false);
  return kept_ ? partial_->Size() : 0;
}

bool Transfer::StartWorker(std::uint64_t offset, bool reconnect) {
  std::uint64_t known = expectedBytes_ != 0 ? expectedBytes_ : totalBytes_;
  const bool first = job_ == nullptr;
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
  job_->partial = partial_;
  job_->kept = kept_;
  job_->besidePath = partialPath_;
  job_->listedSha256 = listedSha256_;
  job_->expectedBytes = known;
  job_->offset = offset;
  job_->reconnect = reconnect;
  job_->firstWorker = first;
  job_->bytes.store(offset, std::memory_order_release);
  watch_.Restart(offset, 0);
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
  // Stalled. Unless the worker is writing or putting the file in place this
  // very moment (then it has not stalled), it is left with its connection,
  // and a new one goes on from the bytes it wrote.
  if (!watch_.Stalled(bytes, stages, stallMs) || !job_->Leave()) return;
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
    job_->Leave();
  }
  // No worker writes any more, unless one never waited for is writing or
  // placing this very moment: the partial file then closes with it.
  if (job_->IsDone() || job_->state.load(std::memory_order_acquire) == TransferJob::kLeft) partial_->Close();
  // A transfer that failed leaves no file beside the chosen one. A kept
  // partial file stays for the next transfer, unless it has served, or its
  // bytes were not the listed file's.
  if (!Succeeded()) DeleteFileA(partialPath_.c_str());
  if (kept_ && (Succeeded() || NotAsListed())) DeleteFileA(partial_->Path().c_str());
  job_->Release();
}

}  // namespace catalogue
