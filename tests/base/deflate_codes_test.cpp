// SPDX-License-Identifier: Apache-2.0
#include "base/deflate_codes.h"

#include <gtest/gtest.h>

#include <array>

namespace kw {
namespace {

// The densest output per bit: under the fixed codes, a 258-byte copy takes
// 8 bits and a distance 5; a code whose longest copy has a short code and
// a one-bit distance gives more; a code of literals alone, a byte per code.
TEST(DeflateCodes, MostBytesPerBitIsTheDensestCopy) {
  EXPECT_DOUBLE_EQ(MostBytesPerBit(FixedLiteralCode(), FixedDistanceCode()), 258.0 / 13);
  std::array<uint8_t, 286> lit{};
  lit[32] = 1;
  lit[285] = 2;
  lit[256] = 2;
  std::array<uint8_t, 2> dist{1, 1};
  HuffmanCode l, d;
  ASSERT_TRUE(BuildHuffman(l, lit.data(), 286));
  ASSERT_TRUE(BuildHuffman(d, dist.data(), 2));
  EXPECT_DOUBLE_EQ(MostBytesPerBit(l, d), 258.0 / 3);
  std::array<uint8_t, 257> literals{};
  literals[65] = 1;
  literals[256] = 1;
  ASSERT_TRUE(BuildHuffman(l, literals.data(), 257));
  EXPECT_DOUBLE_EQ(MostBytesPerBit(l, d), 1.0);
}

}  // namespace
}  // namespace kw
