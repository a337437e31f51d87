#include "platform/ticks.h"

#include <sched.h>

#include <cerrno>
#include <ctime>

namespace velmora::platform {

uint32_t tickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  // Unsigned arithmetic wraps the way the 32-bit system counter does.
  uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void sleepMs(uint32_t ms) {
  // A zero pause gives up the rest of the time slice, as Sleep(0) does. A
  // zero nanosleep arms a timer that has already run out and waits for its
  // interrupt: a context switch for every probe of a /d 0 run.
  if (ms == 0) {
    sched_yield();
    return;
  }
  timespec remaining{};
  remaining.tv_sec = static_cast<time_t>(ms / 1000u);
  remaining.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
  // A Control-C only sets a flag; the pause itself runs to its end.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace velmora::platform
