// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/stream_source.h"

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
  if (buffer_.size() < length) buffer_.resize(length);
  if (cf_) {
    unread_ += cf_->readLaid(layout_, offset, buffer_.data(), length);
  } else {
    const int64_t got = std::max<int64_t>(file_->readAt(offset + 1, buffer_.data(), length), 0);
    std::fill(buffer_.begin() + got, buffer_.begin() + int64_t(length), 0);
    unread_ += int64_t(length) - got;
  }
  viewed_ += int64_t(length);
  return buffer_.data();
}

}  // namespace kw
