// SPDX-License-Identifier: Apache-2.0
#pragma once
// Shared pieces of the fuzz targets: a silent job context, a scratch file
// that holds the current input (the engines read files), a private folder
// for their working files, and the choice of inputs for costly checks.

#include <fcntl.h>
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

// Whether this input also gets a target's costly comparison: one input in
// `every`, chosen by its bytes (FNV-1a), so that a finding reproduces from
// its input alone.
inline bool Sampled(const uint8_t* data, size_t size, uint32_t every) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash % every == 0;
}

// Whether `text` (UTF-8) holds no control character (C0, DEL, C1) but TAB
// and the CR LF that ends a line, as every Deep Recovery text must.
inline bool OnlyTextControls(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (c == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return false;
    if (c == 0xC2 && i + 1 < text.size() && (static_cast<uint8_t>(text[i + 1]) & 0xE0) == 0x80) return false;
  }
  return true;
}

// Where the scratch file and the working files go: /dev/shm, a file system
// in memory, where it can be written (an input then costs no disk journal),
// else /tmp.
inline const std::string& ScratchRoot() {
  static const std::string root = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return root;
}

// The path of a per-process scratch file holding `bytes`; the file stays
// open between inputs and is rewritten in place.
inline std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix = ".bin") {
  // Never destroyed, so that it is still there when the exit handler
  // removes the file.
  static const std::string& path = *[suffix] {
    auto* name = new std::string(ScratchRoot() + "/kwfuzz-" + std::to_string(::getpid()) + suffix);
    std::atexit([] { std::remove(path.c_str()); });
    return name;
  }();
  static const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0) std::abort();
  return path;
}

// A private temporary folder for this process, made once and set as TMPDIR,
// so that the working files the engines make stay in one place that
// EmptyFolder() clears after every input and that goes away at exit.
inline const std::string& PrivateTempFolder() {
  static const std::string folder = [] {
    std::string name = ScratchRoot() + "/kwfuzz-tmp-XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    ::setenv("TMPDIR", name.c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(std::getenv("TMPDIR"), ignored);
    });
    return name;
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
