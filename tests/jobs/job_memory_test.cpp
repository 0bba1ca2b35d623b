// SPDX-License-Identifier: Apache-2.0
#include "jobs/job_memory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "base/job_progress.h"

namespace kw {
namespace {

class Cancelled : public JobProgress {
 public:
  bool cancelRequested() const override { return true; }
};

// A second job whose share does not fit waits for the first to end; the
// waiting one cannot have started while the first holds its share,
// whatever the threads' timing.
TEST(JobMemoryTest, AJobWaitsUntilItsShareFits) {
  JobMemory memory(100);
  JobProgress progress;
  auto first = std::make_unique<JobMemory::Ticket>(memory.enter(60, progress));
  ASSERT_TRUE(first->admitted());
  std::atomic<bool> entered = false;
  std::thread second([&] {
    const JobMemory::Ticket ticket = memory.enter(60, progress);
    entered = ticket.admitted();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a chance to go wrong, not a measurement
  EXPECT_FALSE(entered);
  EXPECT_EQ(memory.inUse(), 60);
  first.reset();
  second.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(memory.inUse(), 0);
}

TEST(JobMemoryTest, SharesThatFitRunTogetherAndATooLargeOneAlone) {
  JobMemory memory(100);
  JobProgress progress;
  {
    const JobMemory::Ticket a = memory.enter(40, progress), b = memory.enter(40, progress);
    EXPECT_TRUE(a.admitted() && b.admitted());
    EXPECT_EQ(memory.inUse(), 80);
  }
  const JobMemory::Ticket huge = memory.enter(500, progress);  // nothing else runs: it may
  EXPECT_TRUE(huge.admitted());
}

TEST(JobMemoryTest, ACancelRequestEndsTheWait) {
  JobMemory memory(100);
  JobProgress progress;
  const JobMemory::Ticket held = memory.enter(100, progress);
  Cancelled cancelled;
  EXPECT_FALSE(memory.enter(1, cancelled).admitted());
  EXPECT_EQ(memory.inUse(), 100);
}

TEST(JobMemoryTest, EstimateGrowsWithTheSourceAndCapsTheWorkingPart) {
  EXPECT_LT(JobMemory::Estimate(0), JobMemory::Estimate(1 << 20));
  const int64_t big = int64_t{1} << 30;
  EXPECT_EQ(JobMemory::Estimate(big + 1) - JobMemory::Estimate(big), 3);  // only the text grows past 64 MiB
}

}  // namespace
}  // namespace kw
