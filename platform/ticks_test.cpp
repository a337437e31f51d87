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

TEST(Ticks, CounterHasMillisecondSteps) {
  // GetTickCount moves in 10-16 ms steps; this counter must see 1-5 ms.
  const uint32_t start = tickCount();
  uint32_t now = start;
  while (now == start) now = tickCount();
  EXPECT_LE(now - start, 5u);
}

}  // namespace
}  // namespace velmora::platform
