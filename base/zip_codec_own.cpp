// SPDX-License-Identifier: Apache-2.0
// The ZIP codecs of a build without zlib: the core's own (see zip_codec.h).
#include "base/crc32_table.h"
#include "base/stream_inflate.h"
#include "base/zip_codec.h"

namespace kw {

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  return TableCrc32(crc, static_cast<const uint8_t*>(data), size);
}

struct InflateStream::State {
  StreamInflate decoder;
};

InflateStream::InflateStream() : state_(std::make_unique<State>()) {}

InflateStream::~InflateStream() = default;

bool InflateStream::usable() const { return true; }

InflateStream::Result InflateStream::run(const uint8_t** in, size_t* inSize, uint8_t** out, size_t* outSize) {
  switch (state_->decoder.run(in, inSize, out, outSize)) {
    case StreamInflate::Result::kProgress: return Result::kProgress;
    case StreamInflate::Result::kEnd: return Result::kEnd;
    case StreamInflate::Result::kNeedInput: return Result::kNeedInput;
    case StreamInflate::Result::kError: break;
  }
  return Result::kError;
}

// Stored: the text of a recovered document packs well, but a second
// compressor in the core to save a few hundred kilobytes is not worth its
// upkeep; every word processor reads stored entries.
bool PackEntry(std::string_view data, PackedEntry* packed) {
  packed->bytes.assign(data);
  packed->method = 0;
  return true;
}

}  // namespace kw
