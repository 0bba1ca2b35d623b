// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/zip/raw_inflater.h"

#include <algorithm>

namespace kw {

namespace {
// What one call of the stream may write: a small piece at first, doubled
// while each call fills it, so that a small entry clears no more than it needs.
constexpr size_t kFirstPiece = 4 << 10;
constexpr size_t kPiece = 64 << 10;
}  // namespace

RawInflater::RawInflater(size_t outputLimit, size_t expected) : limit_(outputLimit) {
  out_.reserve(std::min(limit_, expected));
  failed_ = !stream_.usable();
}

RawInflater::~RawInflater() = default;

bool RawInflater::feed(const uint8_t* data, size_t size) {
  bool full = false;  // the last call filled its piece: more output may wait
  while ((size > 0 || full) && !ended_ && !failed_) {
    if (produced_ == limit_) {
      limitReached_ = true;
      break;
    }
    if (piece_.empty()) {
      piece_.resize(kFirstPiece);
    } else if (full && piece_.size() < kPiece) {
      piece_.resize(std::min(kPiece, 2 * piece_.size()));
    }
    const size_t room = std::min(piece_.size(), limit_ - produced_);
    const uint8_t* in = data;
    size_t left = size;
    auto* out = reinterpret_cast<uint8_t*>(piece_.data());
    size_t outLeft = room;
    const InflateStream::Result result = stream_.run(&in, &left, &out, &outLeft);
    const size_t made = room - outLeft;
    produced_ += made;
    if (sink_) {
      if (made > 0) sink_({piece_.data(), made});
    } else {
      out_.append(piece_.data(), made);
    }
    consumed_ += size - left;
    data = in;
    size = left;
    full = outLeft == 0;
    if (result == InflateStream::Result::kEnd) {
      ended_ = true;
    } else if (result == InflateStream::Result::kError || (result == InflateStream::Result::kNeedInput && size > 0)) {
      failed_ = true;
    } else if (result == InflateStream::Result::kNeedInput) {
      break;  // wants more input
    }
  }
  return !ended_ && !failed_ && !limitReached_;
}

std::string RawInflater::takeOutput() { return std::move(out_); }

}  // namespace kw
