// SPDX-License-Identifier: Apache-2.0
#include "base/file_searcher.h"

#include <algorithm>
#include <cstring>

#include "base/byte_search.h"
#include "base/pattern_scan.h"
#include "base/yield_clock.h"

namespace kw {

namespace {

constexpr size_t kFirstRead = 64 << 10;
constexpr size_t kMaxRead = 256 << 10;

// The start of the 20,000-byte block, of those stepped from `start`, that a
// search which looked at everything up to `lastByte` read last: the first
// block whose end reaches `lastByte`.
int64_t BlockStartReaching(int64_t start, int64_t lastByte, size_t patternLength) {
  const int64_t step = kSearchBlock - static_cast<int64_t>(patternLength);
  const int64_t beyond = lastByte - (start + kSearchBlock - 1);
  if (beyond <= 0) return start;
  return start + (beyond + step - 1) / step * step;
}

}  // namespace

int32_t FileSearcher::find(std::string_view pattern, int64_t from, int64_t* blockStart, YieldClock* clock) {
  // A search inside the window takes nanoseconds: ticking at every 64th
  // keeps the clock's reads out of a file packed with markers (searches that
  // read tick at every read).
  if (clock != nullptr && (++finds_ & 63) == 0) clock->tick();
  if (pattern.empty() || pattern.size() >= static_cast<size_t>(kSearchBlock)) return -1;
  if (from < 1 || from > file_.size()) return -1;
  const int64_t found = search(pattern, from, clock);
  if (found < 0) return -1;
  const int64_t lastByte = found == 0 ? file_.size() : found + static_cast<int64_t>(pattern.size()) - 1;
  if (blockStart != nullptr) *blockStart = BlockStartReaching(from, lastByte, pattern.size());
  if (found == 0 || found + 1 > INT32_MAX) return -1;
  return static_cast<int32_t>(found + 1);
}

bool FileSearcher::readMore(size_t length) {
  if (buffer_.size() < size_ + length) buffer_.resize(size_ + length);
  const int64_t n = file_.readAt(pos_ + static_cast<int64_t>(size_), buffer_.data() + size_, length);
  if (n < 0) {
    failed_ = true;
    return false;
  }
  size_ += static_cast<size_t>(n);
  atEnd_ = static_cast<size_t>(n) < length;
  return true;
}

int64_t FileSearcher::search(std::string_view pattern, int64_t start, YieldClock* clock) {
  if (start < pos_ || start >= pos_ + static_cast<int64_t>(size_)) {
    pos_ = start;  // not in the window: start a new one
    size_ = 0;
    atEnd_ = false;
  }
  const size_t keep = pattern.size() - 1;
  size_t offset = static_cast<size_t>(start - pos_);
  size_t readSize = kFirstRead;
  while (true) {
    if (size_ > offset) {
      const size_t at = offset + FindPattern(buffer_.data() + offset, size_ - offset, pattern);
      if (at < size_) return pos_ + static_cast<int64_t>(at);
    }
    if (atEnd_) return 0;
    // Keep the bytes where an occurrence could still begin, read on after them.
    const size_t from = std::max(offset, size_ - std::min(keep, size_));
    if (from > 0) std::memmove(buffer_.data(), buffer_.data() + from, size_ - from);
    pos_ += static_cast<int64_t>(from);
    size_ -= from;
    offset = 0;
    if (!readMore(readSize)) return -1;
    readSize = std::min(readSize * 2, kMaxRead);
    if (clock != nullptr) {
      clock->tick();
      if (clock->stopped()) return 0;  // the job was cancelled: found nothing more
    }
  }
}

int64_t FileSearcher::bytesAt(int64_t pos, uint8_t* out, size_t length) {
  const int64_t end = pos_ + static_cast<int64_t>(size_);
  if (pos >= pos_ && pos + static_cast<int64_t>(length) <= end) {
    std::memcpy(out, buffer_.data() + (pos - pos_), length);
    return static_cast<int64_t>(length);
  }
  const int64_t n = file_.readAt(pos, out, length);
  if (n < 0) failed_ = true;
  return n;
}

}  // namespace kw
