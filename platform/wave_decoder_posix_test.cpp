#include "platform/wave_decoder_posix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/resource.h"

namespace velmora::platform {
namespace {

std::vector<unsigned char> clipBytes(int id) {
  OwnResource clip(id, "WAVE");
  EXPECT_TRUE(clip.found()) << id;
  auto* p = static_cast<const unsigned char*>(clip.data());
  return std::vector<unsigned char>(p, p + clip.size());
}

int peak(const DecodedWave& wave) {
  int top = 0;
  for (int16_t s : wave.samples) top = std::max(top, std::abs(int{s}));
  return top;
}

TEST(WaveDecoder, DecodesEveryClipToItsFormatAndLength) {
  struct Expected {
    int id, channels, rate;
    int64_t frames, milliseconds;
  };
  for (const Expected& e : {Expected{103, 1, 11025, 277, 25}, Expected{104, 1, 22050, 4475, 203},
                            Expected{105, 2, 22050, 679, 31}, Expected{107, 2, 11025, 1805, 164}}) {
    SCOPED_TRACE(e.id);
    std::vector<unsigned char> image = clipBytes(e.id);
    DecodedWave wave;
    ASSERT_TRUE(decodeWave(image.data(), image.size(), &wave));
    EXPECT_EQ(wave.channels, e.channels);
    EXPECT_EQ(wave.rate, e.rate);
    EXPECT_EQ(wave.frames, e.frames);
    EXPECT_EQ(wave.samples.size(), size_t(e.frames * e.channels));
    EXPECT_EQ(std::llround(wave.frames * 1000.0 / wave.rate), e.milliseconds);
    // Audible, and not clipped to the rails by a wrong sample encoding.
    EXPECT_GT(peak(wave), 3000);
    EXPECT_LT(peak(wave), 32767);
  }
}

TEST(WaveDecoder, EightBitClipIsCentredOnZero) {
  // Unsigned 8-bit data read as signed would sit near -32768 or +32767.
  std::vector<unsigned char> image = clipBytes(107);
  DecodedWave wave;
  ASSERT_TRUE(decodeWave(image.data(), image.size(), &wave));
  long long sum = 0;
  for (int16_t s : wave.samples) sum += s;
  EXPECT_LT(std::llabs(sum / static_cast<long long>(wave.samples.size())), 2000);
}

TEST(WaveDecoder, RejectsWhatIsNoWaveImage) {
  DecodedWave wave;
  EXPECT_FALSE(decodeWave(nullptr, 100, &wave));
  std::vector<unsigned char> image = clipBytes(103);
  EXPECT_FALSE(decodeWave(image.data(), 0, &wave));
  EXPECT_FALSE(decodeWave(image.data(), 20, &wave));  // cut inside the header
  std::vector<unsigned char> noise(600, 0x5a);
  EXPECT_FALSE(decodeWave(noise.data(), noise.size(), &wave));
}

TEST(WaveDecoder, ImageCutShortInsideTheDataGivesOnlyWhatIsThere) {
  std::vector<unsigned char> image = clipBytes(104);
  size_t keep = 44 + 1000;  // header and 500 frames; the header still says 4475
  DecodedWave wave;
  ASSERT_TRUE(decodeWave(image.data(), keep, &wave));
  EXPECT_EQ(wave.frames, 500);
  EXPECT_EQ(std::memcmp(wave.samples.data(), image.data() + 44, 1000), 0);
}

TEST(WaveDecoder, ChunkClaimingMoreThanTheImageHoldsIsRejected) {
  // A chunk claiming nearly 4 GiB between "fmt " and "fact" must neither be
  // read past the image nor wrap an offset around into it.
  std::vector<unsigned char> image = clipBytes(105);
  size_t fact = 12 + 8 + 50;  // after the 50-byte MS-ADPCM "fmt " chunk
  ASSERT_EQ(std::memcmp(image.data() + fact, "fact", 4), 0);
  const unsigned char junk[] = {'j', 'u', 'n', 'k', 0xf0, 0xff, 0xff, 0xff};
  image.insert(image.begin() + fact, junk, junk + sizeof junk);
  DecodedWave wave;
  EXPECT_FALSE(decodeWave(image.data(), image.size(), &wave));
}

}  // namespace
}  // namespace velmora::platform
