#pragma once
// PlainJobHost: a JobHost with fixed inputs and no window.
//
// The path and the three mode values are plain fields; everything a job
// shows is ignored. Hosts that watch a job (benchmarks, fuzzers, probes)
// derive from it and override only what they look at.

#include <string>

#include "base/job_host.h"

namespace kw {

class PlainJobHost : public JobHost {
 public:
  std::string path;
  int quick = 0, image = 0, salvage = 0;

  std::string sourcePath() const override { return path; }
  int optQuickMode() const override { return quick; }
  int optImageMode() const override { return image; }
  int optSalvageMode() const override { return salvage; }
  void setProgressMin(int32_t) override {}
  void setProgressMax(int32_t) override {}
  void setProgressValue(int32_t) override {}
  void yield() override {}
  void closeStatusWindow() override {}
  void selectStep(int) override {}
  void setStepAvailable(int, bool) override {}
  void setFoundImagesLabel(const std::string&) override {}
  void navigatePreview(const std::string&) override {}
  void addPictureEntry(const std::string&) override {}
  void showNotice(const std::string&) override {}
};

}  // namespace kw
