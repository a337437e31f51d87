#ifndef TAVRO_APP_STORED_DEFAULTS_H_
#define TAVRO_APP_STORED_DEFAULTS_H_

#include <cstdint>

/// Lays the user's stored defaults over the eight option variables; a value
/// that is not stored (or cannot be read) leaves its variable alone. Nothing
/// is reported.
void loadDefaults(int32_t& count, int32_t& size, int32_t& delay, bool& loop, bool& brief,
                  bool& comment, int32_t& soundSuccess, int32_t& soundFailure);

/// Stores the eight values as the user's defaults. Nothing is reported.
void saveDefaults(int32_t count, int32_t size, int32_t delay, bool loop, bool brief, bool comment,
                  int32_t soundSuccess, int32_t soundFailure);

/// Deletes the stored defaults; true when none exist afterwards.
bool clearDefaults();

#endif  // TAVRO_APP_STORED_DEFAULTS_H_
