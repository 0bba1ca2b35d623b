#pragma once
// YieldClock: yields to the event loop by elapsed time, not per byte.
//
// Engines call tick() at every chunk boundary (cheap: one clock read); it
// calls StatusWindow::yield() when kInterval has passed since the last yield,
// so the window repaints a few times per frame however fast the loop runs.

#include <chrono>
#include <functional>

#include "engine/job_host.h"

namespace kw {

class YieldClock {
 public:
  static constexpr std::chrono::milliseconds kInterval{5};

  explicit YieldClock(StatusWindow& window) : window_(window), last_(Clock::now()) {}

  // Yields when the interval has passed; before yielding runs `before`
  // (typically: show the progress made so far).
  template <typename Before>
  void tick(Before&& before) {
    const auto now = Clock::now();
    if (now - last_ < kInterval) return;
    before();
    window_.yield();
    last_ = Clock::now();
  }
  void tick() {
    tick([] {});
  }
  // Yields now (between the steps of an engine).
  void now() {
    window_.yield();
    last_ = Clock::now();
  }

 private:
  using Clock = std::chrono::steady_clock;
  StatusWindow& window_;
  Clock::time_point last_;
};

}  // namespace kw
