// SPDX-License-Identifier: Apache-2.0
// The ZIP codecs of the native build: zlib's (see zip_codec.h).
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "base/zip_codec.h"

namespace kw {

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const Bytef*>(data);
  uLong sum = crc;
  while (size > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    sum = crc32(sum, p, piece);
    p += piece;
    size -= piece;
  }
  return static_cast<uint32_t>(sum);
}

struct InflateStream::State {
  z_stream stream{};
  bool initialised = false;
  ~State() {
    if (initialised) inflateEnd(&stream);
  }
};

InflateStream::InflateStream() : state_(std::make_unique<State>()) {
  state_->initialised = inflateInit2(&state_->stream, -MAX_WBITS) == Z_OK;
}

InflateStream::~InflateStream() = default;

bool InflateStream::usable() const { return state_->initialised; }

InflateStream::Result InflateStream::run(const uint8_t** in, size_t* inSize, uint8_t** out, size_t* outSize) {
  z_stream& s = state_->stream;
  const uInt inChunk = static_cast<uInt>(std::min<size_t>(*inSize, UINT_MAX));
  const uInt outChunk = static_cast<uInt>(std::min<size_t>(*outSize, UINT_MAX));
  s.next_in = const_cast<Bytef*>(*in);
  s.avail_in = inChunk;
  s.next_out = *out;
  s.avail_out = outChunk;
  const int result = inflate(&s, Z_NO_FLUSH);
  *in += inChunk - s.avail_in;
  *inSize -= inChunk - s.avail_in;
  *out += outChunk - s.avail_out;
  *outSize -= outChunk - s.avail_out;
  switch (result) {
    case Z_OK: return Result::kProgress;
    case Z_STREAM_END: return Result::kEnd;
    case Z_BUF_ERROR: return Result::kNeedInput;
    default: return Result::kError;
  }
}

bool PackEntry(std::string_view data, PackedEntry* packed) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  packed->method = 8;
  packed->bytes.resize(deflateBound(&stream, static_cast<uLong>(data.size())));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(packed->bytes.data());
  stream.avail_out = static_cast<uInt>(packed->bytes.size());
  const int result = deflate(&stream, Z_FINISH);
  packed->bytes.resize(stream.total_out);
  deflateEnd(&stream);
  return result == Z_STREAM_END;
}

}  // namespace kw
