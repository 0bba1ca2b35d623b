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

#if defined(__x86_64__)

// For each mask of the units of eight that take two UTF-8 bytes, where each
// unit's bytes go: byte 0 of every unit, byte 1 of those in the mask.
struct ShuffleTable {
  alignas(16) uint8_t at[256][16];
};
constexpr ShuffleTable MakeShuffles() {
  ShuffleTable t{};
  for (int mask = 0; mask < 256; ++mask) {
    int n = 0;
    for (int k = 0; k < 8; ++k) {
      t.at[mask][n++] = uint8_t(2 * k);
      if (mask & (1 << k)) t.at[mask][n++] = uint8_t(2 * k + 1);
    }
    while (n < 16) t.at[mask][n++] = 0x80;
  }
  return t;
}
constexpr ShuffleTable kShuffles = MakeShuffles();

// Eight units, each printable ASCII or in U+00A0-U+07FF (Latin, Greek,
// Cyrillic, Hebrew, Arabic): their UTF-8, one or two bytes each, stored at
// once (sixteen bytes); false, with nothing written, when one is not.
__attribute__((target("avx2"))) inline bool TwoByteBlock(__m128i v, char** out) {
  const __m128i ascii = _mm_sub_epi16(v, _mm_set1_epi16(0x20));
  const __m128i wide = _mm_sub_epi16(v, _mm_set1_epi16(0xA0));
  const __m128i isAscii = _mm_cmpeq_epi16(_mm_min_epu16(ascii, _mm_set1_epi16(0x7E - 0x20)), ascii);
  const __m128i isWide = _mm_cmpeq_epi16(_mm_min_epu16(wide, _mm_set1_epi16(0x7FF - 0xA0)), wide);
  if (_mm_movemask_epi8(_mm_or_si128(isAscii, isWide)) != 0xFFFF) return false;
  const unsigned two = ~unsigned(_mm_movemask_epi8(_mm_packs_epi16(isAscii, _mm_setzero_si128()))) & 0xFF;
  const __m128i lead = _mm_or_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(0xC0));
  const __m128i trail = _mm_slli_epi16(_mm_or_si128(_mm_and_si128(v, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80)), 8);
  const __m128i bytes = _mm_blendv_epi8(_mm_or_si128(lead, trail), v, isAscii);
  const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffles.at[two]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(*out), _mm_shuffle_epi8(bytes, order));
  *out += 8 + __builtin_popcount(two);
  return true;
}

// For four characters of up to three UTF-8 bytes, each in a 32-bit lane
// with its length (0 to 3) in the top byte, indexed by the lengths (two
// bits a lane): where each byte goes, and how many there are.
struct QuadTable {
  alignas(16) uint8_t at[256][16];
  uint8_t size[256];
};
constexpr QuadTable MakeQuads() {
  QuadTable t{};
  for (int lengths = 0; lengths < 256; ++lengths) {
    int n = 0;
    for (int k = 0; k < 4; ++k) {
      for (int j = 0; j < ((lengths >> (2 * k)) & 3); ++j) t.at[lengths][n++] = uint8_t(4 * k + j);
    }
    t.size[lengths] = uint8_t(n);
    while (n < 16) t.at[lengths][n++] = 0x80;
  }
  return t;
}
constexpr QuadTable kQuads = MakeQuads();

// Stores four such lanes' bytes packed (sixteen bytes written).
__attribute__((target("avx2"))) inline void PutQuad(__m128i lanes, char** out) {
  __m128i index = _mm_sllv_epi32(_mm_srli_epi32(lanes, 24), _mm_setr_epi32(0, 2, 4, 6));
  index = _mm_or_si128(index, _mm_shuffle_epi32(index, 0x4E));
  index = _mm_or_si128(index, _mm_shuffle_epi32(index, 0xB1));
  const int k = _mm_cvtsi128_si32(index);
  const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(kQuads.at[k]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(*out), _mm_shuffle_epi8(lanes, order));
  *out += kQuads.size[k];
}

// Per code page, each byte's UTF-8 as a lane for PutQuad.
const uint32_t* PackedTable(CodePage page) {
  using Table = std::array<uint32_t, 256>;
  static const std::array<Table, kPageCount> tables = [] {
    std::array<Table, kPageCount> all{};
    for (size_t k = 0; k < kPageCount; ++k) {
      const Utf8Char* chars = PageTable(kPages[k]);
      for (size_t b = 0; b < 256; ++b) {
        const Utf8Char& c = chars[b];
        all[k][b] = uint32_t(uint8_t(c.bytes[0])) | uint32_t(uint8_t(c.bytes[1])) << 8 |
                    uint32_t(uint8_t(c.bytes[2])) << 16 | uint32_t(c.length) << 24;
      }
    }
    return all;
  }();
  size_t k = 0;
  while (k + 1 < kPageCount && kPages[k] != page) ++k;
  return tables[k].data();
}

