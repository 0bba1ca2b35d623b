// SPDX-License-Identifier: Apache-2.0
// Mending a dynamic block's header by its code lengths.
//
// A damaged header often still reads in step, only into code lengths that
// make no usable code: one that leaves codes unused (incomplete) or has too
// many of some length (over-subscribed). A sound code's lengths satisfy
// Kraft's equality: the sum of 2^-length over its codes is one. So every
// change of one or two lengths that makes the broken code whole again is a
// candidate, and there are few: the first change leaves the second one
// value at most. The code-length code's own lengths are tried when it is
// the broken one (they are 3 bits each at fixed places, so a change moves
// no later bit); else the literal/length and distance lengths. Each
// candidate's block is decoded a stretch past its header, and the one that
// writes whole markup furthest is kept, if that is far enough.

#include <algorithm>
#include <array>
#include <bit>
#include <utility>
#include <vector>

#include "formats/docx/deep/inflate_decoder.h"

namespace kw::inflate {

namespace {

constexpr int kMaxLengthTrials = 2048 / kNarrower;  // candidates decoded per header
constexpr int64_t kTableCost = 16;                  // a table build costs as much as this many symbols
constexpr int64_t kLengthRepairReach = 1024;        // bits past the header that a kept candidate decodes
constexpr int kPairSpan = 32 / kNarrower;           // how far apart two changed lengths may be
constexpr int64_t kPairsPerSymbol = 64;             // pairs looked at that cost as much as one symbol

struct Change {
  int at = -1;  // none
  uint8_t value = 0;
};
using Correction = std::array<Change, 2>;

int64_t Weight(int length, int maxBits) { return length == 0 ? 0 : int64_t{1} << (maxBits - length); }

// The length whose weight is `weight`, or -1.
int LengthOf(int64_t weight, int maxBits) {
  if (weight == 0) return 0;
  if (weight < 0 || weight > Weight(1, maxBits) || !std::has_single_bit(static_cast<uint64_t>(weight))) return -1;
  return maxBits - std::countr_zero(static_cast<uint64_t>(weight));
}

// The changes of one length, then of two at most kPairSpan apart (damage
// hits lengths sent together), that give `lengths` Kraft's equality, at
// most `cap` of them.
// `work` counts the pairs looked at.
std::vector<Correction> Completions(const uint8_t* lengths, int n, int maxBits, int maxChanges, size_t cap,
                                    int64_t* work) {
  int64_t sum = 0;
  for (int i = 0; i < n; ++i) sum += Weight(lengths[i], maxBits);
  const int64_t deficit = (int64_t{1} << maxBits) - sum;
  std::vector<Correction> found;
  if (deficit == 0) return found;
  for (int i = 0; i < n && found.size() < cap; ++i) {
    const int v = LengthOf(Weight(lengths[i], maxBits) + deficit, maxBits);
    if (v >= 0 && v != lengths[i]) found.push_back({Change{i, static_cast<uint8_t>(v)}, Change{}});
  }
  for (int i = 0; i < n && maxChanges > 1; ++i) {
    for (int vi = 0; vi <= maxBits; ++vi) {
      if (vi == lengths[i]) continue;
      const int64_t left = deficit + Weight(lengths[i], maxBits) - Weight(vi, maxBits);
      const int end = std::min(n, i + 1 + kPairSpan);
      *work += end - i;
      for (int j = i + 1; j < end; ++j) {
        const int vj = LengthOf(Weight(lengths[j], maxBits) + left, maxBits);
        if (vj < 0 || vj == lengths[j]) continue;
        if (found.size() >= cap) return found;
        found.push_back({Change{i, static_cast<uint8_t>(vi)}, Change{j, static_cast<uint8_t>(vj)}});
      }
    }
  }
  return found;
}

void Apply(const Correction& c, uint8_t* lengths) {
  for (const Change& change : c) {
    if (change.at >= 0) lengths[change.at] = change.value;
  }
}

}  // namespace

bool Decoder::repairLengths(int64_t blockStart) {
  if (repairSpent_ > repairBudget_) return false;
  const int64_t savedPos = pos_;
  const HuffmanCode* savedLit = curLit_;
  const HuffmanCode* savedDist = curDist_;
  pos_ = blockStart + 1;
  HeaderLengths header;
  if (bits(2) != 2 || readCounts(header) != Result::kMore) {
    pos_ = savedPos;
    return false;
  }
  const int64_t lengthsAt = pos_;
  HuffmanCode lencode;
  const bool lencodeWhole = BuildHuffman(lencode, header.cl.data(), 19, false);
  // The candidates: the lengths each gives, and where its block's codes begin.
  std::vector<std::pair<HeaderLengths, int64_t>> candidates;
  int64_t pairs = 0;
  if (!lencodeWhole) {
    // The code-length code's lengths, in the order the header sends them.
    std::array<uint8_t, 19> sent{};
    for (int k = 0; k < header.ncode; ++k) sent[k] = header.cl[kCodeLengthOrder[k]];
    for (const Correction& c : Completions(sent.data(), header.ncode, 7, 2, kMaxLengthTrials, &pairs)) {
      HeaderLengths h = header;
      for (const Change& change : c) {
        if (change.at >= 0) h.cl[kCodeLengthOrder[change.at]] = change.value;
      }
      repairSpent_ += kTableCost;
      pos_ = lengthsAt;
      if (!BuildHuffman(lencode, h.cl.data(), 19, false) || readLengths(lencode, h) != Result::kMore) continue;
      if (BuildTables(h, trialLit_, trialDist_)) candidates.emplace_back(h, pos_);
    }
  } else if (readLengths(lencode, header) == Result::kMore) {
    const int64_t codesAt = pos_;
    uint8_t* lit = header.lengths.data();
    uint8_t* dist = lit + header.nlit;
    const bool litWhole = BuildHuffman(trialLit_, lit, header.nlit) && lit[256] != 0;
    const bool distWhole = BuildHuffman(trialDist_, dist, header.ndist);
    std::vector<Correction> fixes;
    if (!litWhole && distWhole) {
      fixes = Completions(lit, header.nlit, kMaxCodeBits, 2, kMaxLengthTrials, &pairs);
    } else if (litWhole && !distWhole) {
      fixes = Completions(dist, header.ndist, kMaxCodeBits, 2, kMaxLengthTrials, &pairs);
      for (Correction& c : fixes) {
        for (Change& change : c) change.at += change.at >= 0 ? header.nlit : 0;
      }
    } else if (!litWhole && !distWhole) {
      // One change in each.
      const std::vector<Correction> litFixes = Completions(lit, header.nlit, kMaxCodeBits, 1, kMaxLengthTrials, &pairs);
      const std::vector<Correction> distFixes =
          Completions(dist, header.ndist, kMaxCodeBits, 1, kMaxLengthTrials, &pairs);
      for (const Correction& a : litFixes) {
        for (const Correction& b : distFixes) {
          if (fixes.size() < static_cast<size_t>(kMaxLengthTrials)) {
            fixes.push_back({a[0], Change{b[0].at + header.nlit, b[0].value}});
          }
        }
      }
    }
    for (const Correction& c : fixes) {
      HeaderLengths h = header;
      Apply(c, h.lengths.data());
      candidates.emplace_back(h, codesAt);
    }
  }
  repairSpent_ += pairs / kPairsPerSymbol;
  int64_t bestReach = -1;
  size_t best = 0;
  for (size_t k = 0; k < candidates.size() && repairSpent_ <= repairBudget_; ++k) {
    repairSpent_ += kTableCost;
    if (!BuildTables(candidates[k].first, trialLit_, trialDist_)) continue;
    curLit_ = &trialLit_;
    curDist_ = &trialDist_;
    const int64_t reach = trialRepair(candidates[k].second, piece_.bytes.size(), 0, check_, candidates[k].second);
    if (reach > bestReach) {
      bestReach = reach;
      best = k;
    }
    if (stopped()) {
      stop_ = true;
      break;
    }
  }
  curLit_ = savedLit;
  curDist_ = savedDist;
  pos_ = savedPos;
  if (stop_ || bestReach < kLengthRepairReach) return false;
  BuildTables(candidates[best].first, lit_, dist_);
  curLit_ = &lit_;
  curDist_ = &dist_;
  pos_ = candidates[best].second;
  outcome_.gaps.push_back({blockStart >> 3, (pos_ + 7) >> 3, 0});  // the header mended, no output is lost
  return true;
}

}  // namespace kw::inflate
