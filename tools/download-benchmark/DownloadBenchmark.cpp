// The download's figures, against the loopback FTP server, each beside the
// same figure for the download as it was before it read in blocks (one
// FtpGetFile call on a worker, the progress estimated from the listed size,
// a transfer that broke fetched again from its start), in one run:
//   - last byte to window closed, 400 KB served at 20 KB/s;
//   - largest gap between the bar and the bytes arrived, 2 MB at 200 KB/s;
//   - bytes fetched with a drop at 90% of 2 MB.
// Then, as before, the process's processor time while the window waits for
// a transfer, beside a loop that checks the flag without waiting.
//
// Windowless: the window's loop runs as the download window runs it (the
// same clock and progress calls), and its close is the end of that loop plus
// the time the end is shown; after, it includes the SHA-256 checks of the
// arrived file. "Arrived" is the size of the file on disk,
// watched every 2 ms from a thread of its own; bytes fetched are those the
// server logged as sent.
//
// Run through the FTP fixture's control service (see README.md).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/FtpSource.h"
#include "catalogue/PartialPath.h"
#include "catalogue/Sha256.h"
#include "catalogue/Transfer.h"
#include "framework/Dialog.h"
#include "install/DownloadDialog.h"
#include "tools/ftp-server/FtpFixtureClient.h"

namespace {

using install::PumpingClock;
using install::kEndShownMs;

using catalogue::CatalogueFetcher;
using catalogue::ProgressClock;
using catalogue::ProgressSink;
using catalogue::ReservePartialFile;
using catalogue::Transfer;
using catalogue::kProgressRangeTop;

const char kRemote[] = "pub/VORN/cdrom/bench.zip";
const char kLocal[] = "download_benchmark.zip";

std::int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The bar as the window would show it: every position set, with its time.
class RecordingBar : public ProgressSink {
 public:
  void SetPosition(int position) override { shown.push_back({GetTickCount(), position}); }
  void Refresh() override {}
  struct Shown {
    DWORD at;
    int position;
  };
  std::vector<Shown> shown;
};

// The bytes on disk, every 2 ms, until stopped; and when the last arrived.
class ArrivalWatch {
 public:
  ArrivalWatch(std::vector<std::string> paths, std::int64_t total)
      : paths_(std::move(paths)), total_(total), thread_([this] { Run(); }) {}
  ~ArrivalWatch() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  struct Sample {
    DWORD at;
    std::int64_t bytes;
  };
  std::vector<Sample> samples;
  DWORD lastByteAt = 0;

 private:
  void Run() {
    while (!stop_) {
      std::int64_t bytes = 0;
      for (const std::string& path : paths_) bytes = std::max(bytes, FileSize(path));
      const DWORD now = GetTickCount();
      samples.push_back({now, bytes});
      if (lastByteAt == 0 && bytes >= total_) lastByteAt = now;
      Sleep(2);
    }
  }
  std::vector<std::string> paths_;
  std::int64_t total_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The largest gap, in points of the bar, between the bar as shown and the
// share of the file on disk, from the first position shown on.
double LargestGap(const RecordingBar& bar, const ArrivalWatch& watch, std::int64_t total) {
  double largest = 0;
  std::size_t shown = 0;
  for (const ArrivalWatch::Sample& sample : watch.samples) {
    while (shown + 1 < bar.shown.size() && bar.shown[shown + 1].at <= sample.at) ++shown;
    if (bar.shown.empty() || bar.shown[shown].at > sample.at) continue;
    const double barPoints = bar.shown[shown].position * 100.0 / kProgressRangeTop;
    const double bytePoints = sample.bytes * 100.0 / static_cast<double>(total);
    largest = std::max(largest, barPoints > bytePoints ? barPoints - bytePoints : bytePoints - barPoints);
  }
  return largest;
}

// The download before: one FtpGetFile call on a worker, again on a new
// connection when the old one died, the listed size for the estimate.
class WholeFileJob : public CWorkerJob {
 public:
  CatalogueFetcher link;
  std::string partial;
  std::atomic<std::int64_t> listed{-1};
  bool whole = false;

