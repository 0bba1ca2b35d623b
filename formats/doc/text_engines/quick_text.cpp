// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_engines/quick_text.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/cp1252.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// KW_SSSE3: the sixteen-byte kernel compiles here: on x86-64 (for CPUs with
// SSSE3) and in the browser build, where emscripten turns SSSE3 intrinsics
// into WebAssembly SIMD (-mssse3) and it is the only vector kernel.
#if defined(__x86_64__)
#define KW_SSSE3 1
#define KW_TARGET_SSSE3 __attribute__((target("ssse3")))
#elif defined(__EMSCRIPTEN__) && defined(__SSSE3__)
#define KW_SSSE3 1
#define KW_TARGET_SSSE3
#include <tmmintrin.h>
#else
#define KW_SSSE3 0
#endif

namespace kw {

namespace {

const std::array<Utf8Char, 256>& Table() {
  static const std::array<Utf8Char, 256> table = [] {
    std::array<Utf8Char, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = Cp1252Char(static_cast<uint8_t>(b));
    t[0x0D] = Utf8Char{{'\r', '\n', 0, 0}, 2};
    t[0x0B] = Utf8Char{{'\r', '\n', 0, 0}, 2};
    t[0x00] = Utf8Char{{0, 0, 0, 0}, 0};
    return t;
  }();
  return table;
}

// One byte at a time through the table.
inline char* ByTable(const uint8_t* p, const uint8_t* end, char* o) {
  const auto& table = Table();
  for (; p < end; ++p) {
    const Utf8Char& c = table[*p];
    std::memcpy(o, c.bytes, 4);
    o += c.length;
  }
  return o;
}

size_t Scalar(const uint8_t* data, size_t size, char** out) {
  size_t n = 0;
  while (n < size && data[n] != kQuickEscape) ++n;
  *out = ByTable(data, data + n, *out);
  return n;
}

#if KW_SSE2 && !defined(__EMSCRIPTEN__)

// Per 16 bytes: copied as they are, skipped (all zero), through the table
// when more than two bytes are not plain, or else copied up to the first
// such byte and that byte through the table (16 bytes are stored, within
// QuickTextRoom, and the next write covers the rest).
size_t Sse2(const uint8_t* data, size_t size, char** out) {
  const uint8_t* p = data;
  const uint8_t* const end = data + size;
  char* o = *out;
  const __m128i zero = _mm_setzero_si128();
  const __m128i vt = _mm_set1_epi8(0x0B);
  const __m128i cr = _mm_set1_epi8(0x0D);
  const __m128i escape = _mm_set1_epi8(kQuickEscape);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, escape)) != 0) break;
    // Plain: 0x01-0x7F (above zero as signed bytes), neither 0x0B nor 0x0D.
    const __m128i special = _mm_or_si128(_mm_cmpeq_epi8(v, vt), _mm_cmpeq_epi8(v, cr));
    const __m128i plain = _mm_andnot_si128(special, _mm_cmpgt_epi8(v, zero));
    const int plainMask = _mm_movemask_epi8(plain);
    if (plainMask == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
      o += 16;
      p += 16;
    } else if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)) == 0xFFFF) {
      p += 16;
    } else if (const unsigned others = ~static_cast<unsigned>(plainMask) & 0xFFFF; __builtin_popcount(others) > 2) {
      o = ByTable(p, p + 16, o);  // mostly bytes that are not plain
      p += 16;
    } else {
      const auto n = static_cast<size_t>(__builtin_ctz(others));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
      o = ByTable(p + n, p + n + 1, o + n);
      p += n + 1;
    }
  }
  *out = o;
  return static_cast<size_t>(p - data) + Scalar(p, static_cast<size_t>(end - p), out);
}

#endif

#if KW_SSSE3

