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
//
// Past a wiped stretch the bytes are the stream's own, but the first bit
// tried may lie inside a symbol whose first bits were wiped: its codes are
// out of step for a while and write wrong bytes. Decoded from each bit up
// to the longest symbol on, the codes meet, and from there they are in step.

#include <algorithm>

#include "formats/docx/deep/inflate_decoder.h"

namespace kw::inflate {

bool Decoder::skipSymbol(int* sym) {
  *sym = decode(*curLit_);
  if (*sym < 0 || *sym == 256 || *sym > 285) return false;
  if (*sym < 256) return true;
  const int ds = bits(kLengthExtra[*sym - 257]) < 0 ? -1 : decode(*curDist_);
  return ds >= 0 && ds <= 29 && bits(kDistExtra[ds]) >= 0;
}

int64_t Decoder::inStep(int64_t bit) {
  const int64_t reach = std::min<int64_t>(kMeetBits, totalBits_ - bit);
  if (reach <= kLongestSymbolBits) return -1;
  // Per bit from `bit` on, for a symbol start some decoding passes: where
  // decodings through it meet the first one's (-1: none passes there).
  meets_.assign(static_cast<size_t>(reach), -1);
  int64_t symbols = 0;
  int sym = 0;
  for (pos_ = bit; pos_ < bit + reach;) {
    meets_[static_cast<size_t>(pos_ - bit)] = pos_;
    ++symbols;
    if (!skipSymbol(&sym)) break;
  }
  int64_t meet = bit;
  for (int64_t k = 1; k < kLongestSymbolBits && meet >= 0; ++k) {
    int64_t met = -1;
    for (pos_ = bit + k; pos_ < bit + reach && met < 0;) {
      met = meets_[static_cast<size_t>(pos_ - bit)];
      ++symbols;
      if (met < 0 && !skipSymbol(&sym)) break;
    }
    if (met < 0) {
      if (pos_ >= bit + reach) meet = -1;  // still apart at the end of the reach
      continue;                            // codes that fail are not the stream's own
    }
    // The way there meets where its end does.
    const int64_t landed = pos_;
    for (pos_ = bit + k; pos_ < landed && skipSymbol(&sym);) meets_[static_cast<size_t>(pos_ - bit)] = met;
    meets_[static_cast<size_t>(k)] = met;
    meet = std::max(meet, met);
  }
  repairSpent_ += symbols;
  return meet;
}

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
  int sym = 0;
  while (pos_ < bit + kResumeSkipBits) {
    ++symbols;
    if (!skipSymbol(&sym)) break;
    if (sym > 255) {
      previous = -1;
      continue;
    }
    if (previous >= 0) {
      sum += pairs_.pairScore(static_cast<uint8_t>(previous), static_cast<uint8_t>(sym));
      if (sum < lowest) {
        lowest = sum;
        past = pos_;
      }
    }
    previous = sym;
  }
  repairSpent_ += symbols;
  return lowest < -kGarbageNats ? past : bit;
}

}  // namespace kw::inflate
