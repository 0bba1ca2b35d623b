// SPDX-License-Identifier: Apache-2.0
#pragma once
// BatchProgress: a batch's progress bar on stderr, files done of the total
// and the current rate, drawn only when stderr is a terminal (nothing at all
// otherwise) and at most ten times a second. Any worker may report a file.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>

namespace kw::cli {

class BatchProgress {
 public:
  explicit BatchProgress(size_t total);
  ~BatchProgress();

  // One more file ended.
  void fileDone();
  // Wipes the bar, if drawn, so that other lines can be written.
  void close();

 private:
  using Clock = std::chrono::steady_clock;
  void draw(size_t done, Clock::time_point now);

  const size_t total_;
  const bool terminal_;
  std::atomic<size_t> done_{0};
  std::mutex mutex_;
  bool drawn_ = false;
  Clock::time_point lastDraw_{};
  // The rate is measured since the previous sample, a second or more ago.
  Clock::time_point sampleTime_;
  size_t sampleDone_ = 0;
  double rate_ = 0;
};

}  // namespace kw::cli
