// SPDX-License-Identifier: Apache-2.0
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "formats/docx/deep/inflate_decoder.h"

namespace kw::inflate {

// Decodes from `bit` as if the piece held only its first `keep` bytes and
// then `pad` unknown ones, checking the markup from `start`. Returns how far
// past `mustPass` decoding got before the first fault (in bits, at most
// kRepairHorizon; all of it when the input ends cleanly), less
// kOddPenaltyBits for each odd literal, or -1 when it did not get past
// `mustPass`.
int64_t Decoder::trialRepair(int64_t bit, size_t keep, int pad, const MarkupCheck& start, int64_t mustPass) {
  const std::string& out = piece_.bytes;
  MarkupCheck check = start;
  trial_.clear();
  const int64_t base = static_cast<int64_t>(keep) + pad;
  auto byteAt = [&](int64_t i) -> char {
    if (i < 0 || (i >= static_cast<int64_t>(keep) && i < base)) return kUnknownByte;
    return i < static_cast<int64_t>(keep) ? out[i] : trial_[i - base];
  };
  pos_ = bit;
  int64_t reached = bit;  // the start of the last symbol that decoded cleanly
  int64_t symbols = 0;
  int64_t odd = 0;
  int last = -1, same = 0;
  // When the encoder writes maximal copies, a byte that would have made the
  // copy before it longer says the trial is out of step.
  const bool maximal = copiesMaximal(keep);
  int64_t copied = 0;  // the distance of the copy just written, when it could have gone longer
  auto lengthens = [&](int64_t at, char c) {
    if (!maximal || copied == 0) return false;
    const char source = byteAt(at - copied);
    return source != kUnknownByte && c != kUnknownByte && source == c;
  };
  while (reached < mustPass + kRepairHorizon) {
    reached = pos_;
    ++symbols;
    const int sym = decode(*curLit_);
    same = sym == last && sym != 285 ? same + 1 : 0;
    last = sym;
    if (same >= kMaxRepeats) break;  // a wiped stretch decodes as one code over and over
    if (sym == -2) {                 // the input ends: as far as anything can get
      reached = pos_ > mustPass ? mustPass + kRepairHorizon : pos_;
      break;
    }
    if (sym == 256) {  // a block's end counts only as far as it is
      reached = pos_;
      break;
    }
    if (sym < 0 || sym > 285) break;
    if (sym < 256) {
      if (lengthens(base + static_cast<int64_t>(trial_.size()), static_cast<char>(sym))) break;
      copied = 0;
      if (NotText(static_cast<uint8_t>(sym)) || !check.accept(static_cast<uint8_t>(sym))) break;
      odd += Odd(static_cast<uint8_t>(sym)) ? 1 : 0;
      trial_.push_back(static_cast<char>(sym));
      if (!declarationFits(keep, pad)) break;
      continue;
    }
    const int li = sym - 257;
    const int64_t extra = bits(kLengthExtra[li]);
    const int ds = decode(*curDist_);
    if (extra < 0 || ds < 0 || ds > 29) break;
    const int64_t dextra = bits(kDistExtra[ds]);
    if (dextra < 0) break;
    const int64_t distance = kDistBase[ds] + dextra, length = kLengthBase[li] + extra;
    const int64_t at = base + static_cast<int64_t>(trial_.size());
    if (piece_.fromStart && distance > at) break;
    if (lengthens(at, byteAt(at - distance))) break;
    copied = length < kMaxCopy ? distance : 0;
    bool fault = false;
    for (int64_t k = 0; k < length && !fault; ++k) {
      const char c = byteAt(base + static_cast<int64_t>(trial_.size()) - distance);
      trial_.push_back(c);
      odd += Odd(static_cast<uint8_t>(c)) ? 1 : 0;
      fault = !declarationFits(keep, pad);
      if (fault) break;
      if (c == kUnknownByte)
        check.lose();
      else
        fault = !check.accept(static_cast<uint8_t>(c));
    }
    if (fault) break;
  }
  repairSpent_ += symbols;
  trialEnd_ = reached;
  if (reached <= mustPass) return -1;
  return std::max<int64_t>(0, std::min(reached - mustPass, kRepairHorizon) - odd * kOddPenaltyBits);
}

// The markup state after the first `end` bytes of the piece, judged from
// a little before them.
MarkupCheck Decoder::checkAt(size_t end) const {
  MarkupCheck check;
  check.lose();
  for (size_t i = end - std::min<size_t>(end, 256); i < end; ++i) {
    const char c = piece_.bytes[i];
    if (c == kUnknownByte || !check.accept(static_cast<uint8_t>(c))) check.lose();
  }
  return check;
}

// Damage inside a block, repaired exactly: one byte shortly before the
// break is given every other value and the codes are decoded again from a
// symbol start before it, with everything before known (while the
// stream's budget lasts, which is looked at before every value). The value whose
// decoding gets furthest past the break, with whole markup, is kept.
// Damaged codes may write wrong but well-formed bytes for a hundred bytes
// before they break, and a wrong value of a byte near the break may then
// decode a while too: unless a value of those decodes as far as trials go,
// bytes further back (kByteRepairFar) are tried as well, and the value that
// gets furthest of all is kept.
bool Decoder::repairByte(int64_t errorBit) {
  if (repairSpent_ > repairBudget_ || historyCount_ == 0 || errorBit <= lastByteRepair_) return false;
  lastByteRepair_ = errorBit;
  const FixChain near = findFixes(errorBit, kByteRepairBack, false);
  if (near.result == ByteRepair::kDone && near.reach() >= kRepairHorizon) return applyFixes(near);
  if (stop_) return false;
  // Soon after another repair, damage lies close together: a trial cannot
  // decode far enough there to tell a byte further back.
  if (near.result == ByteRepair::kDone && repairChain_ > 0) return applyFixes(near);
  const FixChain far = findFixes(errorBit, kByteRepairFar, true);
  if (far.result == ByteRepair::kDone && (near.result != ByteRepair::kDone || far.reach() > near.reach()))
    return applyFixes(far);
  return near.result == ByteRepair::kDone && applyFixes(near);
}

// A byte repair, and the bytes after it when damaged bytes lie close
// together: while the best value's decoding breaks again short of
// kByteRepairReach but kFixStepBits further on, the byte near that break is
// mended the same way, with those before it mended. All are kept only when
// together they decode kByteRepairReach past the first break. `beyond`: the
// first byte lies before those kByteRepairBack tries. The input is left as
// it was.
Decoder::FixChain Decoder::findFixes(int64_t errorBit, int64_t back, bool beyond) {
  FixChain chain;
  const int64_t firstByte = std::max<int64_t>(0, (errorBit >> 3) - back);
  // The latest symbol start before the first byte tried.
  Mark anchor{-1, 0};
  for (size_t i = 0; i < std::min(historyCount_, kHistory); ++i) {
    const Mark& m = history_[(historyCount_ - 1 - i) % kHistory];
    anchor = m;
    if (m.bit < firstByte * 8) break;
  }
  if (anchor.bit < 0 || anchor.out > piece_.bytes.size()) return chain;
  chain.anchor = anchor;
  chain.start = checkAt(anchor.out);
  if (gramsUpTo_ < anchor.out) {
    grams_.learn(std::string_view(piece_.bytes).substr(gramsUpTo_, anchor.out - gramsUpTo_));
    gramsUpTo_ = anchor.out;
  }
  std::vector<ByteFix>& fixes = chain.fixes;
  auto undo = [&] {
    for (auto it = fixes.rbegin(); it != fixes.rend(); ++it) data_[it->at] = it->original;
  };
  int64_t breakBit = errorBit;
  bool proven = false;
  // The values of bytes after the first are judged by the known text before
  // them: with little of it, garbage chains as readily (a stream's start).
  const size_t most = anchor.out >= kChainContext ? kMaxByteFixes : 1;
  while (!proven && fixes.size() < most) {
    const int64_t low = std::max({(breakBit >> 3) - (fixes.empty() ? back : kByteRepairBack), anchor.bit >> 3,
                                  fixes.empty() ? int64_t{0} : fixes.back().at + 1});
    const bool far = beyond && fixes.empty();
    const int64_t high = far ? (breakBit >> 3) - kByteRepairBack - 1
                             : std::min((breakBit + kLongestSymbolBits) >> 3, (totalBits_ >> 3) - 1);
    const ByteFix best = bestByteValue(anchor, chain.start, errorBit, low, high, far);
    const int64_t before = fixes.empty() ? 0 : fixes.back().reach;
    if (stopped()) stop_ = true;
    if (stop_ || best.at < 0 || best.reach < before + kFixStepBits) {
      undo();
      chain.result = fixes.empty() && best.at < 0 ? ByteRepair::kNoValue : ByteRepair::kFailed;
      fixes.clear();
      return chain;
    }
    fixes.push_back(best);
    data_[best.at] = best.value;
    proven = best.reach >= kByteRepairReach;
    breakBit = best.end;
  }
  undo();
  if (!proven) {
    fixes.clear();
    return chain;
  }
  chain.result = ByteRepair::kDone;
  return chain;
}

bool Decoder::applyFixes(const FixChain& chain) {
  for (const ByteFix& f : chain.fixes) data_[f.at] = f.value;
  total_ -= piece_.bytes.size() - chain.anchor.out;
  cutPiece(chain.anchor.out);
  check_ = chain.start;
  markupBroke_ = false;
  lastTagOut_ = std::min(lastTagOut_, piece_.bytes.size());
  knownSinceTag_ = 0;
  tagsSeen_ = check_.tags();
  historyCount_ = 0;
  for (const ByteFix& f : chain.fixes)
    outcome_.gaps.push_back({f.at, f.at + 1, 0});  // each byte mended, no output lost
  pos_ = chain.anchor.bit;
  return true;
}

Decoder::ByteFix Decoder::bestByteValue(const Mark& anchor, const MarkupCheck& start, int64_t errorBit, int64_t low,
                                        int64_t high, bool fromMarks) {
  ByteFix best;
  int64_t bestStrangeness = 0;
  // From the break backwards: among equals the later byte wins.
  for (int64_t at = high; at >= low && repairSpent_ <= repairBudget_; --at) {
    // Decoding from the anchor follows the symbol starts the piece was
    // decoded by up to the byte changed: a trial may start at the last of
    // them instead, with the same output, far cheaper when the byte lies far
    // from the anchor (it does not carry the anchor's odd literals, nor a
    // copy just before the start that the next byte could have lengthened).
    // Its text is judged with that of the piece since the anchor, so that
    // trials of all bytes compare.
    Mark from = anchor;
    for (size_t i = 0; fromMarks && i < std::min(historyCount_, kHistory); ++i) {
      const Mark& m = history_[(historyCount_ - 1 - i) % kHistory];
      if (m.bit < anchor.bit) break;
      if (m.bit <= at * 8 && m.out <= piece_.bytes.size()) {
        from = m;
        break;
      }
    }
    const std::string_view passed = std::string_view(piece_.bytes).substr(anchor.out, from.out - anchor.out);
    MarkupCheck check = start;
    for (const char c : passed) {
      if (c == kUnknownByte || !check.accept(static_cast<uint8_t>(c))) check.lose();
    }
    const uint8_t original = data_[at];
    for (int v = 0; v < 256 && repairSpent_ <= repairBudget_; ++v) {
      if (v == original) continue;
      data_[at] = static_cast<uint8_t>(v);
      const int64_t reach = trialRepair(from.bit, from.out, 0, check, errorBit);
      if (reach < 0 || reach < best.reach) continue;
      if (!passed.empty()) trial_.insert(0, passed);
      const int64_t strangeness = grams_.strangeness(trial_);
      if (reach > best.reach || strangeness < bestStrangeness) {
        best = {at, static_cast<uint8_t>(v), original, reach, trialEnd_};
        bestStrangeness = strangeness;
      }
    }
    data_[at] = original;
  }
  return best;
}

// Damage inside a block: the codes around the break are decoded again from
// each recent symbol start (and a few bits past the break), with the output
// cut or padded by a few bytes, since the damaged codes gave the wrong
// amount. The choice whose markup stays whole furthest past the break is
// taken (the smallest change of length among equals), and decoding goes on
// in the same piece.
bool Decoder::repairInBlock(int64_t errorBit) {
  if (repairSpent_ > repairBudget_ || historyCount_ == 0 || errorBit <= lastRepair_) return false;
  lastRepair_ = errorBit;
  std::vector<Mark> starts;
  for (size_t i = 0; i < std::min(historyCount_, kHistory); ++i) {
    const Mark& m = history_[(historyCount_ - 1 - i) % kHistory];
    if (m.bit < errorBit - kRepairBackBits) break;
    starts.push_back(m);
  }
  const size_t failedOut = starts.empty() ? piece_.bytes.size() : starts.front().out;
  for (int skip = 1; skip <= kInBlockSkipBits; ++skip) starts.push_back({errorBit + skip, failedOut});
  const int64_t mustPass = errorBit + 16;
  int64_t bestScore = -1;
  Mark best{};
  int bestPad = 0;
  MarkupCheck bestCheck;
  for (const Mark& m : starts) {
    // The markup state just before the shortest cut, then one byte at a time.
    const size_t low = m.out - std::min<size_t>(m.out, kRepairSlack);
    MarkupCheck check;
    check.lose();
    for (size_t i = low - std::min<size_t>(low, 256); i < low; ++i) {
      if (piece_.bytes[i] == kUnknownByte || !check.accept(static_cast<uint8_t>(piece_.bytes[i]))) check.lose();
    }
    for (int j = -static_cast<int>(m.out - low); j <= kRepairSlack; ++j) {
      const size_t keep = j <= 0 ? m.out + j : m.out;
      const int pad = j <= 0 ? 0 : j;
      if (j > 0) check.lose();
      const int64_t score = trialRepair(m.bit, keep, pad, check, mustPass);
      const bool better = score > bestScore || (score == bestScore && std::abs(j) < std::abs(bestPad));
      if (score >= 0 && better) {
        bestScore = score;
        best = {m.bit, keep};
        bestPad = pad;
        bestCheck = check;
      }
      if (j < 0) {
        const char c = piece_.bytes[keep];
        if (c == kUnknownByte || !check.accept(static_cast<uint8_t>(c))) check.lose();
      }
    }
    if (stopped()) {
      stop_ = true;
      return false;
    }
  }
  if (bestScore < kRepairReach) return false;
  int64_t trustedBit = errorBit;  // where the bytes kept end, at the latest
  if (best.bit >= errorBit) {
    // Decoding goes on past the break, not from before it: what the last
    // kDistrustBits before it gave (kDistrustBytes at the least) came from
    // the damage, or was decoded out of step by it.
    size_t trusted = best.out - std::min(best.out, kDistrustBytes);
    for (const Mark& m : starts) {
      if (m.bit <= errorBit - kDistrustBits) {
        trusted = std::min(trusted, m.out);
        trustedBit = m.bit;
        break;
      }
    }
    bestPad += static_cast<int>(best.out - trusted);
    best.out = trusted;
  }
  total_ = total_ - (piece_.bytes.size() - best.out) + static_cast<size_t>(bestPad);
  cutPiece(best.out);
  piece_.bytes.append(static_cast<size_t>(bestPad), kUnknownByte);
  check_ = bestCheck;
  for (int i = 0; i < bestPad; ++i) check_.lose();
  markupBroke_ = false;
  lastTagOut_ = std::min(lastTagOut_, piece_.bytes.size());
  knownSinceTag_ = 0;
  tagsSeen_ = check_.tags();
  historyCount_ = 0;
  const int64_t from = std::min({best.bit, errorBit, trustedBit}), to = std::max(best.bit, errorBit);
  outcome_.gaps.push_back({from >> 3, std::max((from >> 3) + 1, to >> 3), bestPad});
  pos_ = best.bit;
  return true;
}

// A break soon after a block's start: the block's header (its code tables)
// may hold the damaged byte. Every value of every byte from the block's
// start to the break is tried, while the stream's budget lasts; the one whose block then decodes furthest
// past the break with whole markup is kept, if it gets far enough.
bool Decoder::repairHeader(int64_t blockStart, int64_t faultBit) {
  if (blockStart == headerTried_ || headerRepairs_ >= kMaxHeaderRepairs || repairSpent_ > repairBudget_) return false;
  headerTried_ = blockStart;
  ++headerRepairs_;
  if (repairLengths(blockStart)) return true;  // a few code lengths wrong: cheaper than every byte
  const HuffmanCode* savedLit = curLit_;
  const HuffmanCode* savedDist = curDist_;
  const int64_t first = blockStart >> 3;
  const int64_t last = std::min({(faultBit >> 3) + 1, first + kHeaderRepairBytes, (totalBits_ >> 3) - 1});
  int64_t bestReach = -1, bestAt = -1;
  uint8_t bestValue = 0;
  // From the break backwards: the damage is most likely just before it, so among equals the later byte wins.
  for (int64_t at = last; at >= first && repairSpent_ <= repairBudget_; --at) {
    const uint8_t original = data_[at];
    for (int v = 0; v < 256 && repairSpent_ <= repairBudget_; ++v) {
      if (v == original) continue;
      data_[at] = static_cast<uint8_t>(v);
      repairSpent_ += 32;  // a header's parse costs about as much as this many symbols
      pos_ = blockStart + 1;
      const int64_t type = bits(2);
      if (type == 1) {
        curLit_ = &FixedLiteralCode();
        curDist_ = &FixedDistanceCode();
      } else if (type == 2 && dynamicTables(trialLit_, trialDist_) == Result::kMore) {
        curLit_ = &trialLit_;
        curDist_ = &trialDist_;
      } else {
        continue;
      }
      const int64_t reach = trialRepair(pos_, piece_.bytes.size(), 0, check_, faultBit);
      if (reach > bestReach) {
        bestReach = reach;
        bestAt = at;
        bestValue = static_cast<uint8_t>(v);
      }
    }
    data_[at] = original;
    if (stopped()) {
      stop_ = true;
      break;
    }
  }
  curLit_ = savedLit;
  curDist_ = savedDist;
  if (stop_ || bestReach < kRepairReach) return false;
  curLit_ = nullptr;
  data_[bestAt] = bestValue;
  outcome_.gaps.push_back({bestAt, bestAt + 1, 0});  // the byte mended, no output is lost
  pos_ = blockStart;
  return true;
}

}  // namespace kw::inflate
