// SPDX-License-Identifier: Apache-2.0
#include "jobs/job_memory.h"

#include <algorithm>
#include <chrono>

#include "base/job_progress.h"

namespace kw {

namespace {

constexpr int64_t kWorking = int64_t{64} << 20;  // what a reader keeps besides the text
constexpr int64_t kBase = int64_t{8} << 20;
constexpr int kTextPerByte = 3;  // Windows-1252 bytes as UTF-8, breaks as CR LF
constexpr auto kCancelLook = std::chrono::milliseconds(20);

}  // namespace

JobMemory& JobMemory::Shared() {
  static JobMemory memory;
  return memory;
}

int64_t JobMemory::Estimate(int64_t sourceSize) {
  const int64_t size = std::max<int64_t>(sourceSize, 0);
  return kBase + std::min(kWorking, size) + kTextPerByte * size;
}

JobMemory::Ticket JobMemory::enter(int64_t bytes, JobProgress& progress) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (running_ > 0 && inUse_ + bytes > budget_) {
    if (progress.cancelRequested()) return Ticket(nullptr, 0);
    freed_.wait_for(lock, kCancelLook);
  }
  inUse_ += bytes;
  ++running_;
  return Ticket(this, bytes);
}

int64_t JobMemory::inUse() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inUse_;
}

void JobMemory::leave(int64_t bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    inUse_ -= bytes;
    --running_;
  }
  freed_.notify_all();
}

JobMemory::Ticket::~Ticket() {
  if (memory_ != nullptr) memory_->leave(bytes_);
}

}  // namespace kw
