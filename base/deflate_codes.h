// SPDX-License-Identifier: Apache-2.0
#pragma once
// Deflate's codes (RFC 1951): canonical Huffman codes built from code
// lengths, the fixed codes, and the bases and extra bits of lengths and
// distances.

#include <array>
#include <cstdint>

namespace kw {

inline constexpr int kMaxCodeBits = 15;

inline constexpr std::array<uint16_t, 29> kLengthBase = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                         2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::array<uint16_t, 30> kDistBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                       33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                       1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::array<uint8_t, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
inline constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};

// Codes up to this long are decoded by one lookup of the next bits.
inline constexpr int kFastCodeBits = 9;

// A canonical Huffman code: how many codes each length has, and the symbols
// in code order; and, for every value of the next kFastCodeBits bits of the
// stream (first bit lowest), the code they begin with, when it is that short:
// its length << 9 | its symbol, or 0.
struct HuffmanCode {
  std::array<uint16_t, kMaxCodeBits + 1> count{};
  std::array<uint16_t, 320> symbol{};
  std::array<uint16_t, 1 << kFastCodeBits> fast{};
};

// Builds `h` from code lengths. True when the code is usable: complete, or
// (when `allowSingle`) a single code of one bit.
bool BuildHuffman(HuffmanCode& h, const uint8_t* lengths, int n, bool allowSingle = true);

// The most output one bit coded with these codes can give: the longest
// copy per bit its length, distance and extra bits take at the least.
double MostBytesPerBit(const HuffmanCode& lit, const HuffmanCode& dist);

// The fixed literal/length and distance codes.
const HuffmanCode& FixedLiteralCode();
const HuffmanCode& FixedDistanceCode();

}  // namespace kw
