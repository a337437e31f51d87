#include "platform/ticks.h"

#include <sched.h>
#include <sys/prctl.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/timer_lateness.h"

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
  if (ms == 0 || monotonicMicros() >= end) {
    sched_yield();
    return;
  }
#ifdef PR_SET_TIMERSLACK
  // The default slack of 50 us lets the kernel batch our wake-up with
  // others that much later; a pause asked for by the millisecond should end
  // when due.
  static const bool exactTimers = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
  (void)exactTimers;
#endif
  thread_local TimerLateness lateness;
  // Never aim before the start of the pause itself, however late timers are.
  const int64_t aim = std::max(end - lateness.estimate(), monotonicMicros());
  const timespec at = asTimespec(aim);
  // An absolute time resumes correctly after a signal.
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
  const int64_t woke = monotonicMicros();
  lateness.observe(woke - aim);
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
