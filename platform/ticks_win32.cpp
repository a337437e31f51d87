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
  const int64_t end = since + static_cast<int64_t>(ms) * 1000;
  int64_t left = end - monotonicMicros();
  if (ms == 0 || left <= 0) {
    Sleep(0);
    return;
  }
  // Whole milliseconds, rounded up, and again for whatever is left: Sleep
  // counts in timer ticks and can wake a little before the time asked for,
  // and the pause must never be shorter than asked.
  do {
    Sleep(static_cast<DWORD>((left + 999) / 1000));
    left = end - monotonicMicros();
  } while (left > 0);
}

}  // namespace velmora::platform
