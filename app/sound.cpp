#include "app/sound.h"

#include "platform/resource.h"
#include "platform/sound.h"

int soundResourceId(int32_t id) {
  switch (id) {
    case 2:
      return 104;
    case 3:
      return 105;
    case 4:
      return 107;
    default:
      return 103;
  }
}

void playSound(int32_t id) {
  velmora::platform::OwnResource clip(soundResourceId(id), "WAVE");
  if (!clip.found()) return;
  velmora::platform::playWaveAsync(clip.data(), clip.size());
}
