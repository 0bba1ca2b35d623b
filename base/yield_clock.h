// SPDX-License-Identifier: Apache-2.0
#pragma once
// YieldClock: yields to the front end by elapsed time, not per byte, and
// carries a cancel request into the job.
//
// Engines call tick() at every chunk boundary, or at every find of a loop
// that may find millions of things (cheap: one read of the coarse clock,
// a few nanoseconds); it calls JobProgress::yield() when kInterval has
// passed since the last yield, so progress shows a few times per frame
// however fast the loop runs. At each yield it also asks whether the job
// should stop; from then on stopped() is true, and every loop that ticks
// ends at its next tick, keeping what it has so far.

#include <time.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "base/job_progress.h"

namespace kw {

class YieldClock {
 public:
  static constexpr std::chrono::milliseconds kInterval{5};

  explicit YieldClock(JobProgress& progress) : progress_(progress), last_(Now()) {}

  // Yields when the interval has passed; before yielding runs `before`
  // (typically: show the progress made so far).
  template <typename Before>
  void tick(Before&& before) {
    if (Now() - last_ < kInterval) return;
    before();
    yieldNow();
  }
  void tick() {
    tick([] {});
  }
  // Yields now (between the steps of an engine).
  void now() { yieldNow(); }

  // True once a yield has seen a cancel request.
  bool stopped() const { return stopped_; }

  // For loops whose steps take nanoseconds: ticks at every 4096th step
  // counted in `steps`; true once the job was cancelled.
  bool tickEvery(uint32_t& steps) {
    if ((++steps & 0xFFF) == 0) tick();
    return stopped_;
  }

 private:
  // The monotonic clock at the kernel's tick resolution (1 to 4 ms): read
  // without a system call or a hardware counter, several times cheaper than
  // the precise clock, and precise enough for a 5 ms interval.
  static std::chrono::nanoseconds Now() {
    timespec t{};
#if defined(__EMSCRIPTEN__)
    ::clock_gettime(CLOCK_MONOTONIC, &t);  // the browser has no coarse clock (performance.now())
#else
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
#endif
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
  }

  void yieldNow() {
    progress_.yield();
    if (progress_.cancelRequested()) stopped_ = true;
    last_ = Now();
  }

  JobProgress& progress_;
  std::chrono::nanoseconds last_;
  bool stopped_ = false;
};

// The same for a clock that may be missing.
inline bool TickEvery(YieldClock* clock, uint32_t& steps) { return clock != nullptr && clock->tickEvery(steps); }

}  // namespace kw
