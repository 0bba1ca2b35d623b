// images_probe: runs the Image Recovery core the way the wizard does, for the
// benchmark script.
//
//   kw_images_probe scan FILE               one job; prints entries and the
//                                           longest gap between two yields
//   kw_images_probe save FILE SMARK EMARK   one click: SaveImages into a
//                                           temporary file, prints its path

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "base/plain_job_host.h"
#include "formats/images/image_extraction.h"
#include "jobs/job_controller.h"

namespace {

using Clock = std::chrono::steady_clock;

class ProbeHost : public kw::PlainJobHost {
 public:
  ProbeHost() { image = 1; }
  long entries = 0;
  Clock::time_point last = Clock::now();
  Clock::duration longest{};

  void yield() override {
    const auto now = Clock::now();
    longest = std::max(longest, now - last);
    last = now;
  }
  void addPictureEntry(const std::string&) override { ++entries; }
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  ProbeHost host;
  kw::RecoveryJobState job;
  if (mode == "scan" && argc == 3) {
    host.path = argv[2];
    kw::JobController controller(job, host);
    host.last = Clock::now();
    const kw::Status status = controller.Timer1_Timer();
    host.yield();  // the time after the last yield counts too
    std::printf("entries=%ld longest_gap_ms=%.2f %s\n", host.entries, Ms(host.longest), status.message().c_str());
    return status.ok() ? 0 : 1;
  }
  if (mode == "save" && argc == 5) {
    host.path = argv[2];
    std::string saved;
    const kw::Status status = kw::SaveImages(job, host, argv[3], argv[4], "GridJ0", "jpg", &saved, &host);
    if (!status.ok()) {
      std::fprintf(stderr, "%s\n", status.message().c_str());
      return 1;
    }
    std::printf("%s\n", saved.c_str());
    return 0;
  }
  std::fprintf(stderr, "usage: kw_images_probe scan FILE | save FILE SMARK EMARK\n");
  return 2;
}
