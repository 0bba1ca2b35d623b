// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deflate_codes.h"

#include <algorithm>

namespace kw {

bool BuildHuffman(HuffmanCode& h, const uint8_t* lengths, int n, bool allowSingle) {
  h.count.fill(0);
  for (int i = 0; i < n; ++i) ++h.count[lengths[i]];
  if (h.count[0] == n) return false;
  int left = 1;
  for (int len = 1; len <= kMaxCodeBits; ++len) {
    left = (left << 1) - h.count[len];
    if (left < 0) return false;  // over-subscribed
  }
  std::array<uint16_t, kMaxCodeBits + 2> offset{};
  for (int len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + h.count[len];
  for (int i = 0; i < n; ++i) {
    if (lengths[i] != 0) h.symbol[offset[lengths[i]]++] = static_cast<uint16_t>(i);
  }
  // The short codes, as the canonical order gives them (the first of each
  // length follows the last of the length before), bits reversed, since the
  // stream sends a code's highest bit first.
  h.fast.fill(0);
  int code = 0, index = 0;
  for (int len = 1; len <= kFastCodeBits; ++len) {
    for (int k = 0; k < h.count[len]; ++k, ++code, ++index) {
      int reversed = 0;
      for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
      const auto entry = static_cast<uint16_t>(len << 9 | h.symbol[index]);
      for (int at = reversed; at < (1 << kFastCodeBits); at += 1 << len) h.fast[at] = entry;
    }
    code <<= 1;
  }
  const bool single = h.count[0] == n - 1 && h.count[1] == 1;
  return left == 0 || (allowSingle && single);
}

const HuffmanCode& FixedLiteralCode() {
  static const HuffmanCode code = [] {
    std::array<uint8_t, 288> lengths{};
    std::fill(lengths.begin(), lengths.begin() + 144, 8);
    std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
    std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
    std::fill(lengths.begin() + 280, lengths.end(), 8);
    HuffmanCode h;
    BuildHuffman(h, lengths.data(), 288);
    return h;
  }();
  return code;
}

const HuffmanCode& FixedDistanceCode() {
  static const HuffmanCode code = [] {
    std::array<uint8_t, 30> lengths{};
    lengths.fill(5);
    HuffmanCode h;
    BuildHuffman(h, lengths.data(), 30);
    return h;
  }();
  return code;
}

}  // namespace kw
