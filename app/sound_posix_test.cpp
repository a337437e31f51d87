#include "app/sound.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/resource.h"
#include "platform/sound.h"
#include "platform/sound_server_posix.h"
#include "platform/wave_decoder_posix.h"

namespace velmora::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Points ALSA's whole configuration at a file in a temporary folder of the
// test's own for the life of the object ("@DIR@" in the device definition
// names that folder). The sound child takes the environment along when it is
// forked at the first clip, so each object ends the child before and after.
class AlsaConfig {
 public:
  explicit AlsaConfig(std::string defaultPcm) {
    systemSoundServer().stop();
    char pattern[] = "/tmp/tavro-sound-XXXXXX";
    dir_ = mkdtemp(pattern);
    for (size_t at; (at = defaultPcm.find("@DIR@")) != std::string::npos;) {
      defaultPcm.replace(at, 5, dir_);
    }
    std::ofstream(dir_ + "/asound.conf") << "pcm.!default " << defaultPcm << "\n";
    const char* old = std::getenv("ALSA_CONFIG_PATH");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("ALSA_CONFIG_PATH", (dir_ + "/asound.conf").c_str(), 1);
  }
  ~AlsaConfig() {
    systemSoundServer().waitUntilIdle(milliseconds(2000));
    systemSoundServer().stop();
    if (hadOld_) {
      setenv("ALSA_CONFIG_PATH", old_.c_str(), 1);
    } else {
      unsetenv("ALSA_CONFIG_PATH");
    }
    std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  std::string old_;
  bool hadOld_ = false;
};

// A "default" device that writes what it plays to one raw file per format
// and throws the sound away; appending, so every clip of a test is kept.
const char kCaptureDevice[] =
    "{ type file slave.pcm { type null } file \"@DIR@/capture-%r-%c.raw\" format raw "
    "truncate false }";

std::vector<int16_t> readCapture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

std::vector<int16_t> decodedClip(int resourceId) {
  OwnResource clip(resourceId, "WAVE");
  DecodedWave wave;
  EXPECT_TRUE(decodeWave(clip.data(), clip.size(), &wave));
  return wave.samples;
}

// The first clip forks the sound child (well under a millisecond for tavro,
// tens for this far larger test program under a sanitizer on a busy
// machine); later clips only send a request. The bounds stay below the
// length of the chime (203 ms) and the buzz (164 ms), so a call that waits
// for its clip to play out fails, while a slow fork does not.
constexpr long kFirstClipMs = 150;
constexpr long kLaterClipMs = 100;

milliseconds timePlaySound(int32_t id) {
  auto start = Clock::now();
  playSound(id);
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(SoundAlsa, PlaySoundReturnsAtOnceAndTheDeviceGetsTheWholeClip) {
  ASSERT_TRUE(systemSoundServer().waitUntilIdle(milliseconds(2000)));
  AlsaConfig capture(kCaptureDevice);
  EXPECT_LT(timePlaySound(3).count(), kFirstClipMs);
  ASSERT_TRUE(systemSoundServer().waitUntilIdle(milliseconds(2000)));
  // Decoded MS-ADPCM: 679 stereo frames, and no padding up to the full block.
  EXPECT_EQ(readCapture(capture.dir() + "/capture-22050-2.raw"), decodedClip(105));
}

TEST(SoundAlsa, SecondClipReplacesTheFirstAndPlaysInFull) {
  ASSERT_TRUE(systemSoundServer().waitUntilIdle(milliseconds(2000)));
  AlsaConfig own(kCaptureDevice);
  EXPECT_LT(timePlaySound(2).count(), kFirstClipMs);
  EXPECT_LT(timePlaySound(4).count(), kLaterClipMs);
  ASSERT_TRUE(systemSoundServer().waitUntilIdle(milliseconds(2000)));
  std::vector<int16_t> chime = readCapture(own.dir() + "/capture-22050-1.raw");
  std::vector<int16_t> fullChime = decodedClip(104);
  ASSERT_LE(chime.size(), fullChime.size());  // whatever of it was heard, never more
  EXPECT_TRUE(std::equal(chime.begin(), chime.end(), fullChime.begin()));
  EXPECT_EQ(readCapture(own.dir() + "/capture-11025-2.raw"), decodedClip(107));
}

TEST(SoundAlsa, MissingDeviceIsSilentAndQuick) {
  ASSERT_TRUE(systemSoundServer().waitUntilIdle(milliseconds(2000)));
  AlsaConfig missing("{ type hw card 31 device 0 }");
  testing::internal::CaptureStderr();
  EXPECT_LT(timePlaySound(1).count(), kFirstClipMs);
  EXPECT_TRUE(systemSoundServer().waitUntilIdle(milliseconds(500)));
  EXPECT_LT(timePlaySound(7).count(), kLaterClipMs);
  EXPECT_TRUE(systemSoundServer().waitUntilIdle(milliseconds(500)));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SoundAlsa, RefusesAnEmptyImage) {
  EXPECT_FALSE(playWaveAsync(nullptr, 0));
  char byte = 0;
  EXPECT_FALSE(playWaveAsync(&byte, 0));
}

}  // namespace
}  // namespace velmora::platform
