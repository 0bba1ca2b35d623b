// SPDX-License-Identifier: Apache-2.0
#include "base/pattern_scan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kw {

namespace {

// Offset of the first i < n - 1 with data[i] == a and data[i + 1] == b, or
// n - 1 when there is none (n >= 2).
size_t FindPair(const uint8_t* data, size_t n, uint8_t a, uint8_t b) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(static_cast<char>(a));
  const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
  const auto hits = [&](size_t at) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 1));
    return _mm_and_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(y, vb));
  };
  while (i + 17 <= n) {
    // 64 bytes with one test while nothing is there, then 16 at a time.
    if (i + 65 <= n) {
      const __m128i any = _mm_or_si128(_mm_or_si128(hits(i), hits(i + 16)), _mm_or_si128(hits(i + 32), hits(i + 48)));
      if (_mm_movemask_epi8(any) == 0) {
        i += 64;
        continue;
      }
    }
    const int mask = _mm_movemask_epi8(hits(i));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  for (; i + 1 < n; ++i) {
    if (data[i] == a && data[i + 1] == b) return i;
  }
  return n - 1;
}

}  // namespace

size_t FindPattern(const uint8_t* data, size_t size, std::string_view pattern) {
  const size_t m = pattern.size();
  if (m == 0 || size < m) return size;
  const auto* p = reinterpret_cast<const uint8_t*>(pattern.data());
  if (m == 1) {
    const void* hit = std::memchr(data, p[0], size);
    return hit == nullptr ? size : static_cast<size_t>(static_cast<const uint8_t*>(hit) - data);
  }
  const size_t lastStart = size - m;  // the last offset where it can begin
  size_t from = 0;
  while (from <= lastStart) {
    // Pairs beginning at from..lastStart.
    const size_t at = from + FindPair(data + from, lastStart - from + 2, p[0], p[1]);
    if (at > lastStart) return size;
    if (std::memcmp(data + at + 2, p + 2, m - 2) == 0) return at;
    from = at + 1;
  }
  return size;
}

}  // namespace kw