// The compaction masks of the vector kernels: for four characters of lengths
// l0..l3 (index l0 + 4 l1 + 16 l2 + 64 l3), the byte shuffle that keeps the
// first lk bytes of each four-byte slot k, in order.
struct CompactMasks {
  alignas(16) uint8_t mask[256][16];
  CompactMasks() {
    for (int code = 0; code < 256; ++code) {
      int n = 0;
      for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < ((code >> (2 * k)) & 3); ++i) mask[code][n++] = static_cast<uint8_t>(4 * k + i);
      }
      while (n < 16) mask[code][n++] = 0x80;
    }
  }
};

// The three UTF-8 bytes and the length of the characters of 0x80-0x9F,
// as four 32-entry tables.
struct HighHalf {
  alignas(32) uint8_t b0[32], b1[32], b2[32], length[32];
  HighHalf() {
    for (int i = 0; i < 32; ++i) {
      const Utf8Char& c = Table()[0x80 + i];
      b0[i] = static_cast<uint8_t>(c.bytes[0]);
      b1[i] = static_cast<uint8_t>(c.bytes[1]);
      b2[i] = static_cast<uint8_t>(c.bytes[2]);
      length[i] = c.length;
    }
  }
};

// The sixteen-byte kernel, as Block and Avx2 below with half the width.
// Blends are masks and-ed and or-ed (SSE2), and the slots' lengths are
// summed in scalar multiplies, so that it needs SSSE3 for its shuffles only.
KW_TARGET_SSSE3 inline __m128i Blend(__m128i a, __m128i b, __m128i mask) {
  return _mm_or_si128(_mm_and_si128(mask, b), _mm_andnot_si128(mask, a));
}

KW_TARGET_SSSE3 inline __m128i Lookup32x16(const uint8_t* table, __m128i low4, __m128i bit4) {
  const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(table));
  const __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i*>(table + 16));
  return Blend(_mm_shuffle_epi8(lo, low4), _mm_shuffle_epi8(hi, low4), bit4);
}

KW_TARGET_SSSE3 char* Block16(const uint8_t* p, uint32_t count, char* o) {
  static const CompactMasks masks;
  static const HighHalf tables;
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x0B)), _mm_cmpeq_epi8(v, _mm_set1_epi8(0x0D)));
  // 0x80-0x9F: from the tables; 0xA0-0xFF: C2 or C3, then the byte's low six bits.
  const __m128i low4 = _mm_and_si128(v, _mm_set1_epi8(0x0F));
  const __m128i bit4 = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(0x10)), _mm_set1_epi8(0x10));
  const __m128i high = _mm_cmpgt_epi8(zero, v);
  const __m128i c1 = _mm_and_si128(high, _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(0xA0)), v));
  const __m128i upper = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(0x40)), _mm_set1_epi8(0x40));
  const __m128i lead = _mm_or_si128(_mm_set1_epi8(static_cast<char>(0xC2)), _mm_and_si128(upper, one));
  __m128i b0 = Blend(v, lead, high);
  b0 = Blend(b0, Lookup32x16(tables.b0, low4, bit4), c1);
  b0 = Blend(b0, _mm_set1_epi8('\r'), breaks);
  __m128i b1 = _mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xBF)));
  b1 = Blend(b1, Lookup32x16(tables.b1, low4, bit4), c1);
  b1 = Blend(b1, _mm_set1_epi8('\n'), breaks);
  const __m128i b2 = Lookup32x16(tables.b2, low4, bit4);
  __m128i len = Blend(one, _mm_set1_epi8(2), _mm_or_si128(high, breaks));
  len = Blend(len, Lookup32x16(tables.length, low4, bit4), c1);
  // Zero bytes and the bytes past `count` give nothing.
  const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i kept = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(count)), index);
  len = _mm_and_si128(_mm_andnot_si128(_mm_cmpeq_epi8(v, zero), len), kept);
  // Slot k of quarter q: bytes b0, b1, b2 of character 4q + k.
  const __m128i w0 = _mm_unpacklo_epi8(b0, b1);
  const __m128i w1 = _mm_unpackhi_epi8(b0, b1);
  const __m128i z0 = _mm_unpacklo_epi8(b2, zero);
  const __m128i z1 = _mm_unpackhi_epi8(b2, zero);
  const __m128i slots[4] = {_mm_unpacklo_epi16(w0, z0), _mm_unpackhi_epi16(w0, z0), _mm_unpacklo_epi16(w1, z1),
                            _mm_unpackhi_epi16(w1, z1)};
  alignas(16) uint32_t lengths[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lengths), len);
  for (int q = 0; q < 4; ++q) {
    // Four lengths l0..l3 (each at most 3) in the bytes of one word: the
    // top byte of one product is the mask's index l0 + 4 l1 + 16 l2 + 64 l3,
    // of another their sum; no byte below carries into it.
    const uint32_t code = (lengths[q] * 0x01041040u) >> 24;
    const uint32_t size = (lengths[q] * 0x01010101u) >> 24;
    const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(masks.mask[code]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_shuffle_epi8(slots[q], mask));
    o += size;
  }
  return o;
}

