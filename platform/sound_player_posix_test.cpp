#include "platform/sound_player_posix.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/resource.h"

namespace velmora::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What one opened output saw.
struct OutputLog {
  int rate = 0;
  int channels = 0;
  long framesWritten = 0;
  bool finished = false;
  bool discarded = false;
};

// An output that plays in real time through a small buffer, like a device.
class PacedOutput : public PcmOutput {
 public:
  PacedOutput(OutputLog* log, bool neverDrains) : log_(log), neverDrains_(neverDrains) {}
  long write(const int16_t*, long frames) override {
    long taken = std::min(frames, kCapacity - queued());
    log_->framesWritten += taken;
    return taken;
  }
  void waitForRoom(int ms) override { std::this_thread::sleep_for(milliseconds(ms)); }
  long pending() override { return neverDrains_ ? 1 : queued(); }
  void finish(bool discard) override {
    log_->finished = true;
    log_->discarded = discard;
  }

 private:
  static constexpr long kCapacity = 1024;
  long queued() {
    auto elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    long played = static_cast<long>(elapsed * log_->rate);
    return std::max(0L, log_->framesWritten - played);
  }
  OutputLog* log_;
  bool neverDrains_;
  Clock::time_point start_ = Clock::now();
};

struct FakeDevice {
  std::mutex lock;
  std::vector<std::unique_ptr<OutputLog>> opened;
  milliseconds openDelay{0};
  std::atomic<bool> present{true};
  bool neverDrains = false;

  PcmOpener opener() {
    return [this](int rate, int channels) -> std::unique_ptr<PcmOutput> {
      std::this_thread::sleep_for(openDelay);
      if (!present) return nullptr;
      std::lock_guard<std::mutex> guard(lock);
      opened.push_back(std::make_unique<OutputLog>());
      opened.back()->rate = rate;
      opened.back()->channels = channels;
      return std::make_unique<PacedOutput>(opened.back().get(), neverDrains);
    };
  }
  size_t count() {
    std::lock_guard<std::mutex> guard(lock);
    return opened.size();
  }
};

struct Clip {
  explicit Clip(int id) : resource(id, "WAVE") {}
  OwnResource resource;
  const void* data() const { return resource.data(); }
  size_t size() const { return resource.size(); }
};

milliseconds timePlay(SoundPlayer& player, const Clip& clip) {
  auto start = Clock::now();
  player.play(clip.data(), clip.size());
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(SoundPlayer, PlayReturnsAtOnceAndTheClipPlaysInFull) {
  FakeDevice device;
  device.openDelay = milliseconds(50);  // a slow sound server
  SoundPlayer player(device.opener());
  Clip chime(104);
  EXPECT_LT(timePlay(player, chime).count(), 5);
  ASSERT_TRUE(player.waitUntilIdle(milliseconds(2000)));
  ASSERT_EQ(device.count(), 1u);
  const OutputLog& log = *device.opened[0];
  EXPECT_EQ(log.rate, 22050);
  EXPECT_EQ(log.channels, 1);
  EXPECT_EQ(log.framesWritten, 4475);
  EXPECT_TRUE(log.finished);
  EXPECT_FALSE(log.discarded);
}

TEST(SoundPlayer, LaterClipCutsOffTheOneStillPlaying) {
  FakeDevice device;
  SoundPlayer player(device.opener());
  Clip chime(104), buzz(107);
  player.play(chime.data(), chime.size());
  std::this_thread::sleep_for(milliseconds(80));  // well inside the 203 ms chime
  auto cut = Clock::now();
  EXPECT_LT(timePlay(player, buzz).count(), 5);
  ASSERT_TRUE(player.waitUntilIdle(milliseconds(2000)));
  ASSERT_EQ(device.count(), 2u);
  EXPECT_LT(device.opened[0]->framesWritten, 4475);
  EXPECT_TRUE(device.opened[0]->discarded);
  EXPECT_EQ(device.opened[1]->channels, 2);
  EXPECT_EQ(device.opened[1]->framesWritten, 1805);
  EXPECT_FALSE(device.opened[1]->discarded);
  // The buzz ran its own length, not what was left of the chime.
  EXPECT_GE(Clock::now() - cut, milliseconds(150));
}

TEST(SoundPlayer, OnlyTheNewestOfQuickSuccessiveClipsIsPlayed) {
  FakeDevice device;
  device.openDelay = milliseconds(30);
  SoundPlayer player(device.opener());
  Clip tick(103), chime(104), ding(105);
  player.play(chime.data(), chime.size());
  std::this_thread::sleep_for(milliseconds(5));  // the worker is opening the chime
  player.play(tick.data(), tick.size());
  player.play(ding.data(), ding.size());
  ASSERT_TRUE(player.waitUntilIdle(milliseconds(2000)));
  ASSERT_GE(device.count(), 1u);
  const OutputLog& last = *device.opened.back();
  EXPECT_EQ(last.rate, 22050);
  EXPECT_EQ(last.channels, 2);
  EXPECT_EQ(last.framesWritten, 679);
  for (size_t i = 0; i + 1 < device.count(); ++i) EXPECT_NE(device.opened[i]->rate, 11025);
}

TEST(SoundPlayer, DestroyingItWhilePlayingStopsPromptly) {
  FakeDevice device;
  Clip chime(104);
  Clock::time_point start;
  {
    SoundPlayer player(device.opener());
    player.play(chime.data(), chime.size());
    std::this_thread::sleep_for(milliseconds(40));
    start = Clock::now();
  }
  EXPECT_LT(Clock::now() - start, milliseconds(60));
  ASSERT_EQ(device.count(), 1u);
  EXPECT_TRUE(device.opened[0]->discarded);
}

TEST(SoundPlayer, NoDeviceOrABadImageIsSilentAndLeavesThePlayerUsable) {
  FakeDevice device;
  device.present = false;
  SoundPlayer player(device.opener());
  Clip tick(103);
  player.play(tick.data(), tick.size());
  EXPECT_TRUE(player.waitUntilIdle(milliseconds(500)));
  const char garbage[64] = "RIFF not really a wave file";
  player.play(garbage, sizeof garbage);
  EXPECT_TRUE(player.waitUntilIdle(milliseconds(500)));
  EXPECT_EQ(device.count(), 0u);
  device.present = true;
  player.play(tick.data(), tick.size());
  ASSERT_TRUE(player.waitUntilIdle(milliseconds(1000)));
  ASSERT_EQ(device.count(), 1u);
  EXPECT_EQ(device.opened[0]->framesWritten, 277);
}

TEST(SoundPlayer, OutputThatNeverReportsTheEndDoesNotHoldTheWorker) {
  FakeDevice device;
  device.neverDrains = true;
  SoundPlayer player(device.opener());
  Clip tick(103);
  player.play(tick.data(), tick.size());
  // 25 ms of sound plus the worker's bounded wait for the play-out.
  ASSERT_TRUE(player.waitUntilIdle(milliseconds(1500)));
  ASSERT_EQ(device.count(), 1u);
  EXPECT_TRUE(device.opened[0]->discarded);
}

}  // namespace
}  // namespace velmora::platform
