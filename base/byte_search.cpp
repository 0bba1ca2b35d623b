// SPDX-License-Identifier: Apache-2.0
#include "base/byte_search.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <random>

#include "base/file_searcher.h"
#include "base/source_file.h"

namespace kw {

int32_t FindInFile(const std::string& path, std::string_view pattern, int32_t& start, YieldClock* clock) {
  SourceFile file;
  if (!SourceFile::Open(path, &file).ok()) return -1;
  int64_t blockStart = start;
  const int32_t found = FileSearcher(file).find(pattern, start, &blockStart, clock);
  start = static_cast<int32_t>(blockStart);
  return found;
}

int32_t HexToLong(std::string_view text) {
  double value = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    int digit = 0;
    if (c >= 'A' && c <= 'F') digit = c - 55;
    if (c >= '0' && c <= '9') digit = c - 48;
    // A zero digit adds nothing (and far places would make 0 x infinity).
    if (digit == 0) continue;
    value = std::nearbyint(value + digit * std::pow(16.0, static_cast<double>(n - 1 - i)));
    if (value > INT32_MAX) return INT32_MAX;  // saturates instead of overflowing
  }
  return static_cast<int32_t>(value);
}

std::string MarkerBytes(std::initializer_list<std::string_view> hexTexts) {
  std::string marker;
  for (const std::string_view text : hexTexts) marker += static_cast<char>(HexToLong(text) & 0xFF);
  return marker;
}

std::string GetTempFile(std::string_view prefix) {
  // Like the platform's own temporary names, only the first three letters count.
  prefix = prefix.substr(0, 3);
  if (prefix.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) return {};
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env != nullptr && *env != '\0') ? env : "/tmp";
  if (dir.front() != '/') {
    std::error_code error;
    dir = std::filesystem::absolute(dir, error).string();
    if (error || dir.empty()) return {};
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  // One generator per thread: batch workers and the wizard's picture thread
  // make temporary files at once.
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kLetters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name(prefix);
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof(kLetters) - 1)];
    const std::string path = (dir == "/" ? "" : dir) + "/" + name + ".tmp";
    // O_EXCL never opens an existing name, a link included.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

}  // namespace kw
