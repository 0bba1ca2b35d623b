// SPDX-License-Identifier: Apache-2.0
#pragma once
// Eight bytes at a time: whether a word of text holds a given byte, so
// that the long scans of the .docx text passes (runs of plain text, merged
// tags) skip the words that hold none and look byte by byte at the rest.
// The answers are the same in any byte order.

#include <cstdint>
#include <cstring>

namespace kw::byte_scan {

// The eight bytes at `p` (unaligned).
inline uint64_t Load8(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Nonzero when some byte of `v` is `c` (exact: no false answers).
inline uint64_t Has(uint64_t v, char c) {
  const uint64_t x = v ^ (0x0101010101010101ULL * static_cast<uint8_t>(c));
  return (x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL;
}

}  // namespace kw::byte_scan
