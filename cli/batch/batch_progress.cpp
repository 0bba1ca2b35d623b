// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_progress.h"

#include <unistd.h>

#include <cstdio>

namespace kw::cli {

namespace {
constexpr int kWidth = 30;
constexpr auto kDrawEvery = std::chrono::milliseconds(100);
constexpr auto kRateEvery = std::chrono::seconds(1);
}  // namespace

BatchProgress::BatchProgress(size_t total)
    : total_(total), terminal_(::isatty(STDERR_FILENO) == 1), sampleTime_(Clock::now()) {}

BatchProgress::~BatchProgress() { close(); }

void BatchProgress::fileDone() {
  const size_t done = done_.fetch_add(1) + 1;
  if (!terminal_) return;
  const std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock()) return;  // another worker is drawing
  const Clock::time_point now = Clock::now();
  if (now - lastDraw_ < kDrawEvery && done != total_) return;
  draw(done, now);
}

void BatchProgress::draw(size_t done, Clock::time_point now) {
  const double sinceSample = std::chrono::duration<double>(now - sampleTime_).count();
  if (now - sampleTime_ >= kRateEvery || rate_ == 0) {
    if (sinceSample > 0) rate_ = static_cast<double>(done - sampleDone_) / sinceSample;
    if (now - sampleTime_ >= kRateEvery) {
      sampleTime_ = now;
      sampleDone_ = done;
    }
  }
  const int filled = total_ == 0 ? kWidth : static_cast<int>(done * kWidth / total_);
  std::fprintf(stderr, "\r[%.*s%*s] %zu/%zu files  %.0f files/s ", filled, "##############################",
               kWidth - filled, "", done, total_, rate_);
  std::fflush(stderr);
  drawn_ = true;
  lastDraw_ = now;
}

void BatchProgress::close() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!drawn_) return;
  std::fprintf(stderr, "\r%*s\r", 79, "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace kw::cli
