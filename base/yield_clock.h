#pragma once
// YieldClock: yields to the event loop by elapsed time, not per byte.
//
// Engines call tick() at every chunk boundary, or at every find of a loop
// that may find millions of things (cheap: one read of the coarse clock,
// a few nanoseconds); it calls StatusWindow::yield() when kInterval has
// passed since the last yield, so the window repaints a few times per frame
// however fast the loop runs.

#include <time.h>

#include <chrono>
#include <functional>

#include "base/job_host.h"

namespace kw {

class YieldClock {
 public:
  static constexpr std::chrono::milliseconds kInterval{5};

  explicit YieldClock(StatusWindow& window) : window_(window), last_(Now()) {}

  // Yields when the interval has passed; before yielding runs `before`
  // (typically: show the progress made so far).
  template <typename Before>
  void tick(Before&& before) {
    if (Now() - last_ < kInterval) return;
    before();
    window_.yield();
    last_ = Now();
  }
  void tick() {
    tick([] {});
  }
  // Yields now (between the steps of an engine).
  void now() {
    window_.yield();
    last_ = Now();
  }

 private:
  // The monotonic clock at the kernel's tick resolution (1 to 4 ms): read
  // without a system call or a hardware counter, several times cheaper than
  // the precise clock, and precise enough for a 5 ms interval.
  static std::chrono::nanoseconds Now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
  }

  StatusWindow& window_;
  std::chrono::nanoseconds last_;
};

}  // namespace kw
