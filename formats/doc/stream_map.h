// SPDX-License-Identifier: Apache-2.0
#pragma once
// StreamMap: a stream of a compound file as the runs of the file that hold
// it (CompoundFile::locate), for the picture readers: they read small
// ranges of it (record headers, property tables) and turn a picture's range
// into spans of the file, so that its bytes are read only when written.
//
// A map can also be one range of the file taken as a stream (the file itself
// when no container can be read, whose sectors are assumed to follow each
// other). Nothing is reported: the stream readers did that.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "formats/doc/compound_file.h"
#include "formats/doc/stored_picture.h"

namespace kw {

class StreamMap {
 public:
  StreamMap() = default;
  StreamMap(CompoundFile& cf, const DirEntry& entry);
  // Runs already located (CompoundFile::locateChain), `size` bytes long.
  StreamMap(CompoundFile& cf, std::vector<FileRun> runs, int64_t size)
      : cf_(&cf), runs_(std::move(runs)), size_(size) {}
  // `length` bytes of the file from the 0-based `offset`, read through `cf`.
  StreamMap(CompoundFile& cf, int64_t offset, int64_t length);

  bool valid() const { return cf_ != nullptr; }
  int64_t size() const { return size_; }
  // Where the last byte that can be located ends: a stream whose entry claims
  // more than its chain holds has nothing past it.
  int64_t locatedEnd() const { return runs_.empty() ? 0 : std::min(size_, runs_.back().at + runs_.back().length); }
  // Copies [offset, offset + n) into `buffer` (n may run past the end);
  // bytes that cannot be located or read are zeros. Returns how many bytes
  // from `offset` on were read before the first such byte.
  size_t read(int64_t offset, uint8_t* buffer, size_t n) const;
  // The file spans of [offset, offset + length), up to the first byte that
  // cannot be located; returns how many bytes they cover.
  int64_t spans(int64_t offset, int64_t length, std::vector<FileSpan>* out) const;
  // Where the stream offset lies in the file, or -1.
  int64_t fileOffset(int64_t offset) const;
  CompoundFile* file() const { return cf_; }

 private:
  CompoundFile* cf_ = nullptr;
  std::vector<FileRun> runs_;
  int64_t size_ = 0;
};

}  // namespace kw
