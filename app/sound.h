#ifndef TAVRO_APP_SOUND_H_
#define TAVRO_APP_SOUND_H_

#include <cstdint>

/// The resource id of the clip for a sound id (1..4; anything else 103).
int soundResourceId(int32_t id);

/// Starts the clip for a non-zero sound id and returns at once; a clip still
/// playing is cut off. Failures are silent.
void playSound(int32_t id);

#endif  // TAVRO_APP_SOUND_H_
