#ifndef TAVRO_PLATFORM_WAVE_DECODER_POSIX_H_
#define TAVRO_PLATFORM_WAVE_DECODER_POSIX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::platform {

/// A WAVE image decoded to interleaved signed 16-bit samples.
struct DecodedWave {
  int rate = 0;
  int channels = 0;
  int64_t frames = 0;
  std::vector<int16_t> samples;  // frames * channels values
};

/// Decodes a RIFF WAVE image held in memory (any encoding libsndfile reads,
/// PCM and Microsoft ADPCM among them) without copying it. False for an image
/// that is not a readable, non-empty WAVE file.
bool decodeWave(const void* image, size_t size, DecodedWave* out);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_WAVE_DECODER_POSIX_H_
