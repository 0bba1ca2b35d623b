// SPDX-License-Identifier: Apache-2.0
#include "base/text_stats.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kw {

namespace {

bool HoldsText(std::string_view line) {
  for (const char c : line) {
    if (static_cast<unsigned char>(c) > ' ') return true;
  }
  return false;
}

// Continuation bytes 0x80..0xBF, which do not start a character: those
// below -64 as signed bytes.
int64_t Continuations(std::string_view bytes) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  int64_t count = 0;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i limit = _mm_set1_epi8(-64);
  while (n - i >= 16) {
    // Each lane counts at most 255 blocks before the sums are taken.
    const size_t blocks = std::min<size_t>((n - i) / 16, 255);
    __m128i lanes = _mm_setzero_si128();
    for (size_t b = 0; b < blocks; ++b, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      lanes = _mm_sub_epi8(lanes, _mm_cmplt_epi8(v, limit));  // a match is -1
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
  }
#endif
  for (; i < n; ++i) count += static_cast<signed char>(p[i]) < -64;
  return count;
}

}  // namespace

TextStats CountText(std::string_view utf8) {
  TextStats stats;
  stats.characters = static_cast<int64_t>(utf8.size()) - Continuations(utf8);
  size_t start = 0;
  while (start < utf8.size()) {
    const void* found = std::memchr(utf8.data() + start, '\n', utf8.size() - start);
    const size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - utf8.data()) : utf8.size();
    std::string_view line = utf8.substr(start, end - start);
    if (found) --stats.characters;  // the LF
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      --stats.characters;
    }
    if (HoldsText(line)) ++stats.paragraphs;
    start = end + 1;
  }
  return stats;
}

}  // namespace kw