// Per 16 bytes: copied as they are when all are plain, skipped when all are
// zero, else Block16; the block that holds the escape, and the last few
// bytes (from a zero-padded copy), up to the escape or the end.
KW_TARGET_SSSE3 size_t Ssse3(const uint8_t* data, size_t size, char** out) {
  const uint8_t* p = data;
  const uint8_t* const end = data + size;
  char* o = *out;
  const __m128i zero = _mm_setzero_si128();
  const __m128i escape = _mm_set1_epi8(static_cast<char>(kQuickEscape));
  alignas(16) uint8_t tail[16];
  while (p < end) {
    const uint8_t* block = p;
    uint32_t count = 16;
    if (end - p < 16) {
      count = static_cast<uint32_t>(end - p);
      std::memset(tail, 0, sizeof tail);
      std::memcpy(tail, p, count);
      block = tail;
    }
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    const auto escapes = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, escape)));
    if (escapes != 0) count = std::min<uint32_t>(count, static_cast<uint32_t>(__builtin_ctz(escapes)));
    if (count == 16) {
      const __m128i breaks =
          _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x0B)), _mm_cmpeq_epi8(v, _mm_set1_epi8(0x0D)));
      const __m128i plain = _mm_andnot_si128(breaks, _mm_cmpgt_epi8(v, zero));  // 0x01-0x7F
      if (_mm_movemask_epi8(plain) == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
        o += 16;
        p += 16;
        continue;
      }
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)) == 0xFFFF) {
        p += 16;
        continue;
      }
    }
    o = Block16(block, count, o);
    p += count;
    if (count < 16) break;  // an escape or the end
  }
  *out = o;
  return static_cast<size_t>(p - data);
}

#endif

#if defined(__x86_64__)

// A 32-entry table looked up by the low five bits of each byte.
__attribute__((target("avx2"))) inline __m256i Lookup32(const uint8_t* table, __m256i low4, __m256i bit4) {
  const __m256i lo = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table)));
  const __m256i hi = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table + 16)));
  return _mm256_blendv_epi8(_mm256_shuffle_epi8(lo, low4), _mm256_shuffle_epi8(hi, low4), bit4);
}

