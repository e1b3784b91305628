#include "catalogue/ProgressSchedule.h"

#include <chrono>
#include <thread>

namespace catalogue {

ProgressSchedule::ProgressSchedule(std::int32_t sizeInBytes) : units_(sizeInBytes / 10000) {}

bool ProgressSchedule::ShouldAdvance() const {
  if (units_ > 100) return step_ <= units_ - 10;
  if (units_ > 50) return step_ <= units_ - 5;
  return step_ < units_ - 1;
}

std::uint32_t ProgressSchedule::PauseBeforeStep() const {
  if (units_ > 50) return 0;
  if (amount_ < 4000) return static_cast<std::uint32_t>(step_ * step_ * 100);
  return 5000;
}

int ProgressSchedule::Position() const {
  // Below 10 000 bytes (or with no size from the listing) there is nothing
  // to pace the bar by: it stays at 0 until the transfer ends.
  if (units_ <= 0) return 0;
  return amount_ / units_;
}

ProgressSchedule::Pass ProgressSchedule::Next() {
  Pass pass{0, 0, false};
  if (ShouldAdvance()) {
    pass.pauseMs = PauseBeforeStep();
    pass.advanced = true;
    ++step_;
    amount_ += 500;
  }
  pass.position = Position();
  return pass;
}

void SleepingClock::Pause(std::uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SleepingClock::Idle(const std::atomic<std::int32_t>& done) {
  if (done.load(std::memory_order_acquire) == 1)
    std::this_thread::sleep_for(std::chrono::milliseconds(kIdleWaitMs));
}

void RunProgressEstimate(std::int32_t sizeInBytes, const std::atomic<std::int32_t>& done,
                         ProgressSink& sink, ProgressClock& clock) {
  if (done.load(std::memory_order_acquire) != 1) return;
  ProgressSchedule schedule(sizeInBytes);
  do {
    const ProgressSchedule::Pass pass = schedule.Next();
    if (pass.pauseMs != 0) clock.Pause(pass.pauseMs);
    sink.SetPosition(pass.position);
    sink.Refresh();
    // A pass that took no step has nothing to show until the transfer ends:
    // wait briefly instead of spinning.
    if (!pass.advanced) clock.Idle(done);
  } while (done.load(std::memory_order_acquire) == 1);
}

}  // namespace catalogue
