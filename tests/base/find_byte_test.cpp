// SPDX-License-Identifier: Apache-2.0
// FindByteVector (the browser build's memchr) finds what memchr finds, at
// every offset, length and alignment.
#include "base/find_byte.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kw {
namespace {

TEST(FindByte, FindsWhatMemchrFindsAtEveryOffset) {
  std::vector<uint8_t> bytes(200);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  for (const uint8_t wanted : {uint8_t{0x25}, uint8_t{0x00}, uint8_t{0xFF}}) {
    for (size_t hit = 0; hit <= 80; ++hit) {
      std::vector<uint8_t> copy = bytes;
      for (uint8_t& b : copy) b = b == wanted ? static_cast<uint8_t>(wanted + 1) : b;
      if (hit < 80) copy[hit + 40] = wanted;
      copy[150] = wanted;  // a later one, never passed over
      for (size_t from = 0; from <= 48; from += 3) {
        for (const size_t n : {size_t{0}, size_t{15}, size_t{33}, size_t{64}, size_t{150 - from}}) {
          const auto* expected = static_cast<const uint8_t*>(std::memchr(copy.data() + from, wanted, n));
          ASSERT_EQ(FindByteVector(copy.data() + from, n, wanted), expected) << hit << " " << from << " " << n;
          ASSERT_EQ(FindByte(copy.data() + from, n, wanted), expected);
        }
      }
    }
  }
}

}  // namespace
}  // namespace kw
