#include "platform/sound.h"

#include "platform/sound_server_posix.h"

namespace velmora::platform {

SoundServer& systemSoundServer() {
  // Destroyed at exit like any static: the child cuts off a clip still
  // playing and is reaped, so it neither outlives the run nor holds it up.
  static SoundServer server(openAlsaOutput);
  return server;
}

bool playWaveAsync(const void* image, size_t size) {
  if (image == nullptr || size == 0) return false;
  systemSoundServer().play(image, size);
  return true;
}

}  // namespace velmora::platform
