// What the download window shows of a transfer: the bar's position from the
// bytes that have arrived out of the whole file, and the rate and the time
// left over the last few seconds. Window-free.
#pragma once

#include <cstdint>
#include <deque>

namespace catalogue {

struct TransferFigures {
  std::uint64_t bytes = 0;           // arrived so far
  std::uint64_t total = 0;           // the whole file; 0: unknown
  bool rateKnown = false;            // after a second of samples
  std::uint64_t bytesPerSecond = 0;  // with rateKnown
  std::uint32_t secondsLeft = 0;     // with rateKnown, a total and a rate above 0
};

// The bar's position for `bytes` of `total` on a bar of 0 to `top`; 0
// without a total, `top` at most.
int BarPosition(std::uint64_t bytes, std::uint64_t total, int top);

// The rate over the samples of the last kWindowMs.
class RateMeter {
 public:
  static constexpr std::uint32_t kWindowMs = 3000;
  // The bytes arrived by `ms` (a tick count that only grows).
  void Add(std::uint32_t ms, std::uint64_t bytes);
  TransferFigures Figures(std::uint64_t total) const;

 private:
  struct Sample {
    std::uint32_t ms;
    std::uint64_t bytes;
  };
  std::deque<Sample> samples_;
};

}  // namespace catalogue
