// SPDX-License-Identifier: Apache-2.0
#pragma once
// StreamSource: one stream of a Word file (most often its main stream), for
// readers that take it a range at a time. A big stream in a compound file
// stays in the file and is read on demand, a run of neighbouring sectors per
// read, so that a long document is never held whole, and so does a file with
// no container, which is its own main stream; a stream already in memory (a
// small stream) is read from there.
//
// Either way the size and the holes are those StreamData would have, and
// bytes in holes read as zeros. A laid-out stream may still fail to read
// later (the file shrank, the disk failed): those bytes read as zeros too,
// and unread() counts them.

#include <cstdint>
#include <vector>

#include "formats/doc/deep/compound_file.h"

namespace kw {

class SourceFile;

class StreamSource {
 public:
  StreamSource() = default;
  // A stream in memory.
  explicit StreamSource(StreamData data) : data_(std::move(data)) {}
  // A big stream left in `cf`, which must outlive the source.
  StreamSource(CompoundFile* cf, StreamLayout layout) : cf_(cf), layout_(std::move(layout)) {}
  // The whole of `file` (which must outlive the source), as it was when it was opened.
  explicit StreamSource(SourceFile* file);

  // A stream entry of `cf`: laid out when it is a big one, else read whole.
  // Its gaps are reported as CompoundFile::read() reports them.
  static StreamSource Open(CompoundFile& cf, const DirEntry& entry);

  int64_t size() const { return cf_ ? layout_.size : file_ ? fileSize_ : int64_t(data_.bytes.size()); }
  const std::vector<StreamHole>& holes() const { return cf_ ? layout_.holes : data_.holes; }
  // True when no part of the stream could be located at all.
  bool lost() const { return cf_ ? layout_.lost() : file_ ? fileSize_ == 0 : data_.lost(); }
  // Whether [begin, end) overlaps a hole.
  bool inHole(int64_t begin, int64_t end) const;

  // The bytes [offset, offset + length), which must lie inside size(): valid
  // until the next call of view(). A view that goes on from where the last
  // one ended reads up to kReadAhead bytes, from which the views after it
  // are served while they lie inside them.
  const uint8_t* view(int64_t offset, size_t length);
  // Bytes outside the holes that could not be read when asked for.
  int64_t unread() const { return unread_; }
  // Bytes asked for so far by view() calls on a stream left in the file.
  int64_t viewed() const { return viewed_; }

 private:
  StreamData data_;
  CompoundFile* cf_ = nullptr;
  StreamLayout layout_;
  SourceFile* file_ = nullptr;
  int64_t fileSize_ = 0;
  static constexpr int64_t kReadAhead = 64 * 1024;
  // Reads [offset, offset + length) of a stream left in the file into buffer_; returns the bytes lost.
  int64_t readInto(int64_t offset, size_t length);
  std::vector<uint8_t> buffer_;
  int64_t windowAt_ = 0;  // buffer_ holds [windowAt_, windowAt_ + windowSize_)
  size_t windowSize_ = 0;
  int64_t lastEnd_ = -1;  // where the last view ended
  int64_t unread_ = 0;
  int64_t viewed_ = 0;
};

}  // namespace kw
