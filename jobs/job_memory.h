// SPDX-License-Identifier: Apache-2.0
#pragma once
// JobMemory: the memory that jobs running at the same time in one process
// (a batch's workers) may take together.
//
// Each job is admitted with an estimate of its working memory, from its
// source's size (a reader keeps at most 64 MiB besides the text it
// recovers, and the text is a few times its source at most). Jobs start while
// their estimates fit the budget together and wait otherwise; a job whose
// estimate is larger than the whole budget runs alone. So a batch holds
// about the budget at most, however many workers it has. A job that waits
// still looks for a cancel request.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kw {

class JobProgress;

class JobMemory {
 public:
  static constexpr int64_t kBudget = int64_t{1} << 30;

  explicit JobMemory(int64_t budget = kBudget) : budget_(budget) {}
  JobMemory(const JobMemory&) = delete;
  JobMemory& operator=(const JobMemory&) = delete;

  // The budget every job of this process shares (RunJob takes its share there).
  static JobMemory& Shared();
  // The working memory of a job on a source of `sourceSize` bytes.
  static int64_t Estimate(int64_t sourceSize);

  // A job's share, taken until the ticket goes.
  class Ticket {
   public:
    Ticket(JobMemory* memory, int64_t bytes) : memory_(memory), bytes_(bytes) {}
    Ticket(Ticket&& other) noexcept : memory_(other.memory_), bytes_(other.bytes_) { other.memory_ = nullptr; }
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;
    Ticket& operator=(Ticket&&) = delete;
    ~Ticket();
    bool admitted() const { return memory_ != nullptr; }

   private:
    JobMemory* memory_;
    int64_t bytes_;
  };

  // Waits until `bytes` fit beside the jobs running (or none runs); a ticket
  // that is not admitted when `progress` asked for a stop meanwhile.
  Ticket enter(int64_t bytes, JobProgress& progress);
  int64_t inUse() const;

 private:
  void leave(int64_t bytes);

  const int64_t budget_;
  mutable std::mutex mutex_;
  std::condition_variable freed_;
  int64_t inUse_ = 0;
  int running_ = 0;
};

}  // namespace kw