// The characters of the first `count` of the 32 bytes at `p` (count <= 32),
// each worked out in vectors (up to three bytes in a four-byte slot), the
// slots packed four at a time.
__attribute__((target("avx2"))) char* Block(const uint8_t* p, uint32_t count, char* o) {
  static const CompactMasks masks;
  static const HighHalf tables;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i one = _mm256_set1_epi8(1);
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i breaks =
      _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(0x0B)), _mm256_cmpeq_epi8(v, _mm256_set1_epi8(0x0D)));
  // 0x80-0x9F: from the tables; 0xA0-0xFF: C2 or C3, then the byte's low six bits.
  const __m256i low4 = _mm256_and_si256(v, _mm256_set1_epi8(0x0F));
  const __m256i bit4 = _mm256_cmpeq_epi8(_mm256_and_si256(v, _mm256_set1_epi8(0x10)), _mm256_set1_epi8(0x10));
  const __m256i high = _mm256_cmpgt_epi8(zero, v);
  const __m256i c1 = _mm256_and_si256(high, _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0xA0)), v));
  const __m256i upper = _mm256_cmpeq_epi8(_mm256_and_si256(v, _mm256_set1_epi8(0x40)), _mm256_set1_epi8(0x40));
  const __m256i lead = _mm256_or_si256(_mm256_set1_epi8(static_cast<char>(0xC2)), _mm256_and_si256(upper, one));
  __m256i b0 = _mm256_blendv_epi8(v, lead, high);
  b0 = _mm256_blendv_epi8(b0, Lookup32(tables.b0, low4, bit4), c1);
  b0 = _mm256_blendv_epi8(b0, _mm256_set1_epi8('\r'), breaks);
  __m256i b1 = _mm256_and_si256(v, _mm256_set1_epi8(static_cast<char>(0xBF)));
  b1 = _mm256_blendv_epi8(b1, Lookup32(tables.b1, low4, bit4), c1);
  b1 = _mm256_blendv_epi8(b1, _mm256_set1_epi8('\n'), breaks);
  const __m256i b2 = Lookup32(tables.b2, low4, bit4);
  __m256i len = _mm256_blendv_epi8(one, _mm256_set1_epi8(2), _mm256_or_si256(high, breaks));
  len = _mm256_blendv_epi8(len, Lookup32(tables.length, low4, bit4), c1);
  // Zero bytes and the bytes past `count` give nothing.
  const __m256i index = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                         22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
  const __m256i kept = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(count)), index);
  len = _mm256_and_si256(_mm256_andnot_si256(_mm256_cmpeq_epi8(v, zero), len), kept);
  // Slot k of each lane's quarter q: bytes b0, b1, b2 of character 4q + k.
  const __m256i w0 = _mm256_unpacklo_epi8(b0, b1);
  const __m256i w1 = _mm256_unpackhi_epi8(b0, b1);
  const __m256i z0 = _mm256_unpacklo_epi8(b2, zero);
  const __m256i z1 = _mm256_unpackhi_epi8(b2, zero);
  const __m256i slots[4] = {_mm256_unpacklo_epi16(w0, z0), _mm256_unpackhi_epi16(w0, z0), _mm256_unpacklo_epi16(w1, z1),
                            _mm256_unpackhi_epi16(w1, z1)};
  alignas(32) uint32_t codes[8];
  alignas(32) uint32_t lengths[8];
  const __m256i pairs = _mm256_maddubs_epi16(len, _mm256_set1_epi16(0x0401));
  _mm256_store_si256(reinterpret_cast<__m256i*>(codes), _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00100001)));
  const __m256i sums = _mm256_maddubs_epi16(len, one);
  _mm256_store_si256(reinterpret_cast<__m256i*>(lengths), _mm256_madd_epi16(sums, _mm256_set1_epi16(1)));
  for (int lane = 0; lane < 2; ++lane) {
    for (int q = 0; q < 4; ++q) {
      const __m128i slot = lane == 0 ? _mm256_castsi256_si128(slots[q]) : _mm256_extracti128_si256(slots[q], 1);
      const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(masks.mask[codes[4 * lane + q]]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_shuffle_epi8(slot, mask));
      o += lengths[4 * lane + q];
    }
  }
  return o;
}

