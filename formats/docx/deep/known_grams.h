// SPDX-License-Identifier: Apache-2.0
#pragma once
// KnownGrams: the byte pairs and four-byte strings that a stream's known
// output has held, to tell which of two decodings reads more like it.
//
// Two values of a damaged byte may both decode cleanly far past the damage,
// one of them writing a wrong letter that later copies repeat ("nr" for
// "ne"). The right one writes fewer pairs and strings the text never held.
// Pairs are kept exactly, strings in a hashed bit set (a string counted as
// held by a collision costs nothing but a weaker vote). 160 KiB, allocated
// on first use; unknown bytes are skipped.

#include <cstdint>
#include <string_view>
#include <vector>

namespace kw {

class KnownGrams {
 public:
  // Learns the pairs and strings of `bytes`.
  void learn(std::string_view bytes);
  // How strange `bytes` reads: kPairWeight for each pair never held, one for
  // each string never held.
  int64_t strangeness(std::string_view bytes) const;

  static constexpr int64_t kPairWeight = 8;

 private:
  static constexpr int kStringBits = 20;
  static constexpr size_t kPairWords = 65536 / 64;
  bool held(uint32_t bit) const { return (bits_[bit >> 6] >> (bit & 63)) & 1; }
  std::vector<uint64_t> bits_;  // the pairs, then the strings
};

}  // namespace kw
