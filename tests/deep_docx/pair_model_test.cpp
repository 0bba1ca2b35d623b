// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/pair_model.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/docx/deep/tolerant_inflate.h"

namespace kw {
namespace {

double Score(const PairModel& m, std::string_view pair) {
  return m.pairScore(static_cast<uint8_t>(pair[0]), static_cast<uint8_t>(pair[1]));
}

// The pairs of the known text score above zero, pairs it never held below,
// and a pair that spans an unknown byte is not learned. The sample of
// WordprocessingML comes first: its tags' pairs score above zero before the
// stream has shown one, so that the first table a part holds is not garbage.
TEST(PairModel, ScoresThePairsOfTheKnownTextAndTheSampleAboveOthers) {
  PairModel m;
  EXPECT_EQ(Score(m, "ab"), 0);  // nothing learned: every pair is neutral
  std::string text;
  for (int i = 0; i < 200; ++i) text += "harbour lantern meadow ";
  text += std::string("qz") + kUnknownByte + "x";
  m.learn(text);
  EXPECT_GT(Score(m, "ha"), 1.0);
  EXPECT_GT(Score(m, "rn"), 1.0);
  EXPECT_LT(Score(m, "hx"), -1.0);
  EXPECT_LT(Score(m, "nh"), -1.0);
  EXPECT_LT(Score(m, "zx"), 0);    // "z" and "x" stand apart: the unknown byte lay between
  EXPECT_GT(Score(m, "pP"), 1.0);  // "w:pPr", the sample's
  EXPECT_GT(Score(m, "<w"), 1.0);
}

}  // namespace
}  // namespace kw
