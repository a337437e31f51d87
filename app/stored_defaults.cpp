#include "app/stored_defaults.h"

// Interim: no stored defaults until the registry service lands.
void loadDefaults(int32_t&, int32_t&, int32_t&, bool&, bool&, bool&, int32_t&, int32_t&) {}
void saveDefaults(int32_t, int32_t, int32_t, bool, bool, bool, int32_t, int32_t) {}
bool clearDefaults() { return true; }
