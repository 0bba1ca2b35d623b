#include "formats/docx/raw_inflater.h"

#include <algorithm>
#include <climits>

namespace kw {

namespace {
constexpr size_t kFirstOutput = 64 << 10;
}

RawInflater::RawInflater(size_t outputLimit, size_t expected) : limit_(outputLimit) {
  out_.resize(std::min(limit_, expected));
  initialised_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
  failed_ = !initialised_;
}

RawInflater::~RawInflater() {
  if (initialised_) inflateEnd(&stream_);
}

bool RawInflater::feed(const uint8_t* data, size_t size) {
  while (size > 0 && !ended_ && !failed_ && !limitReached_) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = piece;
    while (stream_.avail_in > 0 || produced_ == out_.size()) {
      if (produced_ == limit_) {
        limitReached_ = true;
        break;
      }
      if (produced_ == out_.size()) {
        // Grow by doubling, never past the limit.
        const size_t grown = std::min(limit_, std::max(kFirstOutput, out_.size() * 2));
        out_.resize(grown);
      }
      const size_t room = std::min<size_t>(out_.size() - produced_, UINT_MAX);
      stream_.next_out = reinterpret_cast<Bytef*>(out_.data() + produced_);
      stream_.avail_out = static_cast<uInt>(room);
      const int result = inflate(&stream_, Z_NO_FLUSH);
      produced_ += room - stream_.avail_out;
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
    const size_t used = piece - stream_.avail_in;
    consumed_ += used;
    data += used;
    size -= piece;
    if (stream_.avail_in > 0) break;  // ended, failed or full: the rest is not ours
  }
  return !ended_ && !failed_ && !limitReached_;
}

std::string RawInflater::takeOutput() {
  out_.resize(produced_);
  return std::move(out_);
}

}  // namespace kw
