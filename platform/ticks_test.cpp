#include "platform/ticks.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

TEST(Ticks, SleepAdvancesTheCounterByAboutItsLength) {
  const uint32_t before = tickCount();
  sleepMs(120);
  // Unsigned subtraction stays right across the 32-bit wrap.
  const uint32_t elapsed = tickCount() - before;
  EXPECT_GE(elapsed, 119u);
  EXPECT_LT(elapsed, 1000u);
}

// The time since `since` counts as part of the pause: what the caller did
// before it is not added on top, and a pause already over only yields.
TEST(Ticks, PauseSinceCountsTheTimeAlreadySpent) {
  const int64_t start = monotonicMicros();
  sleepMs(60);
  sleepMsSince(start, 100);
  const int64_t elapsed = monotonicMicros() - start;
  EXPECT_GE(elapsed, 99000);
  EXPECT_LT(elapsed, 1000000);
  const int64_t before = monotonicMicros();
  sleepMsSince(start, 50);
  EXPECT_LT(monotonicMicros() - before, 45000);
  // Many short pauses in a row never lose time against the clock, whatever
  // the timer's lateness taught.
  const int64_t series = monotonicMicros();
  int64_t since = series;
  for (int i = 0; i < 20; ++i) {
    sleepMsSince(since, 5);
    since = monotonicMicros();
  }
  EXPECT_GE(monotonicMicros() - series, 20 * 5000 - 20 * 1000);
}

TEST(Ticks, CounterHasMillisecondSteps) {
  // GetTickCount moves in 10-16 ms steps; this counter must see 1-5 ms.
  const uint32_t start = tickCount();
  uint32_t now = start;
  while (now == start) now = tickCount();
  EXPECT_LE(now - start, 5u);
}

}  // namespace
}  // namespace velmora::platform
