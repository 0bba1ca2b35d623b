// yield_gap: runs one text job on a file with a host that counts yields and
// records the longest time between two of them (and from the job's start to
// the first yield and from the last yield to its end).
//
//   kw_yield_gap quick|salvage FILE

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "base/plain_job_host.h"
#include "jobs/job_controller.h"

namespace {

using Clock = std::chrono::steady_clock;

class CountingHost : public kw::PlainJobHost {
 public:
  Clock::time_point last = Clock::now();
  Clock::duration longest{};
  long yields = 0;

  void mark() {
    const auto now = Clock::now();
    longest = std::max(longest, now - last);
    last = now;
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
  CountingHost host;
  host.salvage = std::string(argv[1]) == "salvage" ? 1 : 0;
  host.quick = 1 - host.salvage;
  host.path = argv[2];
  kw::RecoveryJobState job;
  kw::JobController controller(job, host);
  const auto start = Clock::now();
  host.last = start;
  const kw::Status status = controller.Timer1_Timer();
  host.mark();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%s yields=%ld longest_gap_ms=%.2f job_s=%.3f text_bytes=%zu%s%s\n", argv[1], host.yields,
              std::chrono::duration<double, std::milli>(host.longest).count(), seconds, job.sRecoveredText.size(),
              status.ok() ? "" : " error=", status.message().c_str());
  return status.ok() ? 0 : 1;
}
