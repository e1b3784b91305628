// Shows that the user-interface thread leaves the processor to the transfer
// while it waits: fetches a file that the loopback FTP server sends slowly
// (a few seconds) and prints the process's processor time beside the
// transfer's wall time, once with the program's bounded waits and once, as a
// reference in the same run, with a loop that checks the flag without
// waiting.
//
// Run through the FTP fixture's control service (see README.md).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "install/SavePath.h"
#include "install/Transfer.h"
#include "tools/ftp-server/FtpFixtureClient.h"

namespace {

// 1 000 000 bytes at 330 000 bytes a second: about three seconds. The size
// is in the middle band, so the bar reaches its ceiling at once and the rest
// of the transfer is pure waiting.
constexpr std::size_t kFileBytes = 1000000;
const char kMode[] = "slow-retr=330000";
const char kRemote[] = "pub/VORN/cdrom/bench.zip";

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

class NoBar : public ProgressSink {
 public:
  void SetPosition(int) override {}
  void Refresh() override {}
};

// The reference: a waiting pass returns at once, so the loop spins.
class SpinningClock : public SleepingClock {
 public:
  void Idle(const std::atomic<std::int32_t>&) override {}
};

bool Measure(const char* label, CatalogueFetcher& fetcher, ProgressClock& clock) {
  const std::string local = "download_benchmark.zip";
  DeleteFileA(local.c_str());
  NoBar bar;
  const double cpuBefore = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  bool ok = false;
  {
    Transfer transfer;
    transfer.Start(fetcher, kRemote, local, ReservePartialFile(local));
    transfer.RunProgress(bar, clock);
    ok = transfer.Succeeded();
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  std::printf("%-34s wall %6.2f s   process CPU %6.2f s   (%3.0f%% of one core)%s\n", label, wall,
              cpu, 100.0 * cpu / wall, ok ? "" : "   TRANSFER FAILED");
  DeleteFileA(local.c_str());
  return ok;
}

}  // namespace

int main() {
  try {
    ftpfixture::FtpServer server(kMode);
    server.PutFile(std::string("/") + kRemote, std::string(kFileBytes, 'x'));
    CatalogueFetcher fetcher;
    fetcher.serverHost = "127.0.0.1";
    fetcher.serverPort = server.Port();
    if (!fetcher.Connect()) {
      std::printf("no connection to the server\n");
      return 1;
    }
    std::printf("transfer of %zu bytes, server mode %s\n", kFileBytes, kMode);
    SleepingClock bounded;
    SpinningClock spinning;
    const bool a = Measure("waiting in bounded waits:", fetcher, bounded);
    const bool b = Measure("reference, spinning on the flag:", fetcher, spinning);
    return a && b ? 0 : 1;
  } catch (const std::exception& e) {
    std::printf("benchmark failed: %s\n", e.what());
    return 1;
  } catch (const CInternetException& e) {
    std::printf("benchmark failed: internet error %u\n", static_cast<unsigned>(e.errorCode));
    return 1;
  }
}
