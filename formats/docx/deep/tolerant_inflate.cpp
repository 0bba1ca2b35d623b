// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/tolerant_inflate.h"

#include <algorithm>

#include "formats/docx/deep/inflate_decoder.h"

namespace kw {

namespace inflate {

Result Decoder::readCounts(HeaderLengths& h) {
  const int64_t nlen = bits(5), ndist = bits(5), ncode = bits(4);
  if (ncode < 0) return Result::kNoInput;
  if (nlen + 257 > 286 || ndist + 1 > 30) return Result::kError;
  h.nlit = static_cast<int>(nlen + 257);
  h.ndist = static_cast<int>(ndist + 1);
  h.ncode = static_cast<int>(ncode + 4);
  for (int i = 0; i < h.ncode; ++i) {
    const int64_t v = bits(3);
    if (v < 0) return Result::kNoInput;
    h.cl[kCodeLengthOrder[i]] = static_cast<uint8_t>(v);
  }
  return Result::kMore;
}

Result Decoder::readLengths(const HuffmanCode& lencode, HeaderLengths& h) {
  const int n = h.nlit + h.ndist;
  h.lengths.fill(0);
  for (int i = 0; i < n;) {
    const int sym = decode(lencode);
    if (sym == -2) return Result::kNoInput;
    if (sym < 0) return Result::kError;
    if (sym < 16) {
      h.lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    if (sym == 16 && i == 0) return Result::kError;
    const uint8_t value = sym == 16 ? h.lengths[i - 1] : 0;
    const int64_t extra = bits(sym == 16 ? 2 : sym == 17 ? 3 : 7);
    if (extra < 0) return Result::kNoInput;
    int64_t repeat = (sym == 18 ? 11 : 3) + extra;
    if (i + repeat > n) return Result::kError;
    while (repeat-- > 0) h.lengths[i++] = value;
  }
  return Result::kMore;
}

bool BuildTables(const HeaderLengths& h, HuffmanCode& lit, HuffmanCode& dist) {
  return h.lengths[256] != 0 &&  // an end-of-block code
         BuildHuffman(lit, h.lengths.data(), h.nlit) && BuildHuffman(dist, h.lengths.data() + h.nlit, h.ndist);
}

Result Decoder::dynamicTables(HuffmanCode& lit, HuffmanCode& dist) {
  HeaderLengths h;
  const Result counted = readCounts(h);
  if (counted != Result::kMore) return counted;
  HuffmanCode lencode;
  if (!BuildHuffman(lencode, h.cl.data(), 19, false)) return Result::kError;
  const Result read = readLengths(lencode, h);
  if (read != Result::kMore) return read;
  return BuildTables(h, lit, dist) ? Result::kMore : Result::kError;
}

Result Decoder::stored(int64_t blockStart) {
  pos_ = (pos_ + 7) & ~int64_t{7};
  const int64_t len = bits(16), nlen = bits(16);
  if (nlen < 0) return Result::kNoInput;
  if (len != (~nlen & 0xFFFF)) {
    errorBit_ = blockStart;
    return Result::kError;
  }
  const int64_t at = pos_ >> 3;
  const int64_t have = std::min<int64_t>(len, (totalBits_ >> 3) - at);
  const size_t room = options_.outputLimit - total_;
  const size_t take = std::min<size_t>(static_cast<size_t>(have), room);
  piece_.bytes.append(reinterpret_cast<const char*>(data_ + at), take);
  total_ += take;
  pos_ += static_cast<int64_t>(take) * 8;
  if (take < static_cast<size_t>(have)) return Result::kLimit;
  return have < len ? Result::kNoInput : Result::kEnd;
}

template <bool kEmit>
Result Decoder::codes(const HuffmanCode& lit, const HuffmanCode& dist, int64_t maxSymbols, int64_t* symbols) {
  std::string& out = piece_.bytes;
  trialCheck_ = MarkupCheck();
  trialCheck_.lose();
  MarkupCheck& check = kEmit ? check_ : trialCheck_;
  for (int64_t n = 0; n < maxSymbols; ++n) {
    if constexpr (kEmit) {
      if ((n & 0xFFF) == 0xFFF && stopped()) {
        stop_ = true;
        return Result::kNoInput;
      }
    }
    errorBit_ = pos_;
    if constexpr (kEmit) {
      if (out.size() >= restartOut_) restartPiece();
      history_[historyCount_++ % kHistory] = {pos_, out.size()};
    }
    const int sym = decode(lit);
    if (sym == -2) return Result::kNoInput;
    if (sym < 0 || sym > 285) return Result::kError;
    *symbols += 1;
    if constexpr (kEmit) {
      if (options_.textual && repeated(sym)) {
        cutPiece(std::min(out.size(), repeatOut_));
        errorBit_ = repeatBit_;
        return Result::kError;
      }
    }
    if constexpr (kEmit) followCopy(out, static_cast<char>(sym), sym < 256);
    if (sym < 256) {
      if (options_.textual) {
        if (NotText(static_cast<uint8_t>(sym))) return Result::kError;
        if (!check.accept(static_cast<uint8_t>(sym))) {
          markupBroke_ = kEmit;
          return Result::kError;
        }
      }
      if constexpr (kEmit) {
        if (total_ >= options_.outputLimit) return Result::kLimit;
        out.push_back(static_cast<char>(sym));
        ++total_;
        if (options_.textual && !watchTags(1, sym == '>' && !piece_.fromStart)) return Result::kError;
      }
      continue;
    }
    if (sym == 256) return Result::kEnd;
    const int li = sym - 257;
    const int64_t extra = bits(kLengthExtra[li]);
    if (extra < 0) return Result::kNoInput;
    const int64_t length = kLengthBase[li] + extra;
    const int ds = decode(dist);
    if (ds == -2) return Result::kNoInput;
    if (ds < 0 || ds > 29) return Result::kError;
    const int64_t dextra = bits(kDistExtra[ds]);
    if (dextra < 0) return Result::kNoInput;
    const int64_t distance = kDistBase[ds] + dextra;
    if constexpr (kEmit) {
      if (piece_.fromStart && distance > static_cast<int64_t>(out.size())) return Result::kError;
      const int64_t from = static_cast<int64_t>(out.size()) - distance;
      followCopy(out, from < 0 ? kUnknownByte : out[static_cast<size_t>(from)], from >= 0);
      copyDistance_ = length < kMaxCopy ? distance : 0;
      if (total_ + length > options_.outputLimit) return Result::kLimit;
      int64_t unknown = 0;
      bool closed = false;
      for (int64_t k = 0; k < length; ++k) {
        const int64_t from = static_cast<int64_t>(out.size()) - distance;
        const char c = from < 0 ? kUnknownByte : out[from];
        if (c == kUnknownByte && !piece_.fromStart) noteUnknown(out.size(), from);
        out.push_back(c);
        if (!options_.textual) continue;
        if (c == kUnknownByte) {
          ++unknown;
          check.lose();
        } else if (c == '>' && !piece_.fromStart) {
          closed = true;  // the end of a tag whose start was copied from the unknown
          check.accept('>');
        } else if (!check.accept(static_cast<uint8_t>(c))) {
          markupBroke_ = true;
          return Result::kError;
        }
      }
      total_ += length;
      // In a resumed piece, whole tags are mostly copies of unknown bytes.
      closed = closed || (unknown > 0 && !piece_.fromStart);
      if (options_.textual && !watchTags(static_cast<size_t>(length - unknown), closed)) return Result::kError;
    } else {
      check.lose();
    }
  }
  return Result::kMore;
}

void Decoder::startPiece(int64_t bit) {
  gramsUpTo_ = 0;
  pairsUpTo_ = 0;
  copyDistance_ = 0;
  check_.lose();
  tagsSeen_ = check_.tags();
  lastTagOut_ = 0;
  knownSinceTag_ = 0;
  lastTagBit_ = bit;
  historyCount_ = 0;
  origins_.clear();
  direct_.clear();
  resumedAt_ = bit;
  repeatSym_ = -1;  // a run of one code counts within the new piece only
  restartOut_ = SIZE_MAX;
}

void Decoder::breakPiece(int64_t errorBit, int64_t resumeBit) {
  finishPiece(errorBit);
  startPiece(resumeBit);
  outcome_.gaps.push_back({errorBit >> 3, std::max(errorBit, resumeBit) >> 3});
  breakBefore_ = {breakBefore_.number + 1, static_cast<int64_t>(outcome_.gaps.size()) - 1, resumeBit};
  breakBefore_.perBit = curLit_ != nullptr ? MostBytesPerBit(*curLit_, *curDist_) : 0;
  piece_ = InflatePiece{{}, false, resumeBit >> 3, 0};
  pos_ = resumeBit;
  for (size_t k = 0; k < restarts_.size(); ++k) {
    const Restart& r = restarts_[k];
    if (r.breakNumber != breakBefore_.number || r.resumeBit != resumeBit) continue;
    restartOut_ = r.out;
    breakBefore_.restart = static_cast<int>(k);
  }
}

void Decoder::restartPiece() {
  breakBefore_.dropped = piece_.bytes.size();
  total_ -= piece_.bytes.size();
  piece_.bytes.clear();
  startPiece(pos_);
  markupBroke_ = false;
  piece_.inputBegin = pos_ >> 3;
  breakBefore_.resumeBit = pos_;
  // The head's input gave no output that holds: it belongs to the gap.
  if (breakBefore_.gap >= 0) outcome_.gaps[static_cast<size_t>(breakBefore_.gap)].inputEnd = pos_ >> 3;
}

void Decoder::noteUnknown(size_t at, int64_t from) {
  if (origins_.size() >= kMaxOrigins) return;
  if (from < 0) {
    origins_.push_back({static_cast<uint32_t>(at), static_cast<int32_t>(from)});
    direct_.push_back(true);
    return;
  }
  // A copy of an earlier unknown byte of this piece comes from where that one did.
  const auto it = std::lower_bound(origins_.begin(), origins_.end(), static_cast<uint32_t>(from),
                                   [](const Origin& o, uint32_t v) { return o.at < v; });
  if (it != origins_.end() && it->at == static_cast<uint32_t>(from)) {
    origins_.push_back({static_cast<uint32_t>(at), it->from});
    direct_.push_back(false);
  }
}

void Decoder::cutPiece(size_t size) {
  piece_.bytes.resize(size);
  gramsUpTo_ = std::min(gramsUpTo_, size);
  pairsUpTo_ = std::min(pairsUpTo_, size);
  copyDistance_ = 0;
  if (notMaximalAt_ > size) notMaximalAt_ = SIZE_MAX;  // seen in output decoded out of step
  while (!origins_.empty() && origins_.back().at >= size) {
    origins_.pop_back();
    direct_.pop_back();
  }
}

void Decoder::finishPiece(int64_t endBit) {
  if (markupBroke_) {
    // The decoder was out of step for a while before the markup showed it.
    cutPiece(piece_.bytes.size() - std::min(piece_.bytes.size(), kDistrustBytes));
    markupBroke_ = false;
  }
  if (blind_) {
    cutPiece(std::min(piece_.bytes.size(), lastTagOut_));
    blind_ = false;
  }
  piece_.inputEnd = std::min(totalBits_, endBit + 7) >> 3;
  if (!piece_.bytes.empty()) {
    outcome_.pieces.push_back(std::move(piece_));
    pieceOrigins_.push_back(std::move(origins_));
    pieceDirect_.push_back(std::move(direct_));
    pieceBreaks_.push_back(breakBefore_);
  }
  origins_.clear();
  direct_.clear();
  piece_ = InflatePiece{};
}

// Tries the broken block's own tables a few bits further on: a damaged byte
// throws the codes out of step, and they usually fall back into step soon.
bool Decoder::resumeInBlock(int64_t errorBit) {
  const int64_t from = pastWiped(errorBit);
  const int64_t reach = std::min<int64_t>(kResumeSkipBits, totalBits_ - from);
  for (int skip = 1; skip <= reach && repairSpent_ <= repairBudget_; ++skip) {
    if ((skip & 0xFF) == 0 && stopped()) {
      stop_ = true;
      return false;
    }
    if (trialResume(from + skip)) {
      // A piece that broke before where it began (a run of one code counts
      // from before it) resumes past where it began, so that decoding goes on.
      // Past a wiped stretch the codes are in step where the decodings from
      // each bit near its end meet, and what follows is the stream's own:
      // no head of garbage is cut there, lest the pair model, which has
      // learned little before a stretch near the start, cut the text too.
      // Begun inside damage of another kind, they would meet inside it:
      // there the head of garbage is cut instead.
      const int64_t met = from > errorBit ? inStep(from + skip) : -1;
      const int64_t start = met >= 0 ? std::max(met, settled(from + skip)) : pastGarbage(settled(from + skip));
      if (start <= resumedAt_ && !piece_.fromStart) continue;
      breakPiece(errorBit, start);
      return true;
    }
  }
  return false;
}

int64_t Decoder::pastWiped(int64_t bit) const {
  const int64_t bytes = totalBits_ >> 3;
  const int64_t first = std::max<int64_t>(0, (bit >> 3) - kWipedBytes), last = std::min(bytes, (bit >> 3) + kWipedLead);
  for (int64_t at = first; at < last; ++at) {
    if (data_[at] != 0x00 && data_[at] != 0xFF) continue;
    int64_t end = at + 1;
    while (end < bytes && data_[end] == data_[at]) ++end;
    if (end - at >= kWipedBytes) return std::max(bit, end * 8);
    at = end - 1;
  }
  return bit;
}

// The first symbol start at least kSettleBits past `bit`, decoding from it
// with the current tables (`bit` when they break before). Codes read from
// a bit inside the damage write its bytes, or fall into step only after a
// few symbols, and later copies would spread those wrong bytes as known:
// the piece starts past them, where the codes are in step, so that they
// are unknown instead.
int64_t Decoder::settled(int64_t bit) {
  pos_ = bit;
  int64_t symbols = 0;
  int sym = 0;
  while (pos_ < bit + kSettleBits) {
    const int64_t start = pos_;
    ++symbols;
    if (!skipSymbol(&sym)) return sym == 256 && start != bit ? start : bit;
  }
  repairSpent_ += symbols;
  return pos_;
}

// Decodes from `bit` with the current tables as a piece of its own (bytes
// copied from before it unknown, from within it known) and checks all it
// writes: in step, the codes write whole markup until the block ends, the
// input ends or the trial has gone far enough; out of step, they soon break
// it. True when they wrote whole tags and nothing broke.
bool Decoder::trialResume(int64_t bit) {
  pos_ = bit;
  trial_.clear();
  MarkupCheck check;
  check.lose();
  int64_t symbols = 0, literals = 0;
  std::array<bool, 256> seen{};
  int distinct = 0;
  bool clean = false;
  while (symbols < kResumeTrialSymbols) {
    ++symbols;
    const int sym = decode(*curLit_);
    if (sym == -2 || sym == 256) {
      clean = true;
      break;
    }
    if (sym < 0 || sym > 285) break;
    if (sym < 256) {
      if (NotText(static_cast<uint8_t>(sym)) || !check.accept(static_cast<uint8_t>(sym))) break;
      trial_.push_back(static_cast<char>(sym));
      ++literals;
      distinct += seen[sym] ? 0 : 1;
      seen[sym] = true;
      continue;
    }
    const int li = sym - 257;
    const int64_t extra = bits(kLengthExtra[li]);
    const int ds = decode(*curDist_);
    if (extra < 0 || ds == -2) {
      clean = true;
      break;
    }
    if (ds < 0 || ds > 29) break;
    const int64_t dextra = bits(kDistExtra[ds]);
    if (dextra < 0) {
      clean = true;
      break;
    }
    const int64_t distance = kDistBase[ds] + dextra, length = kLengthBase[li] + extra;
    bool fault = false;
    for (int64_t k = 0; k < length && !fault; ++k) {
      const int64_t from = static_cast<int64_t>(trial_.size()) - distance;
      const char c = from < 0 ? kUnknownByte : trial_[static_cast<size_t>(from)];
      trial_.push_back(c);
      if (c == kUnknownByte)
        check.lose();
      else
        fault = !check.accept(static_cast<uint8_t>(c));
    }
    if (fault) break;
  }
  if (symbols >= kResumeTrialSymbols) clean = true;
  repairSpent_ += symbols;
  // Text and tags decoded from literals, not a run of one code (as zeros give).
  return clean && (check.tags() >= kTrialTags || (literals >= kTrialLiterals && distinct >= kTrialDistinct));
}

// Searches bit by bit for the next block that decodes cleanly to its end.
bool Decoder::resumeAtBlock(int64_t errorBit, int64_t from) {
  for (int64_t at = from; at + 3 <= totalBits_; ++at) {
    if ((at & 0xFFF) == 0 && stopped()) {
      stop_ = true;
      return false;
    }
    if (++searchSpent_ > searchBudget_) return false;
    pos_ = at + 1;
    const int64_t type = bits(2);
    int64_t symbols = 0;
    if (type == 0) {
      pos_ = (pos_ + 7) & ~int64_t{7};
      const int64_t len = bits(16), nlen = bits(16);
      if (nlen < 0 || len != (~nlen & 0xFFFF) || (pos_ >> 3) + len > (totalBits_ >> 3)) continue;
      const bool final = (data_[at >> 3] >> (at & 7)) & 1;
      if (final && (pos_ >> 3) + len + kFinalSlackBytes < (totalBits_ >> 3)) continue;  // a last block ends the input
      const uint8_t* p = data_ + (pos_ >> 3);
      if (options_.textual && std::any_of(p, p + len, NotText)) continue;
    } else if (type == 1) {
      const Result r = codes<false>(FixedLiteralCode(), FixedDistanceCode(), kMinFixedSymbols, &symbols);
      if (!(r == Result::kMore || (r == Result::kNoInput && symbols >= kMinCutSymbols))) continue;
    } else if (type == 2) {
      if (dynamicTables(trialLit_, trialDist_) != Result::kMore) continue;
      const Result r = codes<false>(trialLit_, trialDist_, kDynamicTrialSymbols, &symbols);
      if (!(r == Result::kMore || r == Result::kEnd || (r == Result::kNoInput && symbols >= kMinCutSymbols))) continue;
    } else {
      continue;
    }
    curLit_ = nullptr;
    breakPiece(errorBit, at);
    return true;
  }
  return false;
}

InflateOutcome Decoder::run() {
  while (!stop_) {
    Result r = Result::kMore;
    if (curLit_ == nullptr) {
      const int64_t blockStart = pos_;
      errorBit_ = blockStart;
      historyCount_ = 0;
      blockStart_ = blockStart;
      blockSymbols_ = 0;
      curFinal_ = bit() == 1;
      const int64_t type = bits(2);
      if (type < 0) {
        r = Result::kNoInput;
      } else if (type == 0) {
        r = stored(blockStart);
      } else if (type == 1) {
        curLit_ = &FixedLiteralCode();
        curDist_ = &FixedDistanceCode();
      } else if (type == 2) {
        r = dynamicTables(lit_, dist_);
        if (r == Result::kMore) {
          curLit_ = &lit_;
          curDist_ = &dist_;
        } else if (r == Result::kError) {
          errorBit_ = blockStart;
        }
      } else {
        r = Result::kError;
      }
    }
    if (curLit_ != nullptr && r == Result::kMore) {
      int64_t symbols = 0;
      r = codes<true>(*curLit_, *curDist_, INT64_MAX, &symbols);
      blockSymbols_ += symbols;
      // errorBit_ is where the end code began, and the block's tables stay for the repairs.
      if (r == Result::kEnd && curFinal_ && options_.resync && ((pos_ + 7) >> 3) + kTrailBytes < (totalBits_ >> 3))
        r = Result::kError;
      if (r == Result::kEnd) curLit_ = nullptr;
    }
    if (r == Result::kEnd) {
      if (!curFinal_) continue;
      outcome_.ended = true;
      outcome_.consumed = (pos_ + 7) >> 3;
      break;
    }
    if (r == Result::kMore) continue;
    if (r == Result::kNoInput) {
      outcome_.inputEnded = !stop_;
      break;
    }
    if (r == Result::kLimit) {
      outcome_.limitReached = true;
      break;
    }
    // Damage: keep the piece, and resume after it when asked to.
    const int64_t errorBit = errorBit_;
    if (!options_.resync) {
      finishPiece(errorBit);
      outcome_.gaps.push_back({errorBit >> 3, totalBits_ >> 3});
      return std::move(outcome_);
    }
    const int64_t failedAt = std::max(errorBit, pos_);  // a header fails where its parse stopped
    if (options_.textual && !blind_ && blockSymbols_ < kHeaderRepairSymbols && repairHeader(blockStart_, failedAt)) {
      continue;
    }
    // A break soon after a repair, again and again, says that the repairs
    // were wrong (they put the output out of place, and each later copy
    // reads the wrong bytes): the codes resume in a new piece instead.
    repairChain_ = errorBit - lastRepairAt_ < kRepairProofBits ? repairChain_ + 1 : 0;
    const bool repairable = curLit_ != nullptr && !blind_ && options_.textual && repairChain_ < kMaxRepairChain;
    if (repairable && repairByte(errorBit)) {
      lastRepairAt_ = errorBit;
      continue;
    }
    if (repairable && repairInBlock(errorBit)) {
      lastRepairAt_ = errorBit;
      continue;
    }
    if (curLit_ != nullptr && !blind_ && resumeInBlock(errorBit)) continue;
    // A resumed piece that went on too long without a whole tag began in the
    // damage: by now its codes are in step, and a new piece starts here.
    if (curLit_ != nullptr && blind_ && !piece_.fromStart && pos_ > errorBit && resumeInBlock(pos_)) continue;
    if (stop_) break;
    const int64_t from = std::max({resumedAt_ + 1, errorBit - kLookBackBits, pastWiped(errorBit)});
    curLit_ = nullptr;
    if (resumeAtBlock(errorBit, from)) continue;
    if (stop_) break;
    finishPiece(errorBit);
    outcome_.gaps.push_back({errorBit >> 3, totalBits_ >> 3});
    return std::move(outcome_);
  }
  finishPiece(pos_);
  return std::move(outcome_);
}

void Decoder::settle(const InflateOutcome& outcome, bool last) {
  RepairBudget* budget = options_.budget;
  if (budget == nullptr) return;
  budget->symbols -= std::max<int64_t>(repairSpent_, 0) + joinSpent_;
  budget->positions -= std::min(searchSpent_, searchBudget_);
  // A damaged stream whose trials stopped at the package's limit, not its own.
  const bool cut = (sharedRepairs_ && repairSpent_ >= repairBudget_) || (sharedSearch_ && searchSpent_ > searchBudget_);
  if (last && cut && options_.resync && !outcome.gaps.empty()) ++budget->skipped;
}

}  // namespace inflate

size_t TextPrefix(std::string_view bytes) {
  const auto bad = std::find_if(bytes.begin(), bytes.end(), [](char c) { return inflate::NotText(uint8_t(c)); });
  return static_cast<size_t>(bad - bytes.begin());
}

InflateOutcome TolerantInflate(std::string_view input, const TolerantInflateOptions& options, YieldClock* clock) {
  inflate::Decoder decoder(input, options, clock);
  InflateOutcome outcome = decoder.run();
  if (!options.textual || !options.resync) {
    decoder.settle(outcome);
    return outcome;
  }
  decoder.join(&outcome);
  if (decoder.restarts().empty() || (clock != nullptr && clock->stopped())) {
    decoder.settle(outcome);
    return outcome;
  }
  // Some pieces began inside the damage: decoded again, they begin past the
  // bytes it gave. The second decoding starts from the same budget, so
  // that it takes the same steps up to there; the package pays for both.
  inflate::Decoder again(input, options, clock, decoder.restarts());
  InflateOutcome second = again.run();
  again.join(&second);
  decoder.settle(outcome, false);
  again.settle(second);
  return again.restartsHeld() ? second : outcome;
}

}  // namespace kw
