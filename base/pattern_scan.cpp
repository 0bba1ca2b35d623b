// SPDX-License-Identifier: Apache-2.0
#include "base/pattern_scan.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kw {

namespace {

// Offset of the first i < n - 1 with data[i] == a and data[i + 1] == b, or
// n - 1 when there is none (n >= 2).
size_t FindPairScalar(const uint8_t* data, size_t n, uint8_t a, uint8_t b) {
  for (size_t i = 0; i + 1 < n; ++i) {
    if (data[i] == a && data[i + 1] == b) return i;
  }
  return n - 1;
}

#if KW_SSE2

size_t FindPairSse2(const uint8_t* data, size_t n, uint8_t a, uint8_t b) {
  size_t i = 0;
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
  return i + FindPairScalar(data + i, n - i, a, b);
}

#endif

#if defined(__x86_64__)

// Where the pair begins among the 32 positions from `at`.
__attribute__((target("avx2"))) inline __m256i PairHits32(const uint8_t* at, __m256i va, __m256i vb) {
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
  return _mm256_and_si256(_mm256_cmpeq_epi8(x, va), _mm256_cmpeq_epi8(y, vb));
}

// The same 32 positions at a time.
__attribute__((target("avx2"))) size_t FindPairAvx2(const uint8_t* data, size_t n, uint8_t a, uint8_t b) {
  size_t i = 0;
  const __m256i va = _mm256_set1_epi8(static_cast<char>(a));
  const __m256i vb = _mm256_set1_epi8(static_cast<char>(b));
  while (i + 33 <= n) {
    if (i + 129 <= n) {
      const __m256i any =
          _mm256_or_si256(_mm256_or_si256(PairHits32(data + i, va, vb), PairHits32(data + i + 32, va, vb)),
                          _mm256_or_si256(PairHits32(data + i + 64, va, vb), PairHits32(data + i + 96, va, vb)));
      if (_mm256_testz_si256(any, any)) {
        i += 128;
        continue;
      }
    }
    const auto mask = static_cast<uint32_t>(_mm256_movemask_epi8(PairHits32(data + i, va, vb)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(mask));
    i += 32;
  }
  return i + FindPairSse2(data + i, n - i, a, b);
}

#endif

size_t FindPair(SimdPath path, const uint8_t* data, size_t n, uint8_t a, uint8_t b) {
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2 && BestSimdPath() == SimdPath::kAvx2) return FindPairAvx2(data, n, a, b);
#endif
#if KW_SSE2
  if (path != SimdPath::kScalar) return FindPairSse2(data, n, a, b);
#else
  (void)path;
#endif
  return FindPairScalar(data, n, a, b);
}

}  // namespace

size_t FindPattern(const uint8_t* data, size_t size, std::string_view pattern) {
  return FindPatternOn(ActiveSimdPath(), data, size, pattern);
}

size_t FindPatternOn(SimdPath path, const uint8_t* data, size_t size, std::string_view pattern) {
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
    const size_t at = from + FindPair(path, data + from, lastStart - from + 2, p[0], p[1]);
    if (at > lastStart) return size;
    if (std::memcmp(data + at + 2, p + 2, m - 2) == 0) return at;
    from = at + 1;
  }
  return size;
}

}  // namespace kw
