// SPDX-License-Identifier: Apache-2.0
// Where codes resumed inside damage fall into step.
//
// A resume is tried a few bits past the break, and codes decoded there
// from the damaged bytes pass the markup as readily as the stream's own:
// their copies are mostly of unknown bytes, and what is unknown cannot be
// wrong. The piece would begin with a head of garbage that later copies
// spread as known text. The literals written side by side tell where the
// head ends: scored by the pair model, their sum falls while they are
// garbage and rises once the codes are the stream's. The piece begins past
// the lowest point, when it lies far enough below the start.

#include <algorithm>

#include "formats/docx/deep/inflate_decoder.h"

namespace kw::inflate {

int64_t Decoder::pastGarbage(int64_t bit) {
  // The model learns the piece up to the break, less what the damage may have written.
  const size_t trusted = piece_.bytes.size() - std::min(piece_.bytes.size(), kDistrustBytes);
  const size_t from = std::min(pairsUpTo_, trusted);
  pairs_.learn(std::string_view(piece_.bytes).substr(from, trusted - from));
  pairsUpTo_ = std::max(pairsUpTo_, trusted);
  pos_ = bit;
  double sum = 0, lowest = 0;
  int64_t past = bit;
  int previous = -1;  // the literal just written, if the last symbol was one
  int64_t symbols = 0;
  while (pos_ < bit + kResumeSkipBits) {
    ++symbols;
    const int sym = decode(*curLit_);
    if (sym < 0 || sym == 256 || sym > 285) break;
    if (sym < 256) {
      if (previous >= 0) {
        sum += pairs_.pairScore(static_cast<uint8_t>(previous), static_cast<uint8_t>(sym));
        if (sum < lowest) {
          lowest = sum;
          past = pos_;
        }
      }
      previous = sym;
      continue;
    }
    previous = -1;
    const int ds = bits(kLengthExtra[sym - 257]) < 0 ? -1 : decode(*curDist_);
    if (ds < 0 || ds > 29 || bits(kDistExtra[ds]) < 0) break;
  }
  repairSpent_ += symbols;
  return lowest < -kGarbageNats ? past : bit;
}

}  // namespace kw::inflate
