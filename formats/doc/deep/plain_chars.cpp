// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/plain_chars.h"

#include <array>
#include <cstring>

#include "base/cp1252.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kw {

namespace {

constexpr CodePage kPages[] = {CodePage::k1250, CodePage::k1251, CodePage::k1252,    CodePage::k1253,
                               CodePage::k1254, CodePage::k1257, CodePage::kMacRoman};
constexpr size_t kPageCount = sizeof kPages / sizeof kPages[0];

// Per code page, each byte's UTF-8 (nothing for the bytes that give no text;
// the bytes below 0x20 never reach the table).
const Utf8Char* PageTable(CodePage page) {
  using Table = std::array<Utf8Char, 256>;
  static const std::array<Table, kPageCount> tables = [] {
    std::array<Table, kPageCount> all{};
    for (size_t k = 0; k < kPageCount; ++k) {
      for (int b = 0x20; b < 256; ++b) {
        const char32_t cp = CodePagePoint(kPages[k], uint8_t(b));
        if (cp == 0x7F || (cp >= 0x80 && cp < 0xA0)) continue;
        std::string s;
        AppendUtf8(s, cp);
        Utf8Char& c = all[k][size_t(b)];
        std::memcpy(c.bytes, s.data(), s.size());
        c.length = uint8_t(s.size());
      }
    }
    return all;
  }();
  size_t k = 0;
  while (k + 1 < kPageCount && kPages[k] != page) ++k;
  return tables[k].data();
}

inline char* ByTable(const uint8_t* p, size_t n, const Utf8Char* table, char* o) {
  for (size_t i = 0; i < n; ++i) {
    const Utf8Char& c = table[p[i]];
    std::memcpy(o, c.bytes, 4);
    o += c.length;
  }
  return o;
}

size_t Scalar8(const uint8_t* p, size_t size, const Utf8Char* table, char** out) {
  size_t n = 0;
  while (n < size && p[n] >= 0x20) ++n;
  *out = ByTable(p, n, table, *out);
  return n;
}

inline uint16_t Unit(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

size_t Scalar16(const uint8_t* p, size_t units, char** out) {
  char* o = *out;
  size_t i = 0;
  for (; i < units; ++i) {
    const uint16_t u = Unit(p + 2 * i);
    if (u < 0x20 || (u & 0xF800) == 0xD800) break;
    if (u < 0x80) {
      if (u != 0x7F) *o++ = char(u);
    } else if (u < 0xA0) {
      // a C1 control: no text
    } else if (u < 0x800) {
      o[0] = char(0xC0 | (u >> 6));
      o[1] = char(0x80 | (u & 0x3F));
      o += 2;
    } else if (u < 0xFFFE) {
      o[0] = char(0xE0 | (u >> 12));
      o[1] = char(0x80 | ((u >> 6) & 0x3F));
      o[2] = char(0x80 | (u & 0x3F));
      o += 3;
    }
  }
  *out = o;
  return i;
}

#if KW_SSE2

// Sixteen bytes at a time: copied when all are printable ASCII, else through
// the table up to the first control character.
size_t Sse2_8(const uint8_t* p, size_t size, const Utf8Char* table, char** out) {
  char* o = *out;
  size_t i = 0;
  const __m128i below = _mm_set1_epi8(0x20);
  const __m128i minus = _mm_set1_epi8(-1);
  const __m128i del = _mm_set1_epi8(0x7F);
  for (; size - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    // As signed bytes: 0x20-0x7E are above 0x1F, 0x80-0xFF are negative.
    const __m128i ascii = _mm_andnot_si128(_mm_cmpeq_epi8(v, del), _mm_cmpgt_epi8(v, _mm_set1_epi8(0x1F)));
    if (_mm_movemask_epi8(ascii) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
      o += 16;
      continue;
    }
    const int controls = _mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(v, minus), _mm_cmplt_epi8(v, below)));
    if (controls != 0) {
      const size_t n = size_t(__builtin_ctz(unsigned(controls)));
      *out = ByTable(p + i, n, table, o);
      return i + n;
    }
    o = ByTable(p + i, 16, table, o);
  }
  *out = o;
  return i + Scalar8(p + i, size - i, table, out);
}

// Eight units at a time: packed to bytes when all are printable ASCII, else
// one at a time up to the first that needs the writer.
size_t Sse2_16(const uint8_t* p, size_t units, char** out) {
  size_t i = 0;
  const __m128i zero = _mm_setzero_si128();
  const __m128i space = _mm_set1_epi16(0x20);
  const __m128i span = _mm_set1_epi16(0x7E - 0x20);
  for (; units - i >= 8; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
    // u - 0x20 <= 0x5E, unsigned: 0x20-0x7E.
    const __m128i over = _mm_subs_epu16(_mm_sub_epi16(v, space), span);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(over, zero)) == 0xFFFF) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(*out), _mm_packus_epi16(v, v));
      *out += 8;
      continue;
    }
    const size_t n = Scalar16(p + 2 * i, 8, out);
    if (n < 8) return i + n;
  }
  return i + Scalar16(p + 2 * i, units - i, out);
}

#endif

}  // namespace

size_t PlainChars8On(SimdPath path, const uint8_t* bytes, size_t size, CodePage page, char** out) {
  const Utf8Char* table = PageTable(page);
#if KW_SSE2
  if (path != SimdPath::kScalar) return Sse2_8(bytes, size, table, out);
#else
  (void)path;
#endif
  return Scalar8(bytes, size, table, out);
}

size_t PlainChars16On(SimdPath path, const uint8_t* bytes, size_t units, char** out) {
#if KW_SSE2
  if (path != SimdPath::kScalar) return Sse2_16(bytes, units, out);
#else
  (void)path;
#endif
  return Scalar16(bytes, units, out);
}

size_t PlainChars8(const uint8_t* bytes, size_t size, CodePage page, char** out) {
  return PlainChars8On(ActiveSimdPath(), bytes, size, page, out);
}

size_t PlainChars16(const uint8_t* bytes, size_t units, char** out) {
  return PlainChars16On(ActiveSimdPath(), bytes, units, out);
}

}  // namespace kw
