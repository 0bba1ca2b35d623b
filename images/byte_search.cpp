#include "images/byte_search.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <random>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "engine/source_file.h"
#include "engine/yield_clock.h"

namespace kw {

namespace {

constexpr size_t kReadSize = 4 << 20;

// The start of the 20,000-byte block, of those stepped from `start`, that a
// search which looked at everything up to `lastByte` read last: the first
// block whose end reaches `lastByte`.
int64_t BlockStartReaching(int64_t start, int64_t lastByte, size_t patternLength) {
  const int64_t step = kSearchBlock - static_cast<int64_t>(patternLength);
  const int64_t beyond = lastByte - (start + kSearchBlock - 1);
  if (beyond <= 0) return start;
  return start + (beyond + step - 1) / step * step;
}

// The 1-based position of the first occurrence of `pattern` at or after
// `start`, 0 when there is none, -1 on a read error.
int64_t Search(SourceFile& file, std::string_view pattern, int64_t start, YieldClock* clock) {
  const size_t keep = pattern.size() - 1;
  const auto first = static_cast<unsigned char>(pattern[0]);
  std::vector<uint8_t> buffer(kReadSize + keep);
  size_t held = 0;            // bytes carried over from the previous read
  int64_t bufferPos = start;  // 1-based position of buffer[0]
  while (true) {
    const int64_t n = file.readAt(bufferPos + static_cast<int64_t>(held), buffer.data() + held, kReadSize);
    if (n < 0) return -1;
    const size_t size = held + static_cast<size_t>(n);
    const uint8_t* p = buffer.data();
    const uint8_t* const last = p + size;  // one past the last byte
    while (static_cast<size_t>(last - p) >= pattern.size()) {
      p = static_cast<const uint8_t*>(std::memchr(p, first, static_cast<size_t>(last - p) - keep));
      if (p == nullptr) break;
      if (std::memcmp(p, pattern.data(), pattern.size()) == 0) {
        return bufferPos + (p - buffer.data());
      }
      ++p;
    }
    if (n == 0 || static_cast<size_t>(n) < kReadSize) return 0;
    // Carry the last bytes over: an occurrence may begin in them.
    std::memmove(buffer.data(), buffer.data() + size - keep, keep);
    bufferPos += static_cast<int64_t>(size - keep);
    held = keep;
    if (clock != nullptr) clock->tick();
  }
}

}  // namespace

int32_t FindInFile(const std::string& path, std::string_view pattern, int32_t& start, YieldClock* clock) {
  if (clock != nullptr) clock->tick();
  if (pattern.empty() || pattern.size() >= static_cast<size_t>(kSearchBlock) || start < 1) return -1;
  SourceFile file;
  if (!SourceFile::Open(path, &file).ok()) return -1;
  const int64_t size = file.size();
  if (start > size) return -1;
  const int64_t found = Search(file, pattern, start, clock);
  if (found < 0) return -1;
  if (found == 0) {
    start = static_cast<int32_t>(BlockStartReaching(start, size, pattern.size()));
    return -1;
  }
  start = static_cast<int32_t>(BlockStartReaching(start, found + static_cast<int64_t>(pattern.size()) - 1,
                                                  pattern.size()));
  if (found + 1 > INT32_MAX) return -1;
  return static_cast<int32_t>(found + 1);
}

int32_t HexToLong(std::string_view text) {
  double value = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    int digit = -1;
    if (c >= 'A' && c <= 'F') digit = c - 55;
    if (c >= '0' && c <= '9') digit = c - 48;
    if (digit < 0) continue;
    value = std::nearbyint(value + digit * std::pow(16.0, static_cast<double>(n - 1 - i)));
    if (value > INT32_MAX) return INT32_MAX;  // saturates instead of overflowing
  }
  return static_cast<int32_t>(value);
}

std::string GetTempFile(std::string_view prefix) {
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env != nullptr && *env != '\0') ? env : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  static std::mt19937_64 random{std::random_device{}()};
  static const char kLetters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name(prefix);
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof(kLetters) - 1)];
    const std::string path = (dir == "/" ? "" : dir) + "/" + name + ".tmp";
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
