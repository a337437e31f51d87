#include "app/sound.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "platform/resource.h"

namespace {

// The header fields of a RIFF WAVE image that the clips are held to.
struct WaveHeader {
  uint32_t riffLength = 0;
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint32_t bytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bits = 0;
  uint16_t samplesPerBlock = 0;  // MS-ADPCM only
  int64_t factSamples = -1;
  int64_t dataLength = -1;
};

uint32_t le(const unsigned char* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

bool parseWave(const unsigned char* bytes, size_t size, WaveHeader* h) {
  if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
    return false;
  }
  h->riffLength = le(bytes + 4, 4);
  for (size_t at = 12; at + 8 <= size;) {
    const unsigned char* chunk = bytes + at;
    uint32_t length = le(chunk + 4, 4);
    if (length > size - at - 8) return false;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && length >= 16) {
      h->formatTag = le(chunk + 8, 2);
      h->channels = le(chunk + 10, 2);
      h->rate = le(chunk + 12, 4);
      h->bytesPerSecond = le(chunk + 16, 4);
      h->blockAlign = le(chunk + 20, 2);
      h->bits = le(chunk + 22, 2);
      if (length >= 20) h->samplesPerBlock = le(chunk + 26, 2);
    } else if (std::memcmp(chunk, "fact", 4) == 0 && length >= 4) {
      h->factSamples = le(chunk + 8, 4);
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      h->dataLength = length;
    }
    at += 8 + length + (length & 1);
  }
  return true;
}

WaveHeader loadClip(int resourceId) {
  velmora::platform::OwnResource clip(resourceId, "WAVE");
  WaveHeader header;
  EXPECT_TRUE(clip.found());
  if (!clip.found()) return header;
  EXPECT_TRUE(parseWave(static_cast<const unsigned char*>(clip.data()), clip.size(), &header));
  EXPECT_EQ(header.riffLength + 8, clip.size());
  return header;
}

}  // namespace

TEST(SoundResourceId, MapsTheFourIdsAndEverythingElseToTheFirstClip) {
  EXPECT_EQ(soundResourceId(1), 103);
  EXPECT_EQ(soundResourceId(2), 104);
  EXPECT_EQ(soundResourceId(3), 105);
  EXPECT_EQ(soundResourceId(4), 107);
  for (int32_t other : {0, 5, 6, 7, -1, 103, 106, INT_MIN, INT_MAX}) {
    EXPECT_EQ(soundResourceId(other), 103) << other;
  }
}

TEST(SoundClips, EveryMappedIdHasAResource) {
  for (int32_t id = 1; id <= 4; ++id) {
    velmora::platform::OwnResource clip(soundResourceId(id), "WAVE");
    EXPECT_TRUE(clip.found()) << id;
  }
}

TEST(SoundClips, PcmClipsHaveTheirFixedFormatAndLength) {
  struct Expected {
    int id, channels, rate, bits;
    int64_t dataBytes, frames, milliseconds;
  };
  for (const Expected& e :
       {Expected{103, 1, 11025, 16, 554, 277, 25}, Expected{104, 1, 22050, 16, 8950, 4475, 203},
        Expected{107, 2, 11025, 8, 3610, 1805, 164}}) {
    SCOPED_TRACE(e.id);
    WaveHeader h = loadClip(e.id);
    EXPECT_EQ(h.formatTag, 1);
    EXPECT_EQ(h.channels, e.channels);
    EXPECT_EQ(h.rate, uint32_t(e.rate));
    EXPECT_EQ(h.bits, e.bits);
    EXPECT_EQ(h.blockAlign, e.channels * e.bits / 8);
    EXPECT_EQ(h.bytesPerSecond, uint32_t(e.rate) * h.blockAlign);
    ASSERT_EQ(h.dataLength, e.dataBytes);
    int64_t frames = h.dataLength / h.blockAlign;
    EXPECT_EQ(frames, e.frames);
    EXPECT_EQ(std::llround(frames * 1000.0 / e.rate), e.milliseconds);
  }
}

TEST(SoundClips, AdpcmClipIsOneFullBlockWithItsTrueLengthInTheFactChunk) {
  WaveHeader h = loadClip(105);
  EXPECT_EQ(h.formatTag, 2);
  EXPECT_EQ(h.channels, 2);
  EXPECT_EQ(h.rate, 22050u);
  EXPECT_EQ(h.bits, 4);
  EXPECT_EQ(h.blockAlign, 1024);
  // A block holds a 7-byte header per channel (with two whole samples) and
  // then two samples per byte across the channels.
  EXPECT_EQ(h.samplesPerBlock, (1024 - 7 * 2) * 2 / 2 + 2);
  EXPECT_EQ(h.samplesPerBlock, 1012);
  EXPECT_EQ(h.bytesPerSecond, 22050u * 1024 / 1012);
  EXPECT_EQ(h.dataLength, 1024);
  EXPECT_EQ(h.factSamples, 679);
  EXPECT_EQ(std::llround(h.factSamples * 1000.0 / 22050), 31);
}

TEST(OwnResource, MissingIdOrTypeIsNotFound) {
  EXPECT_FALSE(velmora::platform::OwnResource(106, "WAVE").found());
  EXPECT_FALSE(velmora::platform::OwnResource(103, "WAVX").found());
  velmora::platform::OwnResource missing(9999, "WAVE");
  EXPECT_EQ(missing.data(), nullptr);
  EXPECT_EQ(missing.size(), 0u);
}
