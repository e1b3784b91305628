// What a transfer's progress acts on, how its loop lets time pass, and the
// estimate the bar falls back on. The transfer reports the bytes that have
// arrived (Transfer::RunProgress), and the bar shows them against the file's
// size. Only a transfer whose size is unknown runs the estimate, with a size
// of 0: nothing paces it, so the bar stays at 0 and the loop waits, while the
// line under the bar gives the amount, until the transfer has ended. Below,
// the schedule the estimate follows for a size above 0. Window-free, so that
// it can be checked without a display and without waiting out its pauses.
#pragma once

#include <atomic>
#include <cstdint>

namespace catalogue {

// The bar's range is 0 through kProgressRangeTop.
inline constexpr int kProgressRangeTop = 500;

// One pass of the estimate after another. The size band of U = size / 10000
// decides how far the bar climbs and whether each step waits first:
//   U > 100:       a step per pass while the step count is at most U - 10;
//   U 51 to 100:   a step per pass while the step count is at most U - 5;
//   U at most 50:  a step while the step count is below U - 1, each after a
//                  pause of j * j * 100 ms (j the step count) while the
//                  amount is below 4000, and of 5000 ms from then on.
// The position shown is amount / U, the amount being 500 per step.
class ProgressSchedule {
 public:
  struct Pass {
    std::uint32_t pauseMs;  // pause before this pass's step; 0 for none
    int position;           // bar position after the pass
    bool advanced;          // whether the pass took a step
  };

  // `sizeInBytes` is the listed size as a signed 32-bit value; 0 when the
  // listing found nothing.
  explicit ProgressSchedule(std::int32_t sizeInBytes);

  Pass Next();

  std::int32_t units() const { return units_; }

 private:
  bool ShouldAdvance() const;
  std::uint32_t PauseBeforeStep() const;
  int Position() const;

  std::int32_t units_;
  std::int32_t step_ = 1;
  std::int32_t amount_ = 500;
};

struct TransferFigures;

// What the progress acts on: the bar, the line under it, and the controls'
// refresh.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void SetPosition(int position) = 0;
  // The bytes arrived, the rate and, when the file's size is known, the time
  // left.
  virtual void ShowFigures(const TransferFigures&) {}
  // Brings the controls up to date after a change (the data exchange towards
  // the controls).
  virtual void Refresh() = 0;
};

// How the progress loop lets time pass: the estimate's pauses, and the waits
// between two looks at the transfer.
class ProgressClock {
 public:
  virtual ~ProgressClock() = default;
  // A pause of the schedule; it is served in full even if the transfer ends
  // meanwhile.
  virtual void Pause(std::uint32_t ms) = 0;
  // A short bounded wait between two looks at the transfer (and between
  // passes of the estimate that take no step), so that a waiting loop leaves
  // the processor to the transfer. May return early once `done`
  // is no longer 1.
  virtual void Idle(const std::atomic<std::int32_t>& done) = 0;
};

// Length of one idle wait of the real clock.
inline constexpr std::uint32_t kIdleWaitMs = 4;

// The clock of the program: real sleeps.
class SleepingClock : public ProgressClock {
 public:
  void Pause(std::uint32_t ms) override;
  void Idle(const std::atomic<std::int32_t>& done) override;
};

// Runs the estimate for a transfer of `sizeInBytes` while `done` is 1: one
// pass after another, the bar set after each. Returns at once when `done` is
// no longer 1 before the first pass. The caller shows the end (position 500)
// itself.
void RunProgressEstimate(std::int32_t sizeInBytes, const std::atomic<std::int32_t>& done,
                         ProgressSink& sink, ProgressClock& clock);

}  // namespace catalogue
