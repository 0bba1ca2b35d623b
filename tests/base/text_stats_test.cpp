// SPDX-License-Identifier: Apache-2.0
// Counting paragraphs and characters: line breaks of both kinds, blank lines,
// multi-byte characters, and the vector count against a plain one on lengths
// that cross its block and flush boundaries.

#include "base/text_stats.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kw {
namespace {

TEST(TextStats, CountsLinesThatHoldTextAndCharactersWithoutBreaks) {
  EXPECT_EQ(CountText("").characters, 0);
  const TextStats stats = CountText("\r\n  Dear caf\xC3\xA9\r\n \t \r\n  owner\nend");
  EXPECT_EQ(stats.paragraphs, 3);
  EXPECT_EQ(stats.characters, 11 + 3 + 7 + 3);
}

TEST(TextStats, VectorCountMatchesAPlainCount) {
  std::mt19937 random(7);
  for (size_t length : {0, 1, 15, 16, 17, 255, 4079, 4080, 4081, 8191, 70000}) {
    std::string text(length, '\0');
    int64_t starts = 0;
    for (char& c : text) {
      c = static_cast<char>(random() % 256);
      if (c == '\n' || c == '\r') c = 'x';
      starts += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    EXPECT_EQ(CountText(text).characters, starts) << length;
  }
}

}  // namespace
}  // namespace kw
