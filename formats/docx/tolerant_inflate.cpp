// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/tolerant_inflate.h"

#include <algorithm>

#include "formats/docx/inflate_decoder.h"

namespace kw {

namespace inflate {

Result Decoder::dynamicTables(HuffmanCode& lit, HuffmanCode& dist) {
  const int64_t nlen = bits(5), ndist = bits(5), ncode = bits(4);
  if (ncode < 0) return Result::kNoInput;
  if (nlen + 257 > 286 || ndist + 1 > 30) return Result::kError;
  std::array<uint8_t, 320> lengths{};
  for (int i = 0; i < ncode + 4; ++i) {
    const int64_t v = bits(3);
    if (v < 0) return Result::kNoInput;
    lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(v);
  }
  HuffmanCode lencode;
  if (!BuildHuffman(lencode, lengths.data(), 19, false)) return Result::kError;
  const int n = static_cast<int>(nlen + 257 + ndist + 1);
  lengths.fill(0);
  for (int i = 0; i < n;) {
    const int sym = decode(lencode);
    if (sym == -2) return Result::kNoInput;
    if (sym < 0) return Result::kError;
    if (sym < 16) {
      lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    if (sym == 16 && i == 0) return Result::kError;
    const uint8_t value = sym == 16 ? lengths[i - 1] : 0;
    const int64_t extra = bits(sym == 16 ? 2 : sym == 17 ? 3 : 7);
    if (extra < 0) return Result::kNoInput;
    int64_t repeat = (sym == 18 ? 11 : 3) + extra;
    if (i + repeat > n) return Result::kError;
    while (repeat-- > 0) lengths[i++] = value;
  }
  if (lengths[256] == 0) return Result::kError;  // no end-of-block code
  if (!BuildHuffman(lit, lengths.data(), static_cast<int>(nlen + 257))) return Result::kError;
  if (!BuildHuffman(dist, lengths.data() + nlen + 257, static_cast<int>(ndist + 1))) return Result::kError;
  return Result::kMore;
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
    if constexpr (kEmit) history_[historyCount_++ % kHistory] = {pos_, out.size()};
    const int sym = decode(lit);
    if (sym == -2) return Result::kNoInput;
    if (sym < 0 || sym > 285) return Result::kError;
    *symbols += 1;
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
        if (options_.textual && !watchTags(1)) return Result::kError;
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
      if (total_ + length > options_.outputLimit) return Result::kLimit;
      int64_t unknown = 0;
      for (int64_t k = 0; k < length; ++k) {
        const int64_t from = static_cast<int64_t>(out.size()) - distance;
        const char c = from < 0 ? kUnknownByte : out[from];
        out.push_back(c);
        if (!options_.textual) continue;
        if (c == kUnknownByte) {
          ++unknown;
          check.lose();
        } else if (!check.accept(static_cast<uint8_t>(c))) {
          markupBroke_ = true;
          return Result::kError;
        }
      }
      total_ += length;
      if (options_.textual && !watchTags(static_cast<size_t>(length - unknown))) return Result::kError;
    } else {
      check.lose();
    }
  }
  return Result::kMore;
}

void Decoder::breakPiece(int64_t errorBit, int64_t resumeBit) {
  finishPiece(errorBit);
  check_.lose();
  tagsSeen_ = check_.tags();
  lastTagOut_ = 0;
  knownSinceTag_ = 0;
  lastTagBit_ = resumeBit;
  historyCount_ = 0;
  outcome_.gaps.push_back({errorBit >> 3, std::max(errorBit, resumeBit) >> 3});
  piece_ = InflatePiece{{}, false, resumeBit >> 3, 0};
  resumedAt_ = resumeBit;
  pos_ = resumeBit;
}

void Decoder::finishPiece(int64_t endBit) {
  if (markupBroke_) {
    // The decoder was out of step for a while before the markup showed it.
    piece_.bytes.resize(piece_.bytes.size() - std::min(piece_.bytes.size(), kDistrustBytes));
    markupBroke_ = false;
  }
  if (blind_) {
    piece_.bytes.resize(std::min(piece_.bytes.size(), lastTagOut_));
    blind_ = false;
  }
  piece_.inputEnd = std::min(totalBits_, endBit + 7) >> 3;
  if (!piece_.bytes.empty()) outcome_.pieces.push_back(std::move(piece_));
  piece_ = InflatePiece{};
}

// Tries the broken block's own tables a few bits further on: a damaged byte
// throws the codes out of step, and they usually fall back into step soon.
bool Decoder::resumeInBlock(int64_t errorBit) {
  for (int skip = 1; skip <= kResumeSkipBits && repairSpent_ <= repairBudget_; ++skip) {
    pos_ = errorBit + skip;
    int64_t symbols = 0;
    const Result r = codes<false>(*curLit_, *curDist_, kTrialSymbols, &symbols);
    repairSpent_ += symbols;
    // With every earlier byte unknown, only whole tags written from literals show that the codes are in step.
    if (trialCheck_.tags() >= kTrialTags && (r == Result::kMore || r == Result::kEnd || r == Result::kNoInput)) {
      breakPiece(errorBit, errorBit + skip);
      return true;
    }
  }
  return false;
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
    if (curLit_ != nullptr && !blind_ && options_.textual && repairByte(errorBit)) continue;
    if (curLit_ != nullptr && !blind_ && options_.textual && repairInBlock(errorBit)) continue;
    if (curLit_ != nullptr && !blind_ && resumeInBlock(errorBit)) continue;
    if (stop_) break;
    const int64_t from = std::max(resumedAt_ + 1, errorBit - kLookBackBits);
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

void Decoder::settle(const InflateOutcome& outcome) {
  RepairBudget* budget = options_.budget;
  if (budget == nullptr) return;
  budget->symbols -= std::max<int64_t>(repairSpent_, 0);
  budget->positions -= std::min(searchSpent_, searchBudget_);
  // A damaged stream whose trials stopped at the package's limit, not its own.
  const bool cut = (sharedRepairs_ && repairSpent_ >= repairBudget_) || (sharedSearch_ && searchSpent_ > searchBudget_);
  if (cut && options_.resync && !outcome.gaps.empty()) ++budget->skipped;
}

}  // namespace inflate

size_t TextPrefix(std::string_view bytes) {
  const auto bad = std::find_if(bytes.begin(), bytes.end(), [](char c) { return inflate::NotText(uint8_t(c)); });
  return static_cast<size_t>(bad - bytes.begin());
}

InflateOutcome TolerantInflate(std::string_view input, const TolerantInflateOptions& options, YieldClock* clock) {
  inflate::Decoder decoder(input, options, clock);
  InflateOutcome outcome = decoder.run();
  decoder.settle(outcome);
  return outcome;
}

}  // namespace kw
