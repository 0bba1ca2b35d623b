// SPDX-License-Identifier: Apache-2.0
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

#include "formats/images/image_extraction.h"
#include "jobs/job.h"

namespace {

using Clock = std::chrono::steady_clock;

class ProbeHost : public kw::JobProgress {
 public:
  Clock::time_point last = Clock::now();
  Clock::duration longest{};

  void yield() override {
    const auto now = Clock::now();
    longest = std::max(longest, now - last);
    last = now;
  }
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  ProbeHost host;
  if (mode == "scan" && argc == 3) {
    host.last = Clock::now();
    const kw::JobResult result = kw::RunJob({argv[2], kw::JobMode::kImages}, host);
    host.yield();  // the time after the last yield counts too
    std::printf("entries=%zu longest_gap_ms=%.2f %s\n", result.pictures.size(), Ms(host.longest),
                result.status.message().c_str());
    return result.status.ok() ? 0 : 1;
  }
  if (mode == "save" && argc == 5) {
    kw::PictureRecord picture;
    picture.firstByte = std::stoll(argv[3]);
    picture.lastByte = std::stoll(argv[4]);
    std::string saved;
    const kw::Status status = kw::SaveImages(argv[2], kw::FileIdentity(), picture, &saved, &host);
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