// Per 32 bytes: copied as they are when all are plain, skipped when all are
// zero, else Block; the block that holds the escape, and the last few bytes
// (from a zero-padded copy), up to the escape or the end.
__attribute__((target("avx2"))) size_t Avx2(const uint8_t* data, size_t size, char** out) {
  const uint8_t* p = data;
  const uint8_t* const end = data + size;
  char* o = *out;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i escape = _mm256_set1_epi8(kQuickEscape);
  alignas(32) uint8_t tail[32];
  while (p < end) {
    const uint8_t* block = p;
    uint32_t count = 32;
    if (end - p < 32) {
      count = static_cast<uint32_t>(end - p);
      std::memset(tail, 0, sizeof tail);
      std::memcpy(tail, p, count);
      block = tail;
    }
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    const auto escapes = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, escape)));
    if (escapes != 0) count = std::min<uint32_t>(count, static_cast<uint32_t>(__builtin_ctz(escapes)));
    if (count == 32) {
      const __m256i breaks =
          _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(0x0B)), _mm256_cmpeq_epi8(v, _mm256_set1_epi8(0x0D)));
      const __m256i plain = _mm256_andnot_si256(breaks, _mm256_cmpgt_epi8(v, zero));  // 0x01-0x7F
      if (static_cast<uint32_t>(_mm256_movemask_epi8(plain)) == 0xFFFFFFFFu) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), v);
        o += 32;
        p += 32;
        continue;
      }
      if (static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, zero))) == 0xFFFFFFFFu) {
        p += 32;
        continue;
      }
    }
    o = Block(block, count, o);
    p += count;
    if (count < 32) break;  // an escape or the end
  }
  *out = o;
  return static_cast<size_t>(p - data);
}

// The AVX-512 kernel (BW, VBMI and VBMI2), 64 bytes at a time: the four
// byte planes of the table (the three UTF-8 bytes and the length) are looked
// up in registers, each character goes to a four-byte slot, and the slots
// are packed sixteen at a time by a byte compression. Stores are masked, so
// it writes no byte past the text.
struct Planes {
  alignas(64) uint8_t plane[4][256];
  Planes() {
    for (int b = 0; b < 256; ++b) {
      const Utf8Char& c = Table()[b];
      for (int k = 0; k < 3; ++k) plane[k][b] = static_cast<uint8_t>(c.bytes[k]);
      plane[3][b] = c.length;
    }
  }
};

// Byte 16 L + 4 q + k of the register the slots are unpacked from holds
// character 16 q + 4 L + k: after the lane-wise unpacks slot register q then
// holds characters 16 q to 16 q + 15 in order.
struct SlotOrder {
  alignas(64) uint8_t index[64];
  SlotOrder() {
    for (int lane = 0; lane < 4; ++lane) {
      for (int q = 0; q < 4; ++q) {
        for (int k = 0; k < 4; ++k) index[16 * lane + 4 * q + k] = static_cast<uint8_t>(16 * q + 4 * lane + k);
      }
    }
  }
};

#define KW_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2,popcnt")))

