// SPDX-License-Identifier: Apache-2.0
#pragma once
// Shared pieces of the fuzz targets: a silent job context and a scratch
// file that holds the current input, since the engines read files.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/job_context.h"

namespace kw::fuzz {

// An engine's context that keeps only the progress bar's last values.
class SilentHost : public JobProgress, public JobContext {
 public:
  SilentHost() : JobContext("", static_cast<JobProgress&>(*this)) {}
  int32_t maximum = 0;
  int32_t value = 0;

  void setProgressMax(int32_t v) override { maximum = v; }
  void setProgressValue(int32_t v) override { value = v; }
};

// The path of a per-process scratch file holding `bytes`.
inline std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix = ".bin") {
  // Never destroyed, so that it is still there when the exit handler
  // removes the file.
  static const std::string& path = *[suffix] {
    auto* name = new std::string("/tmp/kwfuzz-" + std::to_string(::getpid()) + suffix);
    std::atexit([] { std::remove(path.c_str()); });
    return name;
  }();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f != nullptr) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

// A private temporary folder for this process, made once and set as TMPDIR,
// so that the working files the engines make stay in one place that
// EmptyFolder() clears after every input and that goes away at exit.
inline const std::string& PrivateTempFolder() {
  static const std::string folder = [] {
    char name[] = "/tmp/kwfuzz-tmp-XXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    ::setenv("TMPDIR", name, 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(std::getenv("TMPDIR"), ignored);
    });
    return std::string(name);
  }();
  return folder;
}

// Removes everything inside `folder`, leaving the folder itself.
inline void EmptyFolder(const std::string& folder) {
  std::error_code ignored;
  for (const auto& item : std::filesystem::directory_iterator(folder, ignored)) {
    std::filesystem::remove_all(item.path(), ignored);
  }
}

// The number of entries inside `folder`.
inline size_t CountEntries(const std::string& folder) {
  std::error_code ignored;
  size_t count = 0;
  for (auto it = std::filesystem::directory_iterator(folder, ignored); it != std::filesystem::directory_iterator();
       it.increment(ignored)) {
    ++count;
  }
  return count;
}

}  // namespace kw::fuzz
