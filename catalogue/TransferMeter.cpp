#include "catalogue/TransferMeter.h"

namespace catalogue {

int BarPosition(std::uint64_t bytes, std::uint64_t total, int top) {
  if (total == 0) return 0;
  if (bytes >= total) return top;
  return static_cast<int>(bytes * static_cast<std::uint64_t>(top) / total);
}

void RateMeter::Add(std::uint32_t ms, std::uint64_t bytes) {
  samples_.push_back({ms, bytes});
  // Keeps one sample older than the window, so that the window is covered.
  while (samples_.size() > 2 && ms - samples_[1].ms >= kWindowMs) samples_.pop_front();
}

TransferFigures RateMeter::Figures(std::uint64_t total) const {
  TransferFigures figures;
  figures.total = total;
  if (samples_.empty()) return figures;
  const Sample& last = samples_.back();
  const Sample& first = samples_.front();
  figures.bytes = last.bytes;
  const std::uint32_t span = last.ms - first.ms;
  if (span < 1000 || last.bytes < first.bytes) return figures;
  figures.rateKnown = true;
  figures.bytesPerSecond = (last.bytes - first.bytes) * 1000 / span;
  if (total > last.bytes && figures.bytesPerSecond > 0) {
    const std::uint64_t left = total - last.bytes;
    figures.secondsLeft = static_cast<std::uint32_t>((left + figures.bytesPerSecond - 1) / figures.bytesPerSecond);
  }
  return figures;
}

}  // namespace catalogue
