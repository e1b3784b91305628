#include "catalogue/ProgressSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using catalogue::ProgressSchedule;
using catalogue::RunProgressEstimate;
using catalogue::kIdleWaitMs;

struct Climb {
  std::vector<std::uint32_t> pauses;
  int steps = 0;
  int ceiling = -1;
};

// Runs the schedule until it stops climbing, as a transfer that never ends
// would see it.
Climb ClimbToCeiling(std::int32_t size) {
  ProgressSchedule schedule(size);
  Climb climb;
  for (int pass = 0; pass < 1000000; ++pass) {
    const ProgressSchedule::Pass p = schedule.Next();
    if (p.pauseMs != 0) climb.pauses.push_back(p.pauseMs);
    if (p.advanced) ++climb.steps;
    EXPECT_TRUE(climb.ceiling <= p.position) << "the bar went back at pass " << pass;
    climb.ceiling = p.position;
    if (!p.advanced) break;
  }
  return climb;
}

TEST(ProgressSchedule, EachSizeBandClimbsToItsCeiling) {
  struct Row {
    std::int32_t size;
    int ceiling;
    int steps;
    bool pauses;
  };
  const Row rows[] = {
      {2000000, 477, 190, false},  // U 200: steps while j <= 190
      {1010000, 455, 91, false},   // U 101: the largest band starts here
      {1000000, 480, 95, false},   // U 100: 500 * 96 / 100
      {510000, 460, 46, false},    // U 51: the middle band starts here
      {500000, 490, 48, true},     // U 50: the small band, 500 * 49 / 50
      {300000, 483, 28, true},     // U 30: 500 * 29 / 30
      {29999, 250, 0, true},       // U 2: stays at 250
      {20000, 250, 0, true},
      {19999, 500, 0, true},       // U 1: full from the first pass
      {10000, 500, 0, true},
      {9999, 0, 0, true},          // U 0: no estimate, no division
      {0, 0, 0, true},             // nothing listed
      {-5, 0, 0, true},            // a size past 2 GB read as signed
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    const Climb climb = ClimbToCeiling(row.size);
    EXPECT_EQ(climb.ceiling, row.ceiling);
    EXPECT_EQ(climb.steps, row.steps);
    if (!row.pauses) {
      EXPECT_TRUE(climb.pauses.empty());
    }
  }
}

TEST(ProgressSchedule, SmallBandPausesGrowSquarelyThenHoldAtFiveSeconds) {
  const Climb climb = ClimbToCeiling(300000);
  std::vector<std::uint32_t> expected = {100, 400, 900, 1600, 2500, 3600, 4900};
  expected.resize(28, 5000);
  EXPECT_EQ(climb.pauses, expected);
}

TEST(ProgressSchedule, MiddleBandClimbsOneStepPerPass) {
  ProgressSchedule schedule(1000000);
  EXPECT_EQ(schedule.units(), 100);
  for (int position : {10, 15, 20, 25}) EXPECT_EQ(schedule.Next().position, position);
}

// The loop's surroundings, recorded; the transfer "ends" after a given number
// of pauses or idle waits.
class Recorder : public catalogue::ProgressSink, public catalogue::ProgressClock {
 public:
  explicit Recorder(std::atomic<std::int32_t>& done) : done_(done) {}
  void SetPosition(int position) override { positions.push_back(position); }
  void Refresh() override { ++refreshes; }
  void Pause(std::uint32_t ms) override {
    pauses.push_back(ms);
    if (pauses.size() == endAfterPauses) done_.store(0);
  }
  void Idle(const std::atomic<std::int32_t>&) override {
    if (++idles == endAfterIdles) done_.store(0);
  }

  std::vector<int> positions;
  std::vector<std::uint32_t> pauses;
  int refreshes = 0;
  std::size_t idles = 0;
  std::size_t endAfterPauses = 0;
  std::size_t endAfterIdles = 0;

 private:
  std::atomic<std::int32_t>& done_;
};

TEST(ProgressEstimate, TransferEndedBeforeTheFirstPassSetsNothing) {
  std::atomic<std::int32_t> done{0};
  Recorder recorder(done);
  RunProgressEstimate(300000, done, recorder, recorder);
  EXPECT_TRUE(recorder.positions.empty());
  EXPECT_TRUE(recorder.pauses.empty());
}

TEST(ProgressEstimate, PauseInProgressIsServedAndEndsTheLoop) {
  std::atomic<std::int32_t> done{1};
  Recorder recorder(done);
  recorder.endAfterPauses = 3;
  RunProgressEstimate(300000, done, recorder, recorder);
  EXPECT_EQ(recorder.pauses, (std::vector<std::uint32_t>{100, 400, 900}));
  EXPECT_EQ(recorder.positions, (std::vector<int>{33, 50, 66}));
  EXPECT_EQ(recorder.refreshes, 3);
  EXPECT_EQ(recorder.idles, 0u);
}

TEST(ProgressEstimate, WaitsIdleAtTheCeilingInsteadOfSpinning) {
  struct Row {
    std::int32_t size;
    std::size_t climbingPasses;
    int ceiling;
  };
  // Each pass that takes no step must be followed by one idle wait.
  for (const Row& row : {Row{1000000, 95, 480}, Row{15000, 0, 500}, Row{0, 0, 0}}) {
    SCOPED_TRACE(row.size);
    std::atomic<std::int32_t> done{1};
    Recorder recorder(done);
    recorder.endAfterIdles = 5;
    RunProgressEstimate(row.size, done, recorder, recorder);
    EXPECT_EQ(recorder.idles, 5u);
    ASSERT_EQ(recorder.positions.size(), row.climbingPasses + 5);
    EXPECT_EQ(recorder.positions.back(), row.ceiling);
    EXPECT_TRUE(recorder.pauses.empty());
  }
}

// The bounds are those of the faults (an idle wait that does not end, a
// thousand waits once done), far from what a busy machine adds.
TEST(ProgressEstimate, SleepingClockIdleIsBoundedAndSkippedOnceDone) {
  catalogue::SleepingClock clock;
  std::atomic<std::int32_t> done{1};
  const auto thousandWaits = std::chrono::milliseconds(1000 * kIdleWaitMs);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) clock.Idle(done);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(5 * kIdleWaitMs));
  EXPECT_LT(waited, thousandWaits);
  done.store(0);
  const auto afterDone = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i) clock.Idle(done);
  EXPECT_LT(std::chrono::steady_clock::now() - afterDone, thousandWaits / 2);
}

}  // namespace
