// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/stream_source.h"

#include <algorithm>

#include "base/source_file.h"

namespace kw {

StreamSource StreamSource::Open(CompoundFile& cf, const DirEntry& entry) {
  StreamLayout layout;
  if (cf.layout(entry, &layout)) return StreamSource(&cf, std::move(layout));
  return StreamSource(cf.read(entry));
}

bool StreamSource::inHole(int64_t begin, int64_t end) const {
  // Holes come in stream order: the first that ends after `begin` is the only one to look at.
  const std::vector<StreamHole>& h = holes();
  const auto first = std::upper_bound(
      h.begin(), h.end(), begin, [](int64_t at, const StreamHole& hole) { return at < hole.offset + hole.length; });
  return first != h.end() && first->offset < end;
}

StreamSource::StreamSource(SourceFile* file) : file_(file), fileSize_(file->size()) {}

const uint8_t* StreamSource::view(int64_t offset, size_t length) {
  if (!cf_ && !file_) return data_.bytes.data() + offset;
  const int64_t end = offset + int64_t(length);
  if (offset >= windowAt_ && end <= windowAt_ + int64_t(windowSize_)) {
    lastEnd_ = end;
    viewed_ += int64_t(length);
    return buffer_.data() + (offset - windowAt_);
  }
  // Many short views, each on from the last (a piece table of one-character
  // pieces), would each cost a read of the file: one reads ahead for them.
  size_t want = length;
  if (offset == lastEnd_) want = size_t(std::max<int64_t>(int64_t(length), std::min(kReadAhead, size() - offset)));
  if (buffer_.size() < want) buffer_.resize(want);
  int64_t unread = readInto(offset, want);
  if (unread > 0 && want > length) {
    want = length;  // count only the bytes asked for as lost
    unread = readInto(offset, want);
  }
  unread_ += unread;
  viewed_ += int64_t(length);
  windowAt_ = offset;
  windowSize_ = want;
  lastEnd_ = end;
  return buffer_.data();
}

int64_t StreamSource::readInto(int64_t offset, size_t length) {
  if (cf_) return cf_->readLaid(layout_, offset, buffer_.data(), length);
  const int64_t got = std::max<int64_t>(file_->readAt(offset + 1, buffer_.data(), length), 0);
  std::fill(buffer_.begin() + got, buffer_.begin() + int64_t(length), 0);
  return int64_t(length) - got;
}

}  // namespace kw
