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
// before it is not added on top, and a pause already over returns at once.
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
}

// A pause may end late, never early, also when the ones before it ended late.
TEST(Ticks, PauseNeverEndsBeforeItsTime) {
  int64_t since = monotonicMicros();
  for (int i = 0; i < 40; ++i) {
    sleepMsSince(since, 3);
    const int64_t now = monotonicMicros();
    ASSERT_GE(now - since, 3000) << "pause " << i;
    since = now;
  }
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
