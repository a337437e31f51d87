#include <windows.h>

#include "platform/ticks.h"

namespace velmora::platform {

namespace {

int64_t counterFrequency() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart > 0 ? value.QuadPart : 1;
  }();
  return frequency;
}

// The performance counter in units of `perSecond` a second.
int64_t counterIn(int64_t perSecond) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  const int64_t frequency = counterFrequency();
  // Split the division so the multiplication cannot overflow on long uptimes.
  const int64_t whole = counter.QuadPart / frequency;
  const int64_t part = counter.QuadPart % frequency;
  return whole * perSecond + part * perSecond / frequency;
}

}  // namespace

uint32_t tickCount() { return static_cast<uint32_t>(counterIn(1000)); }

int64_t monotonicMicros() { return counterIn(1000000); }

void sleepMs(uint32_t ms) { Sleep(ms); }

void sleepMsSince(int64_t since, uint32_t ms) {
  const int64_t left = since + static_cast<int64_t>(ms) * 1000 - monotonicMicros();
  // Whole milliseconds, rounded up: the pause is never shorter than asked.
  Sleep(left <= 0 ? 0 : static_cast<DWORD>((left + 999) / 1000));
}

}  // namespace velmora::platform
