// Reading a file of a source into a local file on a worker thread that
// another thread watches, as the catalogue fetch and the firmware download
// both do: the worker writes block by block through a PartialFile and shows
// its progress; the watcher leaves a worker that shows none for kStallMs
// (StallWatch), and a worker left never writes again. A connection a left
// worker holds stays its own until its network call returns, whenever that
// is; nobody else uses it again.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "catalogue/Source.h"

namespace catalogue {

// How long a worker may show no progress (no new bytes, no new stage)
// before it is left. The catalogue fetch then gives the source up: /check
// or /update against a server that stalls in the middle of the catalogue
// ends with "no catalogue" (exit 3) 10 s after the last byte the server
// sent, besides the program's start and drive scan; each wait before the
// transfer is bounded on its own (CatalogueFetcher::kNetworkTimeoutMs).
inline constexpr std::uint32_t kStallMs = 10000;

// The rule of a stall: a worker's counts that have not changed for a while.
class StallWatch {
 public:
  // Starts the wait anew at these counts, now.
  void Restart(std::uint64_t bytes, std::uint32_t stages);
  // Whether the counts are still those seen `stallMs` ago or earlier; a
  // change starts the wait anew.
  bool Stalled(std::uint64_t bytes, std::uint32_t stages, std::uint32_t stallMs);

 private:
  DWORD lastMove_ = 0;
  std::uint64_t lastBytes_ = 0;
  std::uint32_t lastStages_ = 0;
};

// A local file that workers write in blocks, held open from Open to Close
// with writers of other programs (and other copies of this one) kept out;
// readers are let in. One worker writes at a time (BlockCopy decides which);
// its holder closes it once no worker can write any more.
class PartialFile {
 public:
  PartialFile() = default;
  ~PartialFile() { Close(); }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Opens `path`, made when missing with `create`; false when it cannot be
  // opened: another program writes to it, or the folder refuses.
  bool Open(const std::string& path, bool create);
  // Its size in bytes; 0 when it is not open.
  std::uint64_t Size() const;
  // Writes `size` bytes at `at`, first cutting the file there when `cut` is
  // set (what lies beyond was not counted as arrived).
  bool WriteAt(std::uint64_t at, const char* data, std::uint32_t size, bool cut);
  // Copies the whole file, through the handle that holds it, over the file
  // at `to` (an empty one made for it); false when a read or a write fails.
  bool CopyTo(const std::string& to);
  void Close();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// What a copying worker shares with its watcher.
class BlockCopy {
 public:
  // Who may act, decided by compare-and-swap: the worker while it reads,
  // writes a block (kWriting) or puts the file in place (kPlacing, for
  // good), or the watcher, which leaves a worker that shows no progress
  // (kLeft, for good) only while it is not writing.
  enum State { kReading, kWriting, kPlacing, kLeft };
  std::atomic<int> state{kReading};
  // The bytes of the file in the local file: those it held before and what
  // the worker wrote after them.
  std::atomic<std::uint64_t> bytes{0};
  // Grows with every stage the worker has passed (connected, listed,
  // opened): movement the watch sees before bytes arrive.
  std::atomic<std::uint32_t> stages{0};
  bool overran = false;  // the source sent more than the whole file, or than `limit`
  // The most bytes a copy may bring whatever the source says of its size;
  // 0: no bound but the size.
  std::uint64_t limit = 0;

  // The watcher leaves the worker unless it is writing or placing at this
  // very moment; true when it was left.
  bool Leave();
  // The worker takes itself out of the watch for good, to put the file in
  // place; false when it was left first.
  bool BeginPlacing();

 protected:
  // Reads `file` to its end into `partial` from `offset`, where its first
  // write cuts the local file. True when the end came at `total` bytes (any
  // end when `total` is 0); false when the transfer broke, it overran
  // `total` (nothing past it is written) or the worker was left.
  bool Copy(SourceFile& file, PartialFile& partial, std::uint64_t offset, std::uint64_t total);
};

}  // namespace catalogue
