#include "app/sound.h"

// Interim: silent until the sound service lands.
int soundResourceId(int32_t id) { return id; }
void playSound(int32_t) {}
