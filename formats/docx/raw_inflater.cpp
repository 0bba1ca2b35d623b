// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/raw_inflater.h"

#include <algorithm>
#include <climits>

namespace kw {

namespace {
constexpr size_t kPiece = 64 << 10;
}

RawInflater::RawInflater(size_t outputLimit, size_t expected) : limit_(outputLimit), piece_(kPiece, '\0') {
  out_.reserve(std::min(limit_, expected));
  initialised_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
  failed_ = !initialised_;
}

RawInflater::~RawInflater() {
  if (initialised_) inflateEnd(&stream_);
}

bool RawInflater::feed(const uint8_t* data, size_t size) {
  while (size > 0 && !ended_ && !failed_ && !limitReached_) {
    const uInt chunk = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = chunk;
    bool full = false;  // the last call filled its piece: more output may wait
    while (stream_.avail_in > 0 || full) {
      if (produced_ == limit_) {
        limitReached_ = true;
        break;
      }
      const size_t room = std::min(piece_.size(), limit_ - produced_);
      stream_.next_out = reinterpret_cast<Bytef*>(piece_.data());
      stream_.avail_out = static_cast<uInt>(room);
      const int result = inflate(&stream_, Z_NO_FLUSH);
      const size_t made = room - stream_.avail_out;
      produced_ += made;
      if (sink_) {
        if (made > 0) sink_({piece_.data(), made});
      } else {
        out_.append(piece_.data(), made);
      }
      full = stream_.avail_out == 0;
      if (result == Z_STREAM_END) {
        ended_ = true;
        break;
      }
      if (result == Z_BUF_ERROR && stream_.avail_in == 0) break;  // wants more input
      if (result != Z_OK) {
        failed_ = true;
        break;
      }
    }
    const size_t used = chunk - stream_.avail_in;
    consumed_ += used;
    data += used;
    size -= chunk;
    if (stream_.avail_in > 0) break;  // ended, failed or full: the rest is not ours
  }
  return !ended_ && !failed_ && !limitReached_;
}

std::string RawInflater::takeOutput() { return std::move(out_); }

}  // namespace kw
