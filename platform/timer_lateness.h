#ifndef TAVRO_PLATFORM_TIMER_LATENESS_H_
#define TAVRO_PLATFORM_TIMER_LATENESS_H_

#include <algorithm>
#include <cstdint>

namespace velmora::platform {

/// How late the system ends a timed wait, learnt from the waits made so far,
/// in microseconds. On a virtual machine a timer fires 100 to 200 us after
/// its time, which a run of probes would otherwise add to every pause; a
/// pause aimed that much early ends on time on average, early or late by the
/// timer's jitter (tens of microseconds). The estimate takes the first
/// lateness seen whole and each later one by a quarter, and never exceeds
/// 1 ms, so a machine that stalled once cannot cut pauses short by more.
class TimerLateness {
 public:
  int64_t estimate() const { return estimate_; }

  /// How long after the aimed time a wait ended.
  void observe(int64_t late) {
    late = std::clamp<int64_t>(late, 0, kMaxMicros);
    const bool first = samples_++ == 0;
    estimate_ = first ? late : estimate_ + quarterStep(late - estimate_);
  }

 private:
  // A quarter rounded away from zero, so that the estimate reaches a steady
  // lateness rather than stall short of it.
  static int64_t quarterStep(int64_t n) { return (n >= 0 ? n + 3 : n - 3) / 4; }

  static constexpr int64_t kMaxMicros = 1000;
  int64_t estimate_ = 0;
  int64_t samples_ = 0;
};

}  // namespace velmora::platform

#endif  // TAVRO_PLATFORM_TIMER_LATENESS_H_
