#pragma once
// Shared pieces of the fuzz targets: a silent job host and a scratch file
// that holds the current input, since the engines read files.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include <unistd.h>

#include "engine/job_host.h"

namespace kw::fuzz {

class SilentHost : public JobHost {
 public:
  std::string path;
  int quick = 0, image = 0, salvage = 0;
  int32_t maximum = 0;
  int32_t value = 0;
  size_t entries = 0;

  std::string sourcePath() const override { return path; }
  int optQuickMode() const override { return quick; }
  int optImageMode() const override { return image; }
  int optSalvageMode() const override { return salvage; }
  void setProgressMin(int32_t) override {}
  void setProgressMax(int32_t v) override { maximum = v; }
  void setProgressValue(int32_t v) override { value = v; }
  void yield() override {}
  void closeStatusWindow() override {}
  void selectStep(int) override {}
  void setStepAvailable(int, bool) override {}
  void setFoundImagesLabel(const std::string&) override {}
  void navigatePreview(const std::string&) override {}
  void addPictureEntry(const std::string&) override { ++entries; }
  void showNotice(const std::string&) override {}
};

// The path of a per-process scratch file holding `bytes`.
inline std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix = ".bin") {
  static const std::string path = "/tmp/kwfuzz-" + std::to_string(::getpid()) + suffix;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f != nullptr) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

}  // namespace kw::fuzz
