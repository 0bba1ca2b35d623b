// SPDX-License-Identifier: Apache-2.0
#pragma once
// The codecs of ZIP entries, in the one place where a build chooses them:
// zlib in the native build (KW_ZLIB), the core's own code in the browser
// build, which has no zlib. Every reader and writer of the core goes through
// these three:
//
// - Crc32: the CRC-32 of ZIP (zlib's crc32(), or a table-driven one).
// - InflateStream: raw deflate data (RFC 1951) inflated a call at a time,
//   with the contract of zlib's inflate() (zlib's, or StreamInflate).
// - PackEntry: how an entry of a .docx the core writes is packed: deflated
//   by zlib, else stored (ZIP method 0, which every word processor reads;
//   the file is larger, which matters little for a recovered text).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kw {

// The CRC-32 of ZIP, continued from `crc` (0 to start) over `size` bytes.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

class InflateStream {
 public:
  enum class Result {
    kProgress,   // input was read or output written; call again
    kEnd,        // the final block ended and all its output was handed over
    kNeedInput,  // nothing could be done: the input given is used up
    kError,      // the data is not valid deflate (all output before the fault was handed over)
  };

  InflateStream();
  ~InflateStream();
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

  // False when the stream could not be set up (no memory).
  bool usable() const;

  // Reads from *in (*inSize bytes) and writes to *out (*outSize bytes of
  // room), advancing both. Input after the final block is left unread.
  Result run(const uint8_t** in, size_t* inSize, uint8_t** out, size_t* outSize);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The packed bytes of one entry and its ZIP method (8 deflated, 0 stored).
struct PackedEntry {
  std::string bytes;
  uint16_t method = 0;
};

// False when the entry could not be packed (no memory for zlib).
bool PackEntry(std::string_view data, PackedEntry* packed);

}  // namespace kw