 protected:
  void Run() override {
    listed = static_cast<std::int64_t>(catalogue::ListedSize(link.connection.get(), kRemote));
    whole = link.connection->GetFile(kRemote, partial, false);
    if (!whole && !link.connection->IsAlive() && link.Connect()) whole = link.connection->GetFile(kRemote, partial, false);
  }
};

// The wait of the window before: idle waits of at most 100 ms that end when
// the worker does, the estimate's pauses served in full.
class WaitingClock : public ProgressClock {
 public:
  WaitingClock(WholeFileJob& job, std::atomic<std::int32_t>& done) : job_(job), done_(done) {}
  void Pause(std::uint32_t ms) override {
    Sleep(ms);
    Look();
  }
  void Idle(const std::atomic<std::int32_t>&) override {
    WaitForSingleObject(job_.DoneEvent(), 100);
    Look();
  }
  void Look() {
    if (job_.IsDone()) done_ = 0;
  }

 private:
  WholeFileJob& job_;
  std::atomic<std::int32_t>& done_;
};

struct Run {
  bool whole = false;
  DWORD closedAt = 0;  // the end of the window's loop and of the end shown
  double gap = 0;
  DWORD lastByteToClosed = 0;
};

Run Before(CatalogueFetcher& fetcher, std::int64_t size) {
  const std::string partial = ReservePartialFile(kLocal);
  ArrivalWatch watch({partial}, size);
  RecordingBar bar;
  auto* job = new WholeFileJob;
  job->link.CopySettings(fetcher);
  job->link.TakeOver(fetcher);
  job->partial = partial;
  std::atomic<std::int32_t> done{1};
  WaitingClock clock(*job, done);
  job->Start();
  while (done == 1 && job->listed < 0) clock.Idle(done);
  catalogue::RunProgressEstimate(static_cast<std::int32_t>(job->listed.load()), done, bar, clock);
  bar.SetPosition(kProgressRangeTop);
  Sleep(kEndShownMs);
  Run run;
  run.closedAt = GetTickCount();
  WaitForSingleObject(job->DoneEvent(), INFINITE);
  watch.Stop();
  run.whole = job->whole && FileSize(partial) == size;
  fetcher.TakeOver(job->link);
  job->Release();
  run.gap = LargestGap(bar, watch, size);
  run.lastByteToClosed = watch.lastByteAt != 0 ? run.closedAt - watch.lastByteAt : 0;
  DeleteFileA(partial.c_str());
  return run;
}

Run After(CatalogueFetcher& fetcher, std::int64_t size) {
  const std::string partial = ReservePartialFile(kLocal);
  ArrivalWatch watch({partial, kLocal}, size);
  RecordingBar bar;
  Run run;
  {
    Transfer transfer;
    // With the catalogue's size and SHA-256, as the window has them: the
    // file is checked twice before the window may close.
    const std::string listed = sha256::ToHex(sha256::Of(std::string(static_cast<std::size_t>(size), 'x')));
    transfer.Start(fetcher, kRemote, kLocal, partial, listed, static_cast<std::uint64_t>(size));
    PumpingClock clock(transfer);
    transfer.RunProgress(bar, clock);
    if (transfer.Succeeded()) bar.SetPosition(kProgressRangeTop);
    WaitPumpingMessages(nullptr, kEndShownMs);
    run.closedAt = GetTickCount();
    run.whole = transfer.Succeeded();
  }
  watch.Stop();
  run.gap = LargestGap(bar, watch, size);
  run.lastByteToClosed = watch.lastByteAt != 0 ? run.closedAt - watch.lastByteAt : 0;
  DeleteFileA(kLocal);
  return run;
}

std::unique_ptr<ftpfixture::FtpServer> Serve(const std::string& mode, std::size_t size, CatalogueFetcher& fetcher) {
  auto server = std::make_unique<ftpfixture::FtpServer>(mode);
  server->PutFile(std::string("/") + kRemote, std::string(size, 'x'));
  fetcher.CloseConnection();
  fetcher.serverHost = "127.0.0.1";
  fetcher.serverPort = server->Port();
  fetcher.mirrorAddress.clear();
  if (!fetcher.Connect()) throw std::runtime_error("no connection to the server in mode " + mode);
  return server;
}

const char* Whole(const Run& run) { return run.whole ? "" : " (failed)"; }

void Figures() {
  CatalogueFetcher fetcher;
  std::printf("%-52s %14s %14s   %s\n", "figure", "before", "after", "goal");

  const std::size_t small = 400 * 1024;
  auto server = Serve("slow-retr=20480", small, fetcher);
  const Run slowBefore = Before(fetcher, small);
  server = Serve("slow-retr=20480", small, fetcher);
  const Run slowAfter = After(fetcher, small);
  std::printf("%-52s %12.2f s%s %12.2f s%s   at most 0.2 s\n", "last byte to window closed, 400 KB at 20 KB/s",
              slowBefore.lastByteToClosed / 1000.0, Whole(slowBefore), slowAfter.lastByteToClosed / 1000.0,
              Whole(slowAfter));

  const std::size_t large = 2 * 1024 * 1024;
  server = Serve("slow-retr=204800", large, fetcher);
  const Run gapBefore = Before(fetcher, large);
  server = Serve("slow-retr=204800", large, fetcher);
  const Run gapAfter = After(fetcher, large);
  std::printf("%-52s %11.1f pt%s %11.1f pt%s   at most 5 points\n", "largest gap between the bar and the bytes, 2 MB",
              gapBefore.gap, Whole(gapBefore), gapAfter.gap, Whole(gapAfter));

  // Before, the transfer that broke failed; the user fetched it again.
  const std::string dropAt = "drop-after=" + std::to_string(large * 9 / 10);
  server = Serve(dropAt, large, fetcher);
  Run dropBefore = Before(fetcher, large);
  const bool retried = !dropBefore.whole;
  if (retried) dropBefore = Before(fetcher, large);
  const long long sentBefore = server->BytesLogged();
  server = Serve(dropAt, large, fetcher);
  const Run dropAfter = After(fetcher, large);
  const long long sentAfter = server->BytesLogged();
  std::printf("%-52s %12.2f x%s %12.2f x%s   at most 1.1 times\n", "bytes fetched with a drop at 90%, 2 MB",
              static_cast<double>(sentBefore) / large, Whole(dropBefore), static_cast<double>(sentAfter) / large,
              Whole(dropAfter));
  if (retried) std::printf("  (before: the transfer that dropped failed, and the user fetched the file again)\n");
}

class NoBar : public ProgressSink {
 public:
  void SetPosition(int) override {}
  void Refresh() override {}
};

// The reference: a waiting pass returns at once, so the loop spins.
class SpinningClock : public catalogue::SleepingClock {
 public:
  void Idle(const std::atomic<std::int32_t>&) override {}
};

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

bool Waiting(const char* label, CatalogueFetcher& fetcher, ProgressClock* clock) {
  NoBar bar;
  const double cpuBefore = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  bool ok = false;
  {
    Transfer transfer;
    transfer.Start(fetcher, kRemote, kLocal, ReservePartialFile(kLocal));
    PumpingClock pumping(transfer);
    transfer.RunProgress(bar, clock != nullptr ? *clock : pumping);
    ok = transfer.Succeeded();
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  std::printf("%-34s wall %6.2f s   process CPU %6.2f s   (%3.0f%% of one core)%s\n", label, wall, cpu,
              100.0 * cpu / wall, ok ? "" : "   TRANSFER FAILED");
  DeleteFileA(kLocal);
  return ok;
}

}  // namespace

int main() {
  try {
    Figures();
    // 1 000 000 bytes at 330 000 bytes a second: about three seconds.
    CatalogueFetcher fetcher;
    auto server = Serve("slow-retr=330000", 1000000, fetcher);
    std::printf("\ntransfer of 1000000 bytes, server mode slow-retr=330000\n");
    SpinningClock spinning;
    const bool a = Waiting("waiting in bounded waits:", fetcher, nullptr);
    const bool b = Waiting("reference, spinning on the flag:", fetcher, &spinning);
    return a && b ? 0 : 1;
  } catch (const std::exception& e) {
    std::printf("benchmark failed: %s\n", e.what());
    return 1;
  } catch (const CInternetException& e) {
    std::printf("benchmark failed: internet error %u\n", static_cast<unsigned>(e.errorCode));
    return 1;
  }
}
