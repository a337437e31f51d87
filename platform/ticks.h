#ifndef TAVRO_PLATFORM_TICKS_H_
#define TAVRO_PLATFORM_TICKS_H_

#include <cstdint>

namespace velmora::platform {

/// Milliseconds from a monotonic high-resolution clock, wrapping at 32 bits
/// like GetTickCount (but without its 10 to 16 ms steps).
uint32_t tickCount();

/// Pauses the calling thread for `ms` milliseconds; a signal does not cut the
/// pause short. 0 returns at once (on Windows, Sleep(0) first lets other
/// ready threads run).
void sleepMs(uint32_t ms);

/// Microseconds from the same monotonic clock; only differences mean
/// anything.
int64_t monotonicMicros();

/// Pauses until `ms` milliseconds have passed since `since` (a value of
/// monotonicMicros), so that what the caller did meanwhile counts as part of
/// the pause; never less than that, and a signal does not cut it short. When
/// the time has already passed, or `ms` is 0, it returns at once (on
/// Windows, Sleep(0) first lets other ready threads run).
void sleepMsSince(int64_t since, uint32_t ms);

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_TICKS_H_
