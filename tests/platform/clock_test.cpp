#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>

namespace platform {
namespace {

constexpr uint32_t kSystemMs = 777;

// Drives the clock from a counter that the test sets; ElapsedMs reads the counter.
class Clock : public ::testing::Test {
 protected:
  void Use(uint64_t frequency, bool frequencyKnown = true, bool counterWorks = true) {
    SetCounterSourceForTesting({
        [=](uint64_t& f) {
          f = frequency;
          return frequencyKnown;
        },
        [this, counterWorks](uint64_t& v) {
          v = counter_;
          return counterWorks;
        },
        [] { return kSystemMs; },
    });
  }
  // With a frequency of 1000 the counter is the millisecond clock itself.
  void SetMs(uint64_t ms) { counter_ = ms; }
  void TearDown() override { SetCounterSourceForTesting({}); }

 private:
  std::atomic<uint64_t> counter_{0};
};

TEST_F(Clock, DividesTheCounterByCountsPerMillisecondRounded) {
  struct Case {
    uint64_t frequency;
    uint64_t counter;
    uint32_t expectedMs;
  };
  const Case cases[] = {
      {1000, 1234, 1234},
      {1500, 3000, 3000},             // 1500 mod 1000 = 500 is not rounded up
      {1501, 3000, 1500},             // 1501 mod 1000 > 500: two counts per ms
      {3579545, 3580u * 4321, 4321},  // 3579 + 1
      {1000000000, 5000000000000ull, 5000000},
      {1000, (1ull << 32) + 5, 5},  // the low 32 bits of the milliseconds
  };
  for (const Case& c : cases) {
    Use(c.frequency);
    SetMs(c.counter);
    EXPECT_EQ(ElapsedMs(), c.expectedMs) << c.frequency << " " << c.counter;
  }
}

TEST_F(Clock, FallsBackToTheSystemMillisecondsWhenTheCounterCannotServe) {
  struct Case {
    uint64_t frequency;
    bool frequencyKnown;
    bool counterWorks;
  };
  const Case cases[] = {
      {0, true, true},
      {1ull << 32, true, true},  // does not fit in 32 bits
      {1000, false, true},       // no frequency
      {400, true, true},         // less than one count per ms
      {1000, true, false},       // the counter read failed
  };
  for (const Case& c : cases) {
    Use(c.frequency, c.frequencyKnown, c.counterWorks);
    SetMs(123456);
    EXPECT_EQ(ElapsedMs(), kSystemMs) << c.frequency;
  }
}

TEST_F(Clock, TheSystemCounterNeverGoesBack) {
  uint32_t previous = ElapsedMs();
  for (int i = 0; i < 1000; ++i) {
    const uint32_t now = ElapsedMs();
    EXPECT_GE(now, previous);
    previous = now;
  }
}

constexpr uint64_t kLastMs = 0xFFFFFFFF;
constexpr int32_t kLastTick = 78090314;  // 0xFFFFFFFF div 55

TEST_F(Clock, TickTimerStartsAtTheClockIn55MsTicksAndClampsItsLength) {
  Use(1000);
  struct Case {
    uint64_t ms;
    int32_t ticks;
    int32_t start;
    int32_t expiry;
  };
  const Case cases[] = {
      {0, 36, 0, 36},
      {54, 1, 0, 1},
      {55 * 1000 + 54, 36, 1000, 1036},
      {kLastMs, 0, kLastTick, kLastTick},
      {1100, kMaxTicks, 20, 20 + kMaxTicks},
      {1100, kMaxTicks + 1, 20, 20 + kMaxTicks},
      {kLastMs, std::numeric_limits<int32_t>::max(), kLastTick, kLastTick + kMaxTicks},
  };
  for (const Case& c : cases) {
    SetMs(c.ms);
    TTickTimer timer;
    SetTickTimer(timer, c.ticks);
    EXPECT_EQ(timer.StartTicks, c.start) << c.ms << " " << c.ticks;
    EXPECT_EQ(timer.ExpireTicks, c.expiry) << c.ms << " " << c.ticks;
  }
}

TEST_F(Clock, TickTimerExpiresAfterItsTicksAlsoAcrossTheClockWrap) {
  Use(1000);
  struct Case {
    uint64_t startMs;
    int32_t ticks;
    uint64_t nowMs;
    bool expired;
  };
  constexpr uint64_t kNearEnd = kLastMs - 5 * 55;  // tick kLastTick - 5
  const Case cases[] = {
      {1000, 36, 1000, false},
      {1000, 36, 1000 + 36 * 55, false},  // the expiry tick itself has not passed
      {1000, 36, 1000 + 37 * 55, true},
      {1000, 0, 1000 + 55, true},
      // Started 5 ticks before the wrap for 10 ticks: 6 ticks to reach 0, then 4 more.
      {kNearEnd, 10, kLastMs, false},
      {kNearEnd, 10, (1ull << 32) + 3 * 55, false},
      {kNearEnd, 10, (1ull << 32) + 4 * 55, false},
      {kNearEnd, 10, (1ull << 32) + 5 * 55, true},
      // The longest timer, started just before the wrap, expires half the clock later.
      {kLastMs, kMaxTicks, (1ull << 32) + (kMaxTicks - 2) * 55ull, false},
      {kLastMs, kMaxTicks, (1ull << 32) + kMaxTicks * 55ull, true},
  };
  for (const Case& c : cases) {
    SetMs(c.startMs);
    TTickTimer timer;
    SetTickTimer(timer, c.ticks);
    SetMs(c.nowMs);
    EXPECT_EQ(TickTimerExpired(timer), c.expired) << c.startMs << " +" << c.ticks << " " << c.nowMs;
  }
}

}  // namespace
}  // namespace platform
