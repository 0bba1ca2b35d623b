// SPDX-License-Identifier: Apache-2.0
#pragma once
// RawInflater: inflates raw deflate data (no zlib or gzip wrapper) fed in
// pieces, into at most `outputLimit` bytes.
//
// Memory in use grows with what the stream really produces, never with a
// size that the package claims (the expected size only reserves address
// space, whose pages are touched as output arrives), and stops at the limit:
// a zip bomb ends there. Output is added a piece at a time, so no single
// step copies or clears the whole output. Input after the stream's final
// block is left unread, so consumed() tells where a self-terminating stream
// ended in the file. The decoding is zlib's or the core's own, as the build
// chose (zip_codec.h).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/zip_codec.h"

namespace kw {

class RawInflater {
 public:
  // `expected`: a first guess of the output's size, reserved within the
  // limit, so that a typical entry needs no regrowth.
  explicit RawInflater(size_t outputLimit, size_t expected = 0);
  ~RawInflater();
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  // From now on the output goes to `sink` a piece at a time instead of
  // being kept: memory stays at one piece whatever the output's size.
  void setSink(std::function<void(std::string_view)> sink) { sink_ = std::move(sink); }

  // Inflates the next `size` input bytes. Returns true while the stream
  // wants more input; false once it ended, failed or reached the limit.
  bool feed(const uint8_t* data, size_t size);

  bool ended() const { return ended_; }  // the final block was read
  bool limitReached() const { return limitReached_; }
  uint64_t consumed() const { return consumed_; }  // input bytes the stream used
  size_t produced() const { return produced_; }

  // The bytes inflated so far and kept (all of them when no sink was set); the inflater is spent.
  std::string takeOutput();

 private:
  InflateStream stream_;
  bool ended_ = false;
  bool failed_ = false;
  bool limitReached_ = false;
  size_t limit_;
  uint64_t consumed_ = 0;
  size_t produced_ = 0;
  std::string out_;
  std::function<void(std::string_view)> sink_;
  std::string piece_;  // what one call of the stream writes
};

}  // namespace kw
