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

}  // namespace

uint32_t tickCount() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  const int64_t frequency = counterFrequency();
  // Split the division so the multiplication cannot overflow on long uptimes.
  const int64_t whole = counter.QuadPart / frequency;
  const int64_t part = counter.QuadPart % frequency;
  const uint64_t ms =
      static_cast<uint64_t>(whole) * 1000u + static_cast<uint64_t>(part * 1000 / frequency);
  return static_cast<uint32_t>(ms);
}

void sleepMs(uint32_t ms) { Sleep(ms); }

}  // namespace velmora::platform
