// SPDX-License-Identifier: Apache-2.0
#include "base/deflate_codes.h"

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

double MostBytesPerBit(const HuffmanCode& lit, const HuffmanCode& dist) {
  // Each symbol's length: the codes are in order of length.
  const auto lengths = [](const HuffmanCode& h, auto&& each) {
    size_t index = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
      for (int k = 0; k < h.count[static_cast<size_t>(len)]; ++k) each(h.symbol[index++], len);
    }
  };
  int shortestDistance = kMaxCodeBits + 13;
  lengths(dist, [&](int sym, int len) {
    if (sym < 30) shortestDistance = std::min(shortestDistance, len + kDistExtra[static_cast<size_t>(sym)]);
  });
  double most = 0;
  lengths(lit, [&](int sym, int len) {
    if (sym < 256) {
      most = std::max(most, 1.0 / len);
    } else if (sym > 256 && sym < 286) {
      const auto i = static_cast<size_t>(sym - 257);
      const int longest = kLengthBase[i] + (1 << kLengthExtra[i]) - 1;
      most = std::max(most, static_cast<double>(longest) / (len + kLengthExtra[i] + shortestDistance));
    }
  });
  return most;
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
