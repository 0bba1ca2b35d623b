// SPDX-License-Identifier: Apache-2.0
#pragma once
// FindByte: memchr for the hot loops. Natively it is the C library's, which
// is vectorised; the browser build's C library searches a word at a time,
// so there it is FindByteVector, 32 bytes at a time in WebAssembly SIMD.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/simd_dispatch.h"

namespace kw {

// The first `byte` in p[0, n), or null. Two 16-byte vectors per step.
inline const uint8_t* FindByteVector(const uint8_t* p, size_t n, uint8_t byte) {
  const uint8_t* const end = p + n;
#if KW_SSE2
  const __m128i wanted = _mm_set1_epi8(static_cast<char>(byte));
  for (; end - p >= 32; p += 32) {
    const __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), wanted);
    const __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), wanted);
    if (_mm_movemask_epi8(_mm_or_si128(a, b)) == 0) continue;
    const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(a)) | static_cast<uint32_t>(_mm_movemask_epi8(b)) << 16;
    return p + __builtin_ctz(mask);
  }
#endif
  for (; p < end; ++p) {
    if (*p == byte) return p;
  }
  return nullptr;
}

inline const uint8_t* FindByte(const uint8_t* p, size_t n, uint8_t byte) {
#if defined(__EMSCRIPTEN__)
  return FindByteVector(p, n, byte);
#else
  return static_cast<const uint8_t*>(std::memchr(p, byte, n));
#endif
}

}  // namespace kw
