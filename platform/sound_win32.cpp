#include <windows.h>
// windows.h leaves out the multimedia API when WIN32_LEAN_AND_MEAN is set.
#include <mmsystem.h>

#include "platform/sound.h"

namespace velmora::platform {

bool playWaveAsync(const void* image, size_t /*size*/) {
  return sndPlaySoundA(static_cast<LPCSTR>(image), SND_ASYNC | SND_MEMORY) != FALSE;
}

}  // namespace velmora::platform
