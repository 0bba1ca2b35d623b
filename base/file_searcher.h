// SPDX-License-Identifier: Apache-2.0
#pragma once
// FileSearcher: FindInFile's search over a file that stays open, for the
// carvers, which search the same file thousands of times.
//
// It keeps the bytes of its last read: a search that begins inside them (the
// next marker, just after the last one found) reads nothing again. Reads start
// at 64 KiB and double up to 256 KiB while one search goes on without a match,
// so memory stays bounded by that whatever the file's size.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/source_file.h"

namespace kw {

class YieldClock;

class FileSearcher {
 public:
  // `file` must stay open while the searcher is used.
  explicit FileSearcher(SourceFile& file) : file_(file) {}

  // FindInFile's contract: one more than the position of the first
  // occurrence of `pattern` at or after `start`, or -1 when there is none,
  // on a read error (`failed()` then says so), for an empty pattern or one of
  // 20,000 bytes or more, and for `start` below 1 or past the end. `start`
  // comes back as the position at which the last 20,000-byte block of the
  // stepping from `start` began. `from` is 64-bit so callers may pass E + 4
  // and the like without overflow; past the end it simply gives -1.
  // A search that sees the job cancelled at one of its yields gives -1.
  int32_t find(std::string_view pattern, int64_t from, int64_t* blockStart = nullptr, YieldClock* clock = nullptr);

  // Copies up to `length` bytes at the 1-based `pos` into `out`; returns how
  // many there were (fewer at the end of the file), -1 on a read error.
  int64_t bytesAt(int64_t pos, uint8_t* out, size_t length);

  bool failed() const { return failed_; }

 private:
  // 1-based position of the first occurrence, 0 when none, -1 on error.
  int64_t search(std::string_view pattern, int64_t start, YieldClock* clock);
  // Appends the next read to the window; false on a read error.
  bool readMore(size_t length);

  SourceFile& file_;
  std::vector<uint8_t> buffer_;
  int64_t pos_ = 1;     // 1-based position of buffer_[0]
  size_t size_ = 0;     // bytes of the window held in buffer_
  bool atEnd_ = false;  // the window reaches the end of the file
  bool failed_ = false;
  uint32_t finds_ = 0;  // calls of find(), for its ticks
};

}  // namespace kw
