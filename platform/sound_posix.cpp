#include "platform/sound.h"

#include "platform/sound_player_posix.h"

namespace velmora::platform {

SoundPlayer& systemSoundPlayer() {
  // Destroyed at exit like any static: a clip still playing is cut off and the
  // worker joined, so the process neither crashes nor hangs on its way out.
  static SoundPlayer player(openAlsaOutput);
  return player;
}

bool playWaveAsync(const void* image, size_t size) {
  if (image == nullptr || size == 0) return false;
  systemSoundPlayer().play(image, size);
  return true;
}

}  // namespace velmora::platform
