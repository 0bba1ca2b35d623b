#include "formats/docx/tolerant_inflate.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "base/yield_clock.h"
#include "formats/docx/markup_check.h"

namespace kw {

namespace {

constexpr int kMaxCodeBits = 15;
constexpr int kInBlockSkipBits = 32;      // how far past a break the broken block's tables are tried
constexpr int kResumeSkipBits = 2048;     // how far past a break that cannot be repaired decoding may resume
constexpr int kRepairBackBits = 512;      // how far before a break its real start is looked for
constexpr int kRepairSlack = 24;          // how many bytes the damaged codes may have added or lost
constexpr int64_t kRepairReach = 96;      // bits that must decode past a break to accept a repair
constexpr int64_t kRepairHorizon = 4096;  // a trial stops when it gets this far
constexpr int64_t kRepairBudget = int64_t{40} << 20;  // trial symbols per stream, so hostile input stays fast
constexpr size_t kHistory = 256;                      // symbol starts remembered for repairs
constexpr int64_t kHeaderRepairSymbols = 64;          // a break this early in a block may be a damaged header
constexpr int64_t kHeaderRepairBytes = 200;           // how many bytes from a block's start are tried
constexpr int kMaxHeaderRepairs = 16;                 // per stream, as each tries every value of every byte
constexpr int64_t kTrialSymbols = 400;                // symbols a resume inside a block is tried on
constexpr uint64_t kTrialTags = 2;                    // whole tags they must write
constexpr int64_t kMinFixedSymbols = 200;             // a fixed-code block found by search must be this long
constexpr int64_t kMinCutSymbols = 64;                // a block cut by the input's end must be this long
constexpr int64_t kDynamicTrialSymbols = 32;          // a block found by search must decode this far
// Text output longer than this without one whole tag is taken for garbage
// (codes decoded with the wrong tables), in a piece that resumed and in one
// from the start.
constexpr size_t kBlindResumed = 4096;
constexpr size_t kBlindFromStart = 8192;
constexpr int64_t kFinalSlackBytes = 8;  // what may follow a stream's last block
constexpr int64_t kLookBackBits = 256;   // the search starts this far before the break
constexpr size_t kDistrustBytes = 32;    // output just before a break noticed in the markup is dropped

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A canonical Huffman code: how many codes each length has, and the symbols
// in code order.
struct Huffman {
  std::array<uint16_t, kMaxCodeBits + 1> count{};
  std::array<uint16_t, 320> symbol{};
};

// Builds `h` from code lengths. True when the code is usable: complete, or
// (when `allowSingle`) a single code of one bit.
bool Build(Huffman& h, const uint8_t* lengths, int n, bool allowSingle = true) {
  h.count.fill(0);
  for (int i = 0; i < n; ++i) ++h.count[lengths[i]];
  if (h.count[0] == n) return false;
  int left = 1;
  for (int len = 1; len <= kMaxCodeBits; ++len) {
    left = (left << 1) - h.count[len];
    if (left < 0) return false;  // over-subscribed
  }
  std::array<uint16_t, kMaxCodeBits + 2> offset{};
  for (int len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + h.count[len];
  for (int i = 0; i < n; ++i) {
    if (lengths[i] != 0) h.symbol[offset[lengths[i]]++] = static_cast<uint16_t>(i);
  }
  const bool single = h.count[0] == n - 1 && h.count[1] == 1;
  return left == 0 || (allowSingle && single);
}

// A byte that XML text never holds: most control characters, and the two
// bytes that never occur in UTF-8.
bool NotText(uint8_t b) { return (b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b >= 0xFE; }

// ASCII that a package's XML rarely holds: when two repairs reach equally
// far, the one that wrote fewer of these is more likely right.
bool Odd(uint8_t b) {
  return b == '[' || b == ']' || b == '^' || b == '\\' || b == '`' || b == '{' || b == '}' || b == '|' || b == '~';
}
constexpr int64_t kOddPenaltyBits = 64;

enum class Result { kEnd, kMore, kError, kNoInput, kLimit };

class Decoder {
 public:
  Decoder(std::string_view input, const TolerantInflateOptions& options, YieldClock* clock)
      : own_(input),
        data_(reinterpret_cast<uint8_t*>(own_.data())),
        totalBits_(static_cast<int64_t>(input.size()) * 8),
        options_(options),
        clock_(clock) {
    std::array<uint8_t, 320> lengths{};
    std::fill(lengths.begin(), lengths.begin() + 144, 8);
    std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
    std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
    std::fill(lengths.begin() + 280, lengths.begin() + 288, 8);
    Build(fixedLit_, lengths.data(), 288);
    std::fill(lengths.begin(), lengths.begin() + 30, 5);
    Build(fixedDist_, lengths.data(), 30);
  }

  InflateOutcome run();

 private:
  int bit() {
    if (pos_ >= totalBits_) return -1;
    const int b = (data_[pos_ >> 3] >> (pos_ & 7)) & 1;
    ++pos_;
    return b;
  }
  int64_t bits(int n) {
    if (pos_ + n > totalBits_) {
      pos_ = totalBits_;
      return -1;
    }
    int64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<int64_t>(bit()) << i;
    return v;
  }
  // The next symbol: -1 for a code in no table, -2 when the input ends.
  int decode(const Huffman& h) {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
      const int b = bit();
      if (b < 0) return -2;
      code |= b;
      const int count = h.count[len];
      if (code - first < count) return h.symbol[index + code - first];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }

  bool stopped() {
    if (clock_ == nullptr) return false;
    clock_->tick();
    return clock_->stopped();
  }

  Result dynamicTables(Huffman& lit, Huffman& dist);
  Result stored(int64_t blockStart);
  // Decodes the codes of a block: into the piece when kEmit, else only
  // checks them (a trial, with every earlier byte unknown).
  template <bool kEmit>
  Result codes(const Huffman& lit, const Huffman& dist, int64_t maxSymbols, int64_t* symbols);
  // Notes the last whole tag; false when the text has gone too long without one.
  // `known`: how many of the bytes just written are known.
  bool watchTags(size_t known) {
    if (check_.tags() != tagsSeen_) {
      tagsSeen_ = check_.tags();
      lastTagOut_ = piece_.bytes.size();
      lastTagBit_ = pos_;
      knownSinceTag_ = 0;
      return true;
    }
    knownSinceTag_ += known;
    if (knownSinceTag_ <= (piece_.fromStart ? kBlindFromStart : kBlindResumed)) return true;
    blind_ = true;
    errorBit_ = lastTagBit_;
    return false;
  }
  bool resumeInBlock(int64_t errorBit);
  bool repairInBlock(int64_t errorBit);
  bool repairHeader(int64_t blockStart, int64_t faultBit);
  int64_t trialRepair(int64_t bit, size_t keep, int pad, const MarkupCheck& start, int64_t mustPass);
  bool resumeAtBlock(int64_t errorBit, int64_t from);
  void breakPiece(int64_t errorBit, int64_t resumeBit);
  void finishPiece(int64_t endBit);

  std::string own_;  // the input, which a header repair may patch
  uint8_t* data_;
  int64_t totalBits_;
  TolerantInflateOptions options_;
  YieldClock* clock_;
  int64_t pos_ = 0;
  int64_t errorBit_ = 0;   // where the failing symbol or header began
  int64_t resumedAt_ = 0;  // where the current piece began
  size_t total_ = 0;
  bool stop_ = false;
  InflatePiece piece_{{}, true, 0, 0};
  InflateOutcome outcome_;
  Huffman fixedLit_, fixedDist_, lit_, dist_, trialLit_, trialDist_;
  const Huffman* curLit_ = nullptr;  // the block being decoded
  const Huffman* curDist_ = nullptr;
  bool curFinal_ = false;
  struct Mark {
    int64_t bit;
    size_t out;
  };
  std::array<Mark, kHistory> history_{};  // the last symbol starts of this block, a ring
  size_t historyCount_ = 0;
  int64_t repairSpent_ = 0;
  int64_t lastRepair_ = -1;  // the break last repaired: a repair must get past it
  int64_t blockStart_ = 0;
  int64_t blockSymbols_ = 0;  // symbols decoded in this block
  int64_t headerTried_ = -1;  // the block whose header was last repaired
  int headerRepairs_ = 0;
  std::string trial_;
  MarkupCheck check_;         // the emitted text's shape
  MarkupCheck trialCheck_;    // a trial\'s
  bool markupBroke_ = false;  // the last error was noticed by check_
  bool blind_ = false;        // the last error: too long without a whole tag
  uint64_t tagsSeen_ = 0;
  size_t lastTagOut_ = 0;     // the piece's size after its last whole tag
  size_t knownSinceTag_ = 0;  // known bytes written since then
  int64_t lastTagBit_ = 0;    // and the input bit there
};

Result Decoder::dynamicTables(Huffman& lit, Huffman& dist) {
  const int64_t nlen = bits(5), ndist = bits(5), ncode = bits(4);
  if (ncode < 0) return Result::kNoInput;
  if (nlen + 257 > 286 || ndist + 1 > 30) return Result::kError;
  std::array<uint8_t, 320> lengths{};
  for (int i = 0; i < ncode + 4; ++i) {
    const int64_t v = bits(3);
    if (v < 0) return Result::kNoInput;
    lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(v);
  }
  Huffman lencode;
  if (!Build(lencode, lengths.data(), 19, false)) return Result::kError;
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
  if (!Build(lit, lengths.data(), static_cast<int>(nlen + 257))) return Result::kError;
  if (!Build(dist, lengths.data() + nlen + 257, static_cast<int>(ndist + 1))) return Result::kError;
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
Result Decoder::codes(const Huffman& lit, const Huffman& dist, int64_t maxSymbols, int64_t* symbols) {
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
  for (int skip = 1; skip <= kResumeSkipBits; ++skip) {
    pos_ = errorBit + skip;
    int64_t symbols = 0;
    const Result r = codes<false>(*curLit_, *curDist_, kTrialSymbols, &symbols);
    // With every earlier byte unknown, only whole tags written from literals show that the codes are in step.
    if (trialCheck_.tags() >= kTrialTags && (r == Result::kMore || r == Result::kEnd || r == Result::kNoInput)) {
      breakPiece(errorBit, errorBit + skip);
      return true;
    }
  }
  return false;
}

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
  while (reached < mustPass + kRepairHorizon) {
    reached = pos_;
    ++symbols;
    const int sym = decode(*curLit_);
    if (sym == -2) {  // the input ends: as far as anything can get
      reached = pos_ > mustPass ? mustPass + kRepairHorizon : pos_;
      break;
    }
    if (sym == 256) {  // a block's end counts only as far as it is
      reached = pos_;
      break;
    }
    if (sym < 0 || sym > 285) break;
    if (sym < 256) {
      if (NotText(static_cast<uint8_t>(sym)) || !check.accept(static_cast<uint8_t>(sym))) break;
      odd += Odd(static_cast<uint8_t>(sym)) ? 1 : 0;
      trial_.push_back(static_cast<char>(sym));
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
    bool fault = false;
    for (int64_t k = 0; k < length && !fault; ++k) {
      const char c = byteAt(base + static_cast<int64_t>(trial_.size()) - distance);
      trial_.push_back(c);
      odd += Odd(static_cast<uint8_t>(c)) ? 1 : 0;
      if (c == kUnknownByte)
        check.lose();
      else
        fault = !check.accept(static_cast<uint8_t>(c));
    }
    if (fault) break;
  }
  repairSpent_ += symbols;
  if (reached <= mustPass) return -1;
  return std::max<int64_t>(0, std::min(reached - mustPass, kRepairHorizon) - odd * kOddPenaltyBits);
}

// Damage inside a block: the codes around the break are decoded again from
// each recent symbol start (and a few bits past the break), with the output
// cut or padded by a few bytes, since the damaged codes gave the wrong
// amount. The choice whose markup stays whole furthest past the break is
// taken (the smallest change of length among equals), and decoding goes on
// in the same piece.
bool Decoder::repairInBlock(int64_t errorBit) {
  if (repairSpent_ > kRepairBudget || historyCount_ == 0 || errorBit <= lastRepair_) return false;
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
  total_ = total_ - (piece_.bytes.size() - best.out) + static_cast<size_t>(bestPad);
  piece_.bytes.resize(best.out);
  piece_.bytes.append(static_cast<size_t>(bestPad), kUnknownByte);
  check_ = bestCheck;
  for (int i = 0; i < bestPad; ++i) check_.lose();
  markupBroke_ = false;
  lastTagOut_ = std::min(lastTagOut_, piece_.bytes.size());
  knownSinceTag_ = 0;
  tagsSeen_ = check_.tags();
  historyCount_ = 0;
  const int64_t from = std::min(best.bit, errorBit), to = std::max(best.bit, errorBit);
  outcome_.gaps.push_back({from >> 3, std::max((from >> 3) + 1, to >> 3)});
  pos_ = best.bit;
  return true;
}

// A break soon after a block's start: the block's header (its code tables)
// may hold the damaged byte. Every value of every byte from the block's
// start to the break is tried; the one whose block then decodes furthest
// past the break with whole markup is kept, if it gets far enough.
bool Decoder::repairHeader(int64_t blockStart, int64_t faultBit) {
  if (blockStart == headerTried_ || headerRepairs_ >= kMaxHeaderRepairs || repairSpent_ > kRepairBudget) return false;
  headerTried_ = blockStart;
  ++headerRepairs_;
  const Huffman* savedLit = curLit_;
  const Huffman* savedDist = curDist_;
  const int64_t first = blockStart >> 3;
  const int64_t last = std::min({(faultBit >> 3) + 1, first + kHeaderRepairBytes, (totalBits_ >> 3) - 1});
  int64_t bestReach = -1, bestAt = -1;
  uint8_t bestValue = 0;
  // From the break backwards: the damage is most likely just before it, so among equals the later byte wins.
  for (int64_t at = last; at >= first; --at) {
    const uint8_t original = data_[at];
    for (int v = 0; v < 256; ++v) {
      if (v == original) continue;
      data_[at] = static_cast<uint8_t>(v);
      pos_ = blockStart + 1;
      const int64_t type = bits(2);
      if (type == 1) {
        curLit_ = &fixedLit_;
        curDist_ = &fixedDist_;
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
  outcome_.gaps.push_back({bestAt, bestAt + 1});
  pos_ = blockStart;
  return true;
}

// Searches bit by bit for the next block that decodes cleanly to its end.
bool Decoder::resumeAtBlock(int64_t errorBit, int64_t from) {
  for (int64_t at = from; at + 3 <= totalBits_; ++at) {
    if ((at & 0xFFF) == 0 && stopped()) {
      stop_ = true;
      return false;
    }
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
      const Result r = codes<false>(fixedLit_, fixedDist_, kMinFixedSymbols, &symbols);
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
        curLit_ = &fixedLit_;
        curDist_ = &fixedDist_;
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

}  // namespace

InflateOutcome TolerantInflate(std::string_view input, const TolerantInflateOptions& options, YieldClock* clock) {
  Decoder decoder(input, options, clock);
  return decoder.run();
}

}  // namespace kw
