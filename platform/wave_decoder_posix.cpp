#include "platform/wave_decoder_posix.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/sound_libraries_posix.h"

namespace velmora::platform {

namespace {

// Anything longer than this is no alert clip; the bound keeps a damaged
// header from asking for a huge buffer.
constexpr int64_t kMaxFrames = 10 * 48000;
constexpr int kMaxChannels = 8;

struct MemoryImage {
  const unsigned char* bytes;
  sf_count_t size;
  sf_count_t position;
};

sf_count_t imageLength(void* user) { return static_cast<MemoryImage*>(user)->size; }

sf_count_t imageSeek(sf_count_t offset, int whence, void* user) {
  auto* image = static_cast<MemoryImage*>(user);
  sf_count_t base = whence == SEEK_CUR ? image->position : whence == SEEK_END ? image->size : 0;
  sf_count_t target = base + offset;
  if (target < 0 || target > image->size) return -1;
  image->position = target;
  return target;
}

sf_count_t imageRead(void* buffer, sf_count_t count, void* user) {
  auto* image = static_cast<MemoryImage*>(user);
  sf_count_t n = std::max<sf_count_t>(0, std::min(count, image->size - image->position));
  std::memcpy(buffer, image->bytes + image->position, static_cast<size_t>(n));
  image->position += n;
  return n;
}

sf_count_t imageWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t imageTell(void* user) { return static_cast<MemoryImage*>(user)->position; }

uint32_t readLittle32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The sample count of the "fact" chunk, or -1 without one. Compressed clips
// are stored in whole blocks, and only this count says where the sound ends;
// libsndfile reports the padded length of the blocks.
int64_t factSampleCount(const unsigned char* bytes, size_t size) {
  uint64_t offset = 12;  // "RIFF", its length, "WAVE"
  while (offset + 8 <= size) {
    uint32_t length = readLittle32(bytes + offset + 4);
    if (std::memcmp(bytes + offset, "fact", 4) == 0) {
      return length >= 4 && offset + 12 <= size ? readLittle32(bytes + offset + 8) : -1;
    }
    offset += 8 + uint64_t{length} + (length & 1);
  }
  return -1;
}

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sndfileApi()->close(file); }
};

}  // namespace

bool decodeWave(const void* image, size_t size, DecodedWave* out) {
  if (image == nullptr || size == 0) return false;
  MemoryImage memory{static_cast<const unsigned char*>(image), static_cast<sf_count_t>(size), 0};
  SF_VIRTUAL_IO io{imageLength, imageSeek, imageRead, imageWrite, imageTell};
  SF_INFO info{};
  const SndfileApi* sndfile = sndfileApi();
  if (sndfile == nullptr) return false;
  std::unique_ptr<SNDFILE, SndfileCloser> file(sndfile->openVirtual(&io, SFM_READ, &info, &memory));
  if (!file || (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV) return false;
  if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate <= 0) return false;
  if (info.frames <= 0 || info.frames > kMaxFrames) return false;

  int64_t fact = factSampleCount(memory.bytes, size);
  int encoding = info.format & SF_FORMAT_SUBMASK;
  bool pcm = encoding >= SF_FORMAT_PCM_S8 && encoding <= SF_FORMAT_PCM_U8;
  if (!pcm && fact >= 0) {
    info.frames = std::min<int64_t>(info.frames, fact);
  }
  if (info.frames <= 0) return false;

  out->rate = info.samplerate;
  out->channels = info.channels;
  out->samples.assign(static_cast<size_t>(info.frames * info.channels), 0);
  out->frames = sndfile->readfShort(file.get(), out->samples.data(), info.frames);
  out->samples.resize(static_cast<size_t>(out->frames * info.channels));
  return out->frames > 0;
}

}  // namespace velmora::platform
