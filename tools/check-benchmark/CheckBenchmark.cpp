// How much a `/check` run costs beyond the catalogue fetch it waits for:
// runs the shipped program's /check (scan, fetch, planner, log) and, as the
// reference in the same run, a process that only fetches and verifies the
// catalogue with the program's fetcher, alternately, and prints the median
// wall time of each, their ratio, and the fetch timed inside this process.
// Both go to the build's FTP server (run-benchmark.sh serves a signed tree
// on loopback).
//
//   check_benchmark PROGRAM.exe LOG_FILE [RUNS]     the benchmark
//   check_benchmark --fetch-only                    one fetch, the reference
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/CatalogueFetcher.h"
#include "update/FetchedCatalogue.h"

namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The catalogue fetched and verified as /check fetches it, through the same
// functions, its copy in the work folder beside a history file in the
// system's temporary folder; true when usable.
bool FetchOnce() {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return false;
  catalogue::CatalogueFetcher fetcher;
  update::UseSource(fetcher, std::string(), std::string(temp, length) + "UpdateHistory.txt");
  const update::FetchedCatalogue fetched = update::FetchVerifiedCatalogue(fetcher, std::string(), false);
  update::ReleaseFetch(fetcher);
  return fetched.usable;
}

// Runs `commandLine` and waits for it: its wall time in seconds, its exit
// code in `code`; a negative time when it could not start.
double TimeProcess(const std::string& commandLine, DWORD& code) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  const double start = Now();
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  const double wall = Now() - start;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return wall;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string OwnPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--fetch-only") return FetchOnce() ? 0 : 1;
  if (argc < 3) {
    std::printf("usage: check_benchmark PROGRAM.exe LOG_FILE [RUNS]\n");
    return 2;
  }
  const std::string check = "\"" + std::string(argv[1]) + "\" /check /log \"" + argv[2] + "\"";
  const std::string fetch = "\"" + OwnPath() + "\" --fetch-only";
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
  std::vector<double> checks, fetches, inProcess;
  for (int run = 0; run < runs; ++run) {
    DWORD checkCode = 0, fetchCode = 0;
    checks.push_back(TimeProcess(check, checkCode));
    fetches.push_back(TimeProcess(fetch, fetchCode));
    const double start = Now();
    const bool usable = FetchOnce();
    inProcess.push_back(Now() - start);
    if (checks.back() < 0 || fetches.back() < 0 || fetchCode != 0 || !usable || checkCode > 1) {
      std::printf("run %d: /check exit %lu, fetch process exit %lu, fetch here %s: no catalogue to time\n", run + 1,
                  static_cast<unsigned long>(checkCode), static_cast<unsigned long>(fetchCode),
                  usable ? "usable" : "not usable");
      return 1;
    }
  }
  const double checkMedian = Median(checks), fetchMedian = Median(fetches);
  std::printf("median of %d runs, each a process started and waited for:\n", runs);
  std::printf("  VornUpdate /check (scan, fetch, plan, log)   %7.3f s\n", checkMedian);
  std::printf("  catalogue fetch alone                        %7.3f s\n", fetchMedian);
  std::printf("  ratio                                        %7.2f   (goal: at most 1.50)\n",
              checkMedian / fetchMedian);
  std::printf("  the fetch alone inside this process          %7.3f s\n", Median(inProcess));
  return 0;
}
