// SPDX-License-Identifier: Apache-2.0
// yield_gap: runs one text job on a file with a host that counts yields and
// records the longest time between two of them (and from the job's start to
// the first yield and from the last yield to its end), in wall-clock time
// and in the job thread's CPU time, which other load does not inflate.
//
//   kw_yield_gap quick|salvage FILE

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "jobs/job.h"

namespace {

using Clock = std::chrono::steady_clock;

class CountingProgress : public kw::JobProgress {
 public:
  Clock::time_point last = Clock::now();
  Clock::duration longest{};
  double lastCpu = CpuMs(), longestCpu = 0;  // the same in this thread's CPU time, whatever the load
  long yields = 0;

  static double CpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  void mark() {
    const auto now = Clock::now();
    longest = std::max(longest, now - last);
    last = now;
    const double cpu = CpuMs();
    longestCpu = std::max(longestCpu, cpu - lastCpu);
    lastCpu = cpu;
  }
  void yield() override {
    ++yields;
    mark();
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kw_yield_gap quick|salvage FILE\n");
    return 2;
  }
  CountingProgress host;
  const kw::JobMode mode = std::string(argv[1]) == "salvage" ? kw::JobMode::kSalvage : kw::JobMode::kQuick;
  const auto start = Clock::now();
  host.last = start;
  const kw::JobResult result = kw::RunJob({argv[2], mode}, host);
  const kw::Status& status = result.status;
  host.mark();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%s yields=%ld longest_gap_ms=%.2f longest_gap_cpu_ms=%.2f job_s=%.3f text_bytes=%zu%s%s\n", argv[1],
              host.yields, std::chrono::duration<double, std::milli>(host.longest).count(), host.longestCpu, seconds,
              result.text.size(), status.ok() ? "" : " error=", status.message().c_str());
  return status.ok() ? 0 : 1;
}
