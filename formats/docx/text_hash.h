// SPDX-License-Identifier: Apache-2.0
#pragma once
// Polynomial hashes of byte strings modulo 2^61 - 1, with a base drawn once
// per run, so that no text can be built to collide on purpose. Shared by the
// two forms of tag removal that compare tags by hash (tag_rounds, tag_stream).

#include <cstdint>
#include <random>

namespace kw::text_hash {

inline constexpr uint64_t kMod = (uint64_t{1} << 61) - 1;

inline uint64_t MulMod(uint64_t a, uint64_t b) {
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  const uint64_t r = static_cast<uint64_t>(p & kMod) + static_cast<uint64_t>(p >> 61);
  return r >= kMod ? r - kMod : r;
}

inline uint64_t AddMod(uint64_t a, uint64_t b) {
  const uint64_t r = a + b;
  return r >= kMod ? r - kMod : r;
}

inline uint64_t SubMod(uint64_t a, uint64_t b) { return a >= b ? a - b : a + kMod - b; }

inline uint64_t Base() {
  static const uint64_t base = std::random_device{}() % (kMod - 1000) + 257;
  return base;
}

// Base()^n.
inline uint64_t Power(uint64_t n) {
  uint64_t result = 1, factor = Base();
  for (; n > 0; n >>= 1) {
    if (n & 1) result = MulMod(result, factor);
    factor = MulMod(factor, factor);
  }
  return result;
}

// What a byte adds: never 0, so that a run of zeros still counts.
inline uint64_t Digit(char c) { return uint64_t{static_cast<unsigned char>(c)} + 1; }

}  // namespace kw::text_hash
