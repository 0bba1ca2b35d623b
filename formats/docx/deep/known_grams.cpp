// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/known_grams.h"

#include <cstring>

#include "formats/docx/deep/tolerant_inflate.h"

namespace kw {

namespace {

uint32_t Pair(const char* p) {
  return static_cast<uint32_t>(static_cast<uint8_t>(p[0])) << 8 | static_cast<uint8_t>(p[1]);
}

uint32_t Four(const char* p, int bits) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return (v * 2654435761u) >> (32 - bits);
}

bool Known(const char* p, size_t n) { return std::memchr(p, kUnknownByte, n) == nullptr; }

}  // namespace

void KnownGrams::learn(std::string_view bytes) {
  if (bits_.empty()) bits_.assign(kPairWords + (size_t{1} << kStringBits) / 64, 0);
  for (size_t i = 0; i + 2 <= bytes.size(); ++i) {
    const char* p = bytes.data() + i;
    if (!Known(p, 2)) continue;
    const uint32_t pair = Pair(p);
    bits_[pair >> 6] |= uint64_t{1} << (pair & 63);
    if (i + 4 > bytes.size() || !Known(p, 4)) continue;
    const uint32_t s = Four(p, kStringBits) + 65536;
    bits_[s >> 6] |= uint64_t{1} << (s & 63);
  }
}

int64_t KnownGrams::strangeness(std::string_view bytes) const {
  if (bits_.empty()) return 0;
  int64_t n = 0;
  for (size_t i = 0; i + 2 <= bytes.size(); ++i) {
    const char* p = bytes.data() + i;
    if (!Known(p, 2)) continue;
    n += held(Pair(p)) ? 0 : kPairWeight;
    if (i + 4 > bytes.size() || !Known(p, 4)) continue;
    n += held(Four(p, kStringBits) + 65536) ? 0 : 1;
  }
  return n;
}

}  // namespace kw
