// SPDX-License-Identifier: Apache-2.0
// cancel_latency: how long a job takes to stop once a cancel is requested.
// Runs the job on FILE several times, asking it to stop after 10, 20, 40,
// ... ms, and prints the longest time from the request to the job's return.
//
//   kw_cancel_latency quick|salvage|images|deep FILE

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "jobs/job.h"

namespace {

using Clock = std::chrono::steady_clock;

class Stopping : public kw::JobProgress {
 public:
  std::atomic<bool> stop{false};
  bool cancelRequested() const override { return stop; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kw_cancel_latency quick|salvage|images|deep FILE\n");
    return 2;
  }
  const std::string mode = argv[1];
  const kw::JobMode jobMode = mode == "salvage"  ? kw::JobMode::kSalvage
                              : mode == "images" ? kw::JobMode::kImages
                              : mode == "deep"   ? kw::JobMode::kDeep
                                                 : kw::JobMode::kQuick;
  double longest = 0;
  int stopped = 0, runs = 0;
  for (int after = 10; after <= 2560; after *= 2) {
    Stopping progress;
    Clock::time_point requested{}, returned{};
    bool cancelled = false;
    std::thread job([&] {
      cancelled = kw::RunJob({argv[2], jobMode}, progress).cancelled;
      returned = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(after));
    requested = Clock::now();
    progress.stop = true;
    job.join();
    ++runs;
    if (!cancelled) continue;  // it had ended before the request
    ++stopped;
    const double ms = std::chrono::duration<double, std::milli>(returned - requested).count();
    if (std::getenv("KW_VERBOSE") != nullptr) std::fprintf(stderr, "after %d ms: stopped in %.1f ms\n", after, ms);
    longest = std::max(longest, ms);
  }
  std::printf("%s cancelled=%d/%d longest_stop_ms=%.1f\n", mode.c_str(), stopped, runs, longest);
  return 0;
}
