#include "platform/ticks.h"

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

int64_t monotonicMicros() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

namespace {

timespec asTimespec(int64_t micros) {
  timespec t{};
  t.tv_sec = static_cast<time_t>(micros / 1000000);
  t.tv_nsec = static_cast<long>(micros % 1000000) * 1000L;
  return t;
}

}  // namespace

void sleepMsSince(int64_t since, uint32_t ms) {
  const int64_t end = since + static_cast<int64_t>(ms) * 1000;
  // A pause already over costs no system call: a /d 0 run makes one per
  // probe otherwise.
  if (ms == 0 || monotonicMicros() >= end) return;
  const timespec at = asTimespec(end);
  // An absolute time resumes correctly after a signal, and the kernel never
  // ends the wait before it.
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

void sleepMs(uint32_t ms) {
  if (ms == 0) return;
  timespec remaining{};
  remaining.tv_sec = static_cast<time_t>(ms / 1000u);
  remaining.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
  // A Control-C only sets a flag; the pause itself runs to its end.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace velmora::platform
