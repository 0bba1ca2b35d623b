// SPDX-License-Identifier: Apache-2.0
#pragma once
// InflateDecoder: the decoder behind TolerantInflate, shared by its two
// halves: tolerant_inflate.cpp decodes and resumes after damage,
// inflate_repair.cpp repairs damage in place (a header byte, or the codes
// around a break). Internal to those files.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/deflate_codes.h"
#include "base/yield_clock.h"
#include "formats/docx/deep/known_grams.h"
#include "formats/docx/deep/markup_check.h"
#include "formats/docx/deep/pair_model.h"
#include "formats/docx/deep/tolerant_inflate.h"

namespace kw::inflate {

// How far repairs and searches look. The fuzz build (KW_BUILD_FUZZ defines
// libFuzzer's FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION) looks a sixteenth as
// far, with small budgets, so that a fuzzer tries a thousand damaged
// streams a second down the same paths.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr bool kFuzzing = true;
#else
inline constexpr bool kFuzzing = false;
#endif
inline constexpr int kNarrower = kFuzzing ? 16 : 1;
inline constexpr int kInBlockSkipBits = 32 / kNarrower;  // how far past a break the broken block's tables are tried
inline constexpr int kResumeSkipBits =
    65536 / kNarrower;  // how far past a break that cannot be repaired decoding may resume
inline constexpr int kRepairBackBits = 512 / kNarrower;  // how far before a break its real start is looked for
inline constexpr int kRepairSlack = 24 / kNarrower;      // how many bytes the damaged codes may have added or lost
inline constexpr int64_t kRepairReach = 1536;            // bits that must decode past a break to accept a repair
// How far past the break a trial decodes before it stops, in bits.
inline constexpr int64_t kRepairHorizon = 4096;
inline constexpr int64_t kByteRepairBack = 24 / kNarrower;  // bytes before a break that a byte repair tries
// and, when none of those decodes as far as trials go, how far back it looks
inline constexpr int64_t kByteRepairFar = 128 / kNarrower;
// Bits past the break a byte repair must decode to be kept.
inline constexpr int64_t kByteRepairReach = 1536;
// Damaged bytes close together: a byte repair whose decoding breaks again
// short of kByteRepairReach, but at least this far further on, may go on
// to mend the byte near that break, up to kMaxByteFixes bytes in all.
inline constexpr int64_t kFixStepBits = 384;
inline constexpr size_t kMaxByteFixes = 3;
inline constexpr size_t kChainContext = 1024;  // known output bytes before a chain of repairs
// The longest a symbol runs in bits (a length code and its extra bits, then
// a distance code and its own): a damaged byte may lie that far past the
// start of the symbol that broke.
inline constexpr int64_t kLongestSymbolBits = 15 + 5 + 15 + 13;
inline constexpr int64_t kMaxCopy = 258;  // the longest copy deflate writes
// Trial work (symbols decoded, header values tried) a stream's repairs and resumes may
// spend: a base, and more for a longer stream, so hostile input stays fast.
inline constexpr int64_t kRepairBudgetBase = kFuzzing ? 512 : int64_t{1} << 20;
inline constexpr int64_t kRepairBudgetPerByte = kFuzzing ? 1 : 256;
inline constexpr int64_t kRepairBudgetMax = int64_t{40} << 20;
inline constexpr size_t kHistory = 256;                         // symbol starts remembered for repairs
inline constexpr int64_t kHeaderRepairSymbols = 64;             // a break this early in a block may be a damaged header
inline constexpr int64_t kHeaderRepairBytes = 200 / kNarrower;  // how many bytes from a block's start are tried
inline constexpr int kMaxHeaderRepairs = 4;                     // per stream, as each tries every value of every byte
inline constexpr int64_t kTrialSymbols = 400;                   // symbols a resume inside a block is tried on
inline constexpr int64_t kResumeTrialSymbols = 1000 / kNarrower;  // and must decode with whole markup
inline constexpr uint64_t kTrialTags = 2;                         // whole tags they must write
inline constexpr int64_t kTrialLiterals = 64;                     // or literals, of so many values
inline constexpr int kTrialDistinct = 12;
inline constexpr int64_t kRepairProofBits = 4096;  // a repair followed by a break this soon is doubtful
inline constexpr int kMaxRepairChain = 2;          // doubtful repairs in a row, after which the codes resume instead
// How far back a copy may reach, and a bound of that that means none.
inline constexpr int64_t kMaxDistance = 32768;
inline constexpr int64_t kNoReach = int64_t{1} << 40;
// How many bits before a break codes out of step may have decoded, writing
// less than the stream did there.
inline constexpr int64_t kReachSlackBits = 256;
inline constexpr int64_t kSettleBits = 128;  // a resumed piece starts this far past where its codes were found
// How far below where they began the literals' pair scores (PairModel) must
// sum before codes resumed inside the damage are taken to fall into step
// past the lowest point, in nats.
inline constexpr double kGarbageNats = 16;
// How far decodings begun at each of kLongestSymbolBits positions are
// followed to where they meet (inStep()).
inline constexpr int64_t kMeetBits = 4096 / kNarrower;
inline constexpr int64_t kMinFixedSymbols = 200;     // a fixed-code block found by search must be this long
inline constexpr int64_t kMinCutSymbols = 64;        // a block cut by the input's end must be this long
inline constexpr int64_t kDynamicTrialSymbols = 32;  // a block found by search must decode this far
// Text output longer than this without one whole tag is taken for garbage
// (codes decoded with the wrong tables), in a piece that resumed and in one
// from the start.
inline constexpr size_t kBlindResumed = 4096;
inline constexpr size_t kBlindFromStart = 8192;
inline constexpr int64_t kFinalSlackBytes = 8;  // what may follow a stream's last block
// A last block that ends with more input than this after it was ended by a
// damaged code: the part's data is bounded by its size or the next header,
// and only a data descriptor (Zip64's has 24 bytes) may lie between.
inline constexpr int64_t kTrailBytes = 24;
inline constexpr int64_t kSearchBudget =
    kFuzzing ? 128 : int64_t{64} << 20;        // bit positions a stream's block searches may try
inline constexpr int64_t kLookBackBits = 256;  // the search starts this far before the break
inline constexpr size_t kDistrustBytes = 32;   // output just before a break noticed in the markup is dropped
// After a repair that decodes on from past a break, what the input this far
// before the break gave is dropped as well.
inline constexpr int64_t kDistrustBits = 128;
inline constexpr int kMaxRepeats = 48;  // the same symbol this many times over is a wiped stretch
// Input bytes of one value, 0x00 or 0xFF, this many in a row are a wiped
// stretch too (no code packs XML so), when one begins this near a break.
inline constexpr int64_t kWipedBytes = 8;
inline constexpr int64_t kWipedLead = 64;
inline constexpr size_t kMaxOrigins = size_t{1} << 20;  // unknown bytes of a piece whose origin is kept

// A byte that XML text never holds: most control characters, and the two
// bytes that never occur in UTF-8.
inline bool NotText(uint8_t b) { return (b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b >= 0xFE; }

// ASCII that a package's XML rarely holds: when two repairs reach equally
// far, the one that wrote fewer of these is more likely right.
inline bool Odd(uint8_t b) {
  return b == '[' || b == ']' || b == '^' || b == '\\' || b == '`' || b == '{' || b == '}' || b == '|' || b == '~';
}
inline constexpr int64_t kOddPenaltyBits = 64;
inline constexpr std::string_view kDeclaration = "<?xml ";

enum class Result { kEnd, kMore, kError, kNoInput, kLimit };

// A dynamic block's header as read: how many lengths each code has, the
// code-length code's lengths, and the literal/length then distance lengths.
struct HeaderLengths {
  int nlit = 0, ndist = 0, ncode = 0;
  std::array<uint8_t, 19> cl{};
  std::array<uint8_t, 320> lengths{};
};

// The block's codes from its lengths: true when both are usable.
bool BuildTables(const HeaderLengths& h, HuffmanCode& lit, HuffmanCode& dist);

// Where an unknown byte of a resumed piece came from: a distance before the
// piece's start. A piece keeps them for its first kMaxOrigins such bytes.
struct Origin {
  uint32_t at;
  int32_t from;
};

// Fills what it can of the unknown bytes of a piece, each one's origin in
// `links` (sorted by `at`; `from` a place in the piece, or before it when
// negative; a byte without one is its own), from the bytes around the
// copies of each hidden byte (inflate_infer.cpp). Returns the work done.
int64_t InferUnknown(std::string* bytes, const std::vector<Origin>& links);

// Where a resumed piece is to begin again on a second decoding: the break
// before it (how many came before, and the bit decoding resumed at), and the
// output size past which its codes were in step. Codes resumed inside the
// damage decode its bytes too, as a head of garbage that later copies would
// spread as known; begun past that head, those copies are unknown instead,
// and each knows where it came from.
struct Restart {
  int64_t breakNumber = 0;
  int64_t resumeBit = 0;
  size_t out = 0;
  bool joined = false;  // the piece was joined to the one before, `gap` bytes after it
  int64_t gap = 0;
};

// Decodes one stream once: run() gives its pieces and gaps. The input is
// copied, since a header repair patches a byte of it. Given restarts (found
// by the join of an earlier decoding of the same input), the pieces they
// name begin again there.
class Decoder {
 public:
  Decoder(std::string_view input, const TolerantInflateOptions& options, YieldClock* clock,
          std::vector<Restart> restarts = {})
      : own_(input),
        data_(reinterpret_cast<uint8_t*>(own_.data())),
        totalBits_(static_cast<int64_t>(input.size()) * 8),
        options_(options),
        clock_(clock),
        repairBudget_(
            std::min(kRepairBudgetMax, kRepairBudgetBase + kRepairBudgetPerByte * static_cast<int64_t>(input.size()))),
        restarts_(std::move(restarts)) {
    if (options.budget != nullptr) {
      // What the package has left, when that is less; nothing left refuses every trial.
      sharedRepairs_ = options.budget->spent() || options.budget->symbols < repairBudget_;
      sharedSearch_ = options.budget->spent() || options.budget->positions < searchBudget_;
      repairBudget_ = options.budget->spent() ? -1 : std::min(repairBudget_, options.budget->symbols);
      searchBudget_ = options.budget->spent() ? 0 : std::min(searchBudget_, options.budget->positions);
    }
  }

  InflateOutcome run();
  // After run(): joins each resumed piece to the piece before it where the
  // markup shows how far apart they lie, filling the unknown bytes it copied
  // from before its start (inflate_join.cpp).
  void join(InflateOutcome* outcome);
  // After join(): where the resumed pieces whose heads were garbage would
  // begin again (none when this decoding was itself given restarts).
  const std::vector<Restart>& restarts() const { return found_; }
  // After join() of a decoding given restarts: false when a piece begun
  // again joins other than it did before (some other size, or not at all),
  // so that the restart is not borne out and the earlier decoding stands.
  bool restartsHeld() const { return held_; }
  // After run(): takes what the stream spent from the package's budget;
  // `last`: this is the stream's last decoding, which counts a stream cut short.
  void settle(const InflateOutcome& outcome, bool last = true);

 private:
  // A symbol's start: its bit, and the output's size before it.
  struct Mark {
    int64_t bit;
    size_t out;
  };
  int bit() {
    if (pos_ >= totalBits_) return -1;
    const int b = (data_[pos_ >> 3] >> (pos_ & 7)) & 1;
    ++pos_;
    return b;
  }
  // The 24 bits from pos_ on, the first in the lowest bit (zeros past the end).
  uint32_t peek() const {
    const int64_t at = pos_ >> 3, bytes = (totalBits_ + 7) >> 3;
    uint32_t v = data_[at];
    if (at + 1 < bytes) v |= uint32_t{data_[at + 1]} << 8;
    if (at + 2 < bytes) v |= uint32_t{data_[at + 2]} << 16;
    if (at + 3 < bytes) v |= uint32_t{data_[at + 3]} << 24;
    return v >> (pos_ & 7);
  }
  int64_t bits(int n) {
    if (pos_ + n > totalBits_) {
      pos_ = totalBits_;
      return -1;
    }
    if (n == 0) return 0;
    const int64_t v = peek() & ((uint32_t{1} << n) - 1);
    pos_ += n;
    return v;
  }
  // The next symbol: -1 for a code in no table, -2 when the input ends.
  int decode(const HuffmanCode& h) {
    if (pos_ + kMaxCodeBits <= totalBits_) {
      // Every bit a code may take is there: they are read at once, and a
      // short code is found by one lookup.
      uint32_t window = peek();
      const uint16_t fast = h.fast[window & ((1u << kFastCodeBits) - 1)];
      if (fast != 0) {
        pos_ += fast >> 9;
        return fast & 511;
      }
      int code = 0, first = 0, index = 0;
      for (int len = 1; len <= kMaxCodeBits; ++len) {
        code |= static_cast<int>(window & 1);
        window >>= 1;
        const int count = h.count[len];
        if (code - first < count) {
          pos_ += len;
          return h.symbol[index + code - first];
        }
        index += count;
        first = (first + count) << 1;
        code <<= 1;
      }
      pos_ += kMaxCodeBits;
      return -1;
    }
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

  Result dynamicTables(HuffmanCode& lit, HuffmanCode& dist);
  // A dynamic header's parts, after its type: the counts and the
  // code-length code's lengths; then the code lengths that code gives.
  Result readCounts(HeaderLengths& h);
  Result readLengths(const HuffmanCode& lencode, HeaderLengths& h);
  Result stored(int64_t blockStart);
  // Decodes the codes of a block: into the piece when kEmit, else only
  // checks them (a trial, with every earlier byte unknown).
  template <bool kEmit>
  Result codes(const HuffmanCode& lit, const HuffmanCode& dist, int64_t maxSymbols, int64_t* symbols);
  // Notes the last whole tag; false when the text has gone too long without one.
  // `known`: how many of the bytes just written are known.
  // `closed`: they end a tag in a resumed piece, whose tags are mostly copies of unknown bytes.
  bool watchTags(size_t known, bool closed) {
    if (check_.tags() != tagsSeen_ || closed) {
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
  // Notes a decoded symbol: true when it is the same as too many before it
  // (a run of bytes of one value, zeros or 0xFF, where the input was wiped;
  // XML never packs that way). The run began at repeatBit_ / repeatOut_.
  bool repeated(int sym) {
    if (sym == 285) return false;  // the longest copy, over and over: how a long run of one byte packs
    if (sym != repeatSym_) {
      repeatSym_ = sym;
      repeatCount_ = 0;
      repeatBit_ = errorBit_;
      repeatOut_ = piece_.bytes.size();
    }
    return ++repeatCount_ > kMaxRepeats;
  }
  bool resumeInBlock(int64_t errorBit);
  // Where to look past a break: after a wiped stretch (kWipedBytes) that
  // begins near it, as nothing in it decodes to what it hid; else `bit`.
  int64_t pastWiped(int64_t bit) const;
  bool trialResume(int64_t bit);
  // Where codes that decode cleanly from `bit` fall into step: past the
  // stretch of literals that reads as garbage, when there is one
  // (kGarbageNats), else `bit` (inflate_head.cpp).
  int64_t pastGarbage(int64_t bit);
  // Where codes decoded from any of the kLongestSymbolBits positions from
  // `bit` on meet: the first symbol start all of them pass through (one of
  // them began at a symbol of the stream's own, since none is longer, so the
  // codes are in step from there whichever it was), or -1 when they are
  // still apart kMeetBits on (inflate_head.cpp).
  int64_t inStep(int64_t bit);
  // Decodes the symbol at pos_ into *sym, with a length's distance: false
  // when the codes fail or the block ends there.
  bool skipSymbol(int* sym);
  int64_t settled(int64_t bit);
  bool repairInBlock(int64_t errorBit);
  bool repairByte(int64_t errorBit);
  // One value for one byte, and how far decoding got with it: `reach` as
  // trialRepair() gives it, `end` where the trial stopped.
  struct ByteFix {
    int64_t at = -1;
    uint8_t value = 0;
    uint8_t original = 0;
    int64_t reach = -1;
    int64_t end = 0;
  };
  enum class ByteRepair { kDone, kFailed, kNoValue };
  // The bytes a byte repair would mend, trials from `anchor` (with the
  // markup state `start`) having shown them right; kNoValue when no value
  // of any byte decoded past the break.
  struct FixChain {
    ByteRepair result = ByteRepair::kFailed;
    std::vector<ByteFix> fixes;
    Mark anchor{-1, 0};
    MarkupCheck start;
    int64_t reach() const { return fixes.empty() ? -1 : fixes.back().reach; }
  };
  // A byte repair looking up to `back` bytes before the break.
  FixChain findFixes(int64_t errorBit, int64_t back, bool beyond);
  bool applyFixes(const FixChain& chain);
  // The value of a byte in [low, high] whose trial from `anchor` gets
  // furthest past `errorBit` (among equals, the one whose output reads most
  // like the known text); `at` is -1 when none gets past it. `fromMarks`:
  // each trial starts at the piece's last symbol start before its byte.
  ByteFix bestByteValue(const Mark& anchor, const MarkupCheck& start, int64_t errorBit, int64_t low, int64_t high,
                        bool fromMarks);
  // Whether the stream's encoder writes every copy as long as it can go
  // (as zlib does), as far as the piece from the stream's start shows up to
  // `out`: then the byte after a copy never equals the byte after its source.
  bool copiesMaximal(size_t out) const { return piece_.fromStart && notMaximalAt_ >= out; }
  // Notes `c`, the first byte of the symbol after a copy (known when `known`).
  void followCopy(const std::string& out, char c, bool known) {
    if (copyDistance_ > 0 && known && piece_.fromStart && notMaximalAt_ == SIZE_MAX) {
      const int64_t from = static_cast<int64_t>(out.size()) - copyDistance_;
      if (from >= 0 && out[static_cast<size_t>(from)] == c) notMaximalAt_ = out.size();
    }
    copyDistance_ = 0;
  }
  MarkupCheck checkAt(size_t end) const;
  // A trial that rewrites a part's first bytes must write the XML
  // declaration every package writer puts there ("<?xml ").
  bool declarationFits(size_t keep, int pad) const {
    if (!piece_.fromStart || pad != 0 || keep >= kDeclaration.size()) return true;
    const size_t at = keep + trial_.size() - 1;
    return at >= kDeclaration.size() || trial_.back() == kDeclaration[at];
  }
  bool repairHeader(int64_t blockStart, int64_t faultBit);
  // A header whose codes are incomplete or over-subscribed, mended by its
  // code lengths (inflate_lengths.cpp).
  bool repairLengths(int64_t blockStart);
  int64_t trialRepair(int64_t bit, size_t keep, int pad, const MarkupCheck& start, int64_t mustPass);
  bool resumeAtBlock(int64_t errorBit, int64_t from);
  void breakPiece(int64_t errorBit, int64_t resumeBit);
  // An unknown byte written at `at` of a resumed piece, copied from `from`
  // (before the piece's start when negative).
  void noteUnknown(size_t at, int64_t from);
  // Cuts the piece to `size` bytes.
  void cutPiece(size_t size);
  void finishPiece(int64_t endBit);
  // Drops the current piece's head: the piece begins at this symbol.
  void restartPiece();
  // Resets what the decoder follows within a piece, for one that begins at `bit`.
  void startPiece(int64_t bit);
  // The output size past which piece `i`'s codes are in step, when they
  // began inside the damage, after a join with `gap` (inflate_join.cpp).
  // `reach`: the most output the stream can have written before the piece
  // (kNoReach when not known).
  void findHead(const InflatePiece& before, const InflatePiece& after, size_t i, int64_t gap, bool joined,
                int64_t reach);

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
  HuffmanCode lit_, dist_, trialLit_, trialDist_;
  const HuffmanCode* curLit_ = nullptr;  // the block being decoded
  const HuffmanCode* curDist_ = nullptr;
  bool curFinal_ = false;
  std::array<Mark, kHistory> history_{};  // the last symbol starts of this block, a ring
  size_t historyCount_ = 0;
  int64_t repairSpent_ = 0;
  // Of that, what the joins spent. They may spend as much again as the
  // trials (repairBudget_), so that a stream whose trials spent all theirs
  // in the damage is still joined; the package's budget takes it twice, as
  // a join's work costs about twice what it counts for the stream's own.
  int64_t joinSpent_ = 0;
  int64_t repairBudget_ = 0;
  int64_t searchSpent_ = 0;
  int64_t searchBudget_ = kSearchBudget;
  bool sharedRepairs_ = false;   // the package's budget is the tighter one for repairs
  bool sharedSearch_ = false;    // and for the searches
  int64_t lastByteRepair_ = -1;  // the break last given a byte repair
  int64_t lastRepair_ = -1;      // the break last repaired: a repair must get past it
  int64_t blockStart_ = 0;
  int64_t blockSymbols_ = 0;  // symbols decoded in this block
  int64_t headerTried_ = -1;  // the block whose header was last repaired
  int headerRepairs_ = 0;
  int64_t lastRepairAt_ = INT64_MIN / 2;  // the break last repaired in place
  int repairChain_ = 0;                   // breaks in a row that came soon after a repair
  std::string trial_;
  int64_t trialEnd_ = 0;  // where the last trialRepair() stopped: the start of its last clean symbol
  KnownGrams grams_;      // of the current piece's known output, up to gramsUpTo_
  size_t gramsUpTo_ = 0;
  PairModel pairs_;  // of the stream's known output, the current piece's up to pairsUpTo_
  size_t pairsUpTo_ = 0;
  std::vector<int64_t> meets_;      // inStep()'s, kept to spare an allocation per resume
  int64_t copyDistance_ = 0;        // the distance of the copy just written, when it may have gone longer
  size_t notMaximalAt_ = SIZE_MAX;  // where the piece from the start showed a copy cut short
  // Where each unknown byte of a resumed piece came from, in order (Origin).
  std::vector<Origin> origins_;                    // the current piece's
  std::vector<std::vector<Origin>> pieceOrigins_;  // each finished piece's
  // Whether each of those was copied straight from before the piece, not
  // from an earlier unknown byte of it.
  std::vector<bool> direct_;
  std::vector<std::vector<bool>> pieceDirect_;
  // The break just before each finished piece, and before the current one:
  // how many breaks came before it, and its gap (an index into the
  // outcome's, -1 for none). Gaps of repairs lie inside pieces.
  struct BreakMark {
    int64_t number = 0;
    int64_t gap = -1;
    int64_t resumeBit = 0;
    int restart = -1;    // the restart the piece began again at (an index into restarts_)
    size_t dropped = 0;  // and the bytes it dropped there
    // The most output a bit of the gap can have given with the block's codes
    // (MostBytesPerBit; 0: not known, as when decoding resumed at a new block).
    double perBit = 0;
  };
  std::vector<BreakMark> pieceBreaks_;
  BreakMark breakBefore_;
  std::vector<Restart> restarts_;  // given (then the join looks for none)
  std::vector<Restart> found_;     // found by the join
  bool held_ = true;               // every restart given was borne out (restartsHeld())
  size_t restartOut_ = SIZE_MAX;   // the current piece begins again at the first symbol past this size
  int repeatSym_ = -1;
  int repeatCount_ = 0;
  int64_t repeatBit_ = 0;
  size_t repeatOut_ = 0;
  MarkupCheck check_;         // the emitted text's shape
  MarkupCheck trialCheck_;    // a trial's
  bool markupBroke_ = false;  // the last error was noticed by check_
  bool blind_ = false;        // the last error: too long without a whole tag
  uint64_t tagsSeen_ = 0;
  size_t lastTagOut_ = 0;     // the piece's size after its last whole tag
  size_t knownSinceTag_ = 0;  // known bytes written since then
  int64_t lastTagBit_ = 0;    // and the input bit there
};

}  // namespace kw::inflate
