#include "app/sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/resource.h"
#include "platform/sound.h"

namespace velmora::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// With or without a sound device, starting a clip must not hold up probing.
// The bound is loose: the first call loads the multimedia drivers, and Wine
// stops a clip that is still playing before it returns.
TEST(SoundWin32, EveryClipStartsWithoutHoldingTheCaller) {
  for (int32_t id : {2, 1, 3, 4, 7}) {
    auto start = Clock::now();
    playSound(id);
    EXPECT_LT(Clock::now() - start, milliseconds(2000)) << id;
  }
  // Let the last clip end before the process moves on.
  std::this_thread::sleep_for(milliseconds(200));
}

TEST(SoundWin32, ClipStartsAtOnceWhenNothingIsPlaying) {
  OwnResource clip(104, "WAVE");
  ASSERT_TRUE(clip.found());
  EXPECT_EQ(clip.size(), 44u + 8950u);
  auto start = Clock::now();
  playWaveAsync(clip.data(), clip.size());
  EXPECT_LT(Clock::now() - start, milliseconds(200));
  std::this_thread::sleep_for(milliseconds(250));
}

}  // namespace
}  // namespace velmora::platform