KW_AVX512 inline __m512i Plane(const __m512i (&t)[4], __m512i v) {
  const __m512i low = _mm512_permutex2var_epi8(t[0], v, t[1]);
  const __m512i high = _mm512_permutex2var_epi8(t[2], v, t[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

KW_AVX512 size_t Avx512(const uint8_t* data, size_t size, char** out) {
  static const Planes planes;
  static const SlotOrder order;
  const uint8_t* p = data;
  const uint8_t* const end = data + size;
  char* o = *out;
  __m512i t[4][4];
  for (int k = 0; k < 4; ++k) {
    for (int h = 0; h < 4; ++h) t[k][h] = _mm512_load_si512(planes.plane[k] + 64 * h);
  }
  const __m512i slotOrder = _mm512_load_si512(order.index);
  const __m512i zero = _mm512_setzero_si512();
  const __m512i escape = _mm512_set1_epi8(kQuickEscape);
  // A slot's byte k is kept when its length (byte 3) is above k.
  const __m512i lengthOfSlot = _mm512_set4_epi32(0x0F0F0F0F, 0x0B0B0B0B, 0x07070707, 0x03030303);
  const __m512i byteOfSlot = _mm512_set1_epi32(0x03020100);
  alignas(64) uint8_t tail[64];
  while (p < end) {
    const uint8_t* block = p;
    uint32_t count = 64;
    if (end - p < 64) {
      count = static_cast<uint32_t>(end - p);
      std::memset(tail, 0, sizeof tail);
      std::memcpy(tail, p, count);
      block = tail;
    }
    __m512i v = _mm512_loadu_si512(block);
    const uint64_t escapes = _mm512_cmpeq_epi8_mask(v, escape);
    if (escapes != 0) count = std::min<uint32_t>(count, static_cast<uint32_t>(__builtin_ctzll(escapes)));
    if (count == 64) {
      const uint64_t breaks =
          _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(0x0B)) | _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(0x0D));
      const uint64_t plain = _mm512_cmpgt_epi8_mask(v, zero) & ~breaks;  // 0x01-0x7F
      if (plain == ~uint64_t{0}) {
        _mm512_storeu_si512(o, v);
        o += 64;
        p += 64;
        continue;
      }
      if (_mm512_test_epi8_mask(v, v) == 0) {
        p += 64;
        continue;
      }
    } else {
      v = _mm512_maskz_mov_epi8(_bzhi_u64(~uint64_t{0}, count), v);  // zero bytes give nothing
    }
    v = _mm512_maskz_permutexvar_epi8(~uint64_t{0}, slotOrder, v);  // (maskz: GCC 12 warns on the plain form)
    const __m512i b0 = Plane(t[0], v), b1 = Plane(t[1], v), b2 = Plane(t[2], v), len = Plane(t[3], v);
    const __m512i w0 = _mm512_unpacklo_epi8(b0, b1), w1 = _mm512_unpackhi_epi8(b0, b1);
    const __m512i z0 = _mm512_unpacklo_epi8(b2, len), z1 = _mm512_unpackhi_epi8(b2, len);
    const __m512i slots[4] = {_mm512_unpacklo_epi16(w0, z0), _mm512_unpackhi_epi16(w0, z0),
                              _mm512_unpacklo_epi16(w1, z1), _mm512_unpackhi_epi16(w1, z1)};
    for (const __m512i& slot : slots) {
      const uint64_t kept = _mm512_cmpgt_epu8_mask(_mm512_shuffle_epi8(slot, lengthOfSlot), byteOfSlot);
      const auto n = static_cast<uint32_t>(__builtin_popcountll(kept));
      _mm512_mask_storeu_epi8(o, _bzhi_u64(~uint64_t{0}, n), _mm512_maskz_compress_epi8(kept, slot));
      o += n;
    }
    p += count;
    if (count < 64) break;  // an escape or the end
  }
  *out = o;
  return static_cast<size_t>(p - data);
}

#undef KW_AVX512

bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
                          __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
  return has;
}

#endif

}  // namespace

size_t QuickTranslateRunOn(SimdPath path, const uint8_t* data, size_t size, char** out) {
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2 && BestSimdPath() == SimdPath::kAvx2)
    return HasAvx512() ? Avx512(data, size, out) : Avx2(data, size, out);
#endif
#if defined(__EMSCRIPTEN__) && KW_SSSE3
  if (path != SimdPath::kScalar) return Ssse3(data, size, out);
#elif KW_SSE2
  if (path != SimdPath::kScalar) return Sse2(data, size, out);
#else
  (void)path;
#endif
  return Scalar(data, size, out);
}

bool QuickKernelAvailable(QuickKernel kernel) {
#if defined(__x86_64__)
  if (kernel == QuickKernel::kSsse3) return __builtin_cpu_supports("ssse3");
  return BestSimdPath() == SimdPath::kAvx2 && (kernel == QuickKernel::kAvx2 || HasAvx512());
#else
  return KW_SSSE3 && kernel == QuickKernel::kSsse3;
#endif
}

size_t QuickTranslateRunWith(QuickKernel kernel, const uint8_t* data, size_t size, char** out) {
#if KW_SSSE3
  if (kernel == QuickKernel::kSsse3 && QuickKernelAvailable(kernel)) return Ssse3(data, size, out);
#endif
#if defined(__x86_64__)
  if (QuickKernelAvailable(kernel))
    return kernel == QuickKernel::kAvx512 ? Avx512(data, size, out) : Avx2(data, size, out);
#else
  (void)kernel;
#endif
  return QuickTranslateRunOn(SimdPath::kSse2, data, size, out);
}

size_t QuickTranslateRun(const uint8_t* data, size_t size, char** out) {
  return QuickTranslateRunOn(ActiveSimdPath(), data, size, out);
}

}  // namespace kw
