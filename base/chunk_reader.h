// SPDX-License-Identifier: Apache-2.0
#pragma once
// ChunkReader: reads a SourceFile forward from a position in large chunks.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/source_file.h"

namespace kw {

class ChunkReader {
 public:
  static constexpr size_t kChunkSize = 1 << 18;

  // Starts at the 1-based position `pos`. The buffer holds no more than is
  // left of the file (which never reads past its length at opening), so a
  // small file costs no more than its size.
  ChunkReader(SourceFile& file, int64_t pos, size_t chunkSize = kChunkSize)
      : file_(file),
        next_(pos),
        buffer_(static_cast<size_t>(std::clamp<int64_t>(file.size() - pos + 1, 1, static_cast<int64_t>(chunkSize)))) {}

  // Reads the next chunk. False at the end of the file or on a read error
  // (then `status()` says which).
  bool next() {
    size_ = 0;
    if (!status_.ok()) return false;
    const int64_t n = file_.readAt(next_, buffer_.data(), buffer_.size());
    if (n < 0) {
      status_ = file_.lastError();
      return false;
    }
    pos_ = next_;
    next_ += n;
    size_ = static_cast<size_t>(n);
    return n > 0;
  }

  const uint8_t* data() const { return buffer_.data(); }
  size_t size() const { return size_; }
  // The most one chunk holds.
  size_t capacity() const { return buffer_.size(); }
  // 1-based position of data()[0].
  int64_t position() const { return pos_; }
  const Status& status() const { return status_; }

 private:
  SourceFile& file_;
  int64_t next_;
  int64_t pos_ = 0;
  std::vector<uint8_t> buffer_;
  size_t size_ = 0;
  Status status_;
};

}  // namespace kw
