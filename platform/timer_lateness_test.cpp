#include "platform/timer_lateness.h"

#include <gtest/gtest.h>

namespace velmora::platform {
namespace {

TEST(TimerLateness, SettlesOnTheLatenessSeenWithinOneMillisecond) {
  TimerLateness lateness;
  EXPECT_EQ(lateness.estimate(), 0);  // nothing seen: aim at the time itself
  lateness.observe(160);
  EXPECT_EQ(lateness.estimate(), 160);  // the first wait counts whole
  lateness.observe(80);
  EXPECT_EQ(lateness.estimate(), 140);  // later ones by a quarter
  lateness.observe(480);
  EXPECT_EQ(lateness.estimate(), 225);
  for (int i = 0; i < 50; ++i) lateness.observe(130);
  EXPECT_EQ(lateness.estimate(), 130);  // a steady lateness is reached
  lateness.observe(-400);
  EXPECT_EQ(lateness.estimate(), 97);  // a clock step back counts as none
  for (int i = 0; i < 100; ++i) lateness.observe(60000);
  EXPECT_EQ(lateness.estimate(), 1000);  // a stalled machine: at most 1 ms early
}

}  // namespace
}  // namespace velmora::platform