// 8-bit text: sixteen bytes copied when all are printable ASCII, else each
// byte's UTF-8 gathered from the page's table, eight at a time, up to the
// first control character.
__attribute__((target("avx2"))) size_t Avx2_8(const uint8_t* p, size_t size, CodePage page, char** out) {
  const uint32_t* packed = PackedTable(page);
  const Utf8Char* table = PageTable(page);
  char* o = *out;  // kept in a register: PutQuad's stores cannot move it
  size_t i = 0;
  for (; size - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i ascii =
        _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)), _mm_cmpgt_epi8(v, _mm_set1_epi8(0x1F)));
    if (_mm_movemask_epi8(ascii) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
      o += 16;
      continue;
    }
    const int controls =
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-1)), _mm_cmplt_epi8(v, _mm_set1_epi8(0x20))));
    const size_t n = controls != 0 ? size_t(__builtin_ctz(unsigned(controls))) : 16;
    size_t k = 0;
    for (; k + 8 <= n; k += 8) {
      const __m256i bytes = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i + k)));
      const __m256i lanes = _mm256_i32gather_epi32(reinterpret_cast<const int*>(packed), bytes, 4);
      PutQuad(_mm256_castsi256_si128(lanes), &o);
      PutQuad(_mm256_extracti128_si256(lanes, 1), &o);
    }
    if (n < 16) {
      *out = ByTable(p + i + k, n - k, table, o);
      return i + n;
    }
  }
  *out = o;
  return i + Scalar8(p + i, size - i, table, out);
}

// Four UTF-16 units in 32-bit lanes as PutQuad takes them; false when one
// needs the writer (a control character or a surrogate).
__attribute__((target("avx2"))) inline bool Quad16(__m128i u, char** out) {
  const auto above = [&u](int v) { return _mm_cmpgt_epi32(u, _mm_set1_epi32(v)); };
  const auto below = [&u](int v) { return _mm_cmpgt_epi32(_mm_set1_epi32(v), u); };
  const __m128i stop = _mm_or_si128(below(0x20), _mm_and_si128(above(0xD7FF), below(0xE000)));
  if (_mm_movemask_epi8(stop) != 0) return false;
  const __m128i two = above(0x7F), three = above(0x7FF);
  const __m128i none = _mm_or_si128(
      _mm_or_si128(_mm_cmpeq_epi32(u, _mm_set1_epi32(0x7F)), _mm_andnot_si128(above(0x9F), two)), above(0xFFFD));
  const __m128i length = _mm_andnot_si128(none, _mm_sub_epi32(_mm_sub_epi32(_mm_set1_epi32(1), two), three));
  const __m128i low6 = _mm_or_si128(_mm_and_si128(u, _mm_set1_epi32(0x3F)), _mm_set1_epi32(0x80));
  const __m128i mid6 = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(u, 6), _mm_set1_epi32(0x3F)), _mm_set1_epi32(0x80));
  const __m128i twoBytes =
      _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 6), _mm_set1_epi32(0xC0)), _mm_slli_epi32(low6, 8));
  const __m128i threeBytes = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(u, 12), _mm_set1_epi32(0xE0)),
                                          _mm_or_si128(_mm_slli_epi32(mid6, 8), _mm_slli_epi32(low6, 16)));
  const __m128i bytes = _mm_blendv_epi8(_mm_blendv_epi8(u, twoBytes, two), threeBytes, three);
  PutQuad(_mm_or_si128(bytes, _mm_slli_epi32(length, 24)), out);
  return true;
}

// UTF-16: eight units at a time, as one- and two-byte characters, else as
// two fours of up to three bytes each; one at a time where a block holds a
// control character or a surrogate.
__attribute__((target("avx2"))) size_t Avx2_16(const uint8_t* p, size_t units, char** out) {
  char* o = *out;
  size_t i = 0;
  for (; units - i >= 8; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
    if (TwoByteBlock(v, &o)) continue;
    char* const before = o;
    if (Quad16(_mm_cvtepu16_epi32(v), &o) && Quad16(_mm_cvtepu16_epi32(_mm_srli_si128(v, 8)), &o)) continue;
    o = before;
    const size_t n = Scalar16(p + 2 * i, 8, &o);
    if (n < 8) {
      *out = o;
      return i + n;
    }
  }
  *out = o;
  return i + Scalar16(p + 2 * i, units - i, out);
}

#endif

}  // namespace

size_t PlainChars8On(SimdPath path, const uint8_t* bytes, size_t size, CodePage page, char** out) {
  const Utf8Char* table = PageTable(page);
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2) return Avx2_8(bytes, size, page, out);
#endif
#if KW_SSE2
  if (path != SimdPath::kScalar) return Sse2_8(bytes, size, table, out);
#else
  (void)path;
#endif
  return Scalar8(bytes, size, table, out);
}

size_t PlainChars16On(SimdPath path, const uint8_t* bytes, size_t units, char** out) {
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2) return Avx2_16(bytes, units, out);
#endif
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
