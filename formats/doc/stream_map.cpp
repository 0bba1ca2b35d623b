// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/stream_map.h"

#include <algorithm>
#include <cstring>

namespace kw {

StreamMap::StreamMap(CompoundFile& cf, const DirEntry& entry)
    : cf_(&cf), runs_(cf.locate(entry)), size_(int64_t(std::min<uint64_t>(entry.size, INT64_MAX))) {}

StreamMap::StreamMap(CompoundFile& cf, int64_t offset, int64_t length) : cf_(&cf), size_(length) {
  if (length > 0) runs_.push_back({0, offset, length});
}

size_t StreamMap::read(int64_t offset, uint8_t* buffer, size_t n) const {
  std::memset(buffer, 0, n);
  size_t contiguous = 0;
  bool broken = false;
  const int64_t end = std::min<int64_t>(offset + int64_t(n), size_);
  auto run =
      std::upper_bound(runs_.begin(), runs_.end(), offset, [](int64_t at, const FileRun& r) { return at < r.at; });
  if (run != runs_.begin()) --run;
  int64_t expected = offset;
  for (; run != runs_.end() && run->at < end; ++run) {
    const int64_t a = std::max(run->at, offset);
    const int64_t b = std::min(run->at + run->length, end);
    if (b <= a) continue;
    if (a != expected) broken = true;
    const int64_t got = cf_->readFile(run->file + (a - run->at), buffer + (a - offset), size_t(b - a));
    if (!broken) contiguous += size_t(got);
    if (got < b - a) broken = true;
    expected = b;
  }
  return contiguous;
}

int64_t StreamMap::spans(int64_t offset, int64_t length, std::vector<FileSpan>* out) const {
  out->clear();
  const int64_t end = std::min(offset + length, size_);
  auto run =
      std::upper_bound(runs_.begin(), runs_.end(), offset, [](int64_t at, const FileRun& r) { return at < r.at; });
  if (run != runs_.begin()) --run;
  int64_t expected = offset;
  for (; run != runs_.end() && run->at < end && expected < end; ++run) {
    const int64_t a = std::max(run->at, offset);
    const int64_t b = std::min(run->at + run->length, end);
    if (b <= a) continue;
    if (a != expected) break;
    const int64_t file = run->file + (a - run->at);
    if (!out->empty() && out->back().offset + out->back().length == file) {
      out->back().length += b - a;
    } else {
      out->push_back({file, b - a});
    }
    expected = b;
  }
  return expected - offset;
}

int64_t StreamMap::fileOffset(int64_t offset) const {
  auto run =
      std::upper_bound(runs_.begin(), runs_.end(), offset, [](int64_t at, const FileRun& r) { return at < r.at; });
  if (run == runs_.begin()) return -1;
  --run;
  return offset < run->at + run->length ? run->file + (offset - run->at) : -1;
}

}  // namespace kw
