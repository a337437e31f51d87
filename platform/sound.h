#ifndef TAVRO_PLATFORM_SOUND_H_
#define TAVRO_PLATFORM_SOUND_H_

#include <cstddef>

namespace velmora::platform {

/// Starts playing a complete RIFF WAVE image in the background and returns at
/// once; a clip still playing is cut off (sndPlaySoundA with SND_ASYNC |
/// SND_MEMORY on Windows; on POSIX libsndfile and ALSA in a child process
/// that holds none of our descriptors and no capability, forked at the first
/// clip). The image must stay valid while it plays and, on POSIX, exist
/// before the first clip, as the executable's own resources do. Nothing is
/// reported when there is no sound device: false only says the clip was
/// refused outright.
bool playWaveAsync(const void* image, size_t size);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_SOUND_H_
