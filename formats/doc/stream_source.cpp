// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/stream_source.h"

namespace kw {

StreamSource StreamSource::Open(CompoundFile& cf, const DirEntry& entry) {
  StreamLayout layout;
  if (cf.layout(entry, &layout)) return StreamSource(&cf, std::move(layout));
  return StreamSource(cf.read(entry));
}

bool StreamSource::inHole(int64_t begin, int64_t end) const {
  for (const StreamHole& h : holes()) {
    if (h.offset < end && begin < h.offset + h.length) return true;
  }
  return false;
}

const uint8_t* StreamSource::view(int64_t offset, size_t length) {
  if (!cf_) return data_.bytes.data() + offset;
  if (buffer_.size() < length) buffer_.resize(length);
  unread_ += cf_->readLaid(layout_, offset, buffer_.data(), length);
  return buffer_.data();
}

}  // namespace kw
