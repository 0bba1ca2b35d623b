// SPDX-License-Identifier: Apache-2.0
// Joining a resumed piece to the piece before it.
//
// A piece that resumed after damage copies some bytes from before its own
// start: they are unknown, but each knows how far before the start it came
// from. Were the bytes the damage hid (the gap) known in number, those
// copies would read the piece before. Each gap size is tried: the copies
// are filled from the piece before and the markup around each is checked;
// markup repeats the same tags all the time, so a wrong size soon writes a
// broken tag, and the right one writes whole tags throughout. When one size
// stands out, the copies are filled, and the two pieces become one with the
// gap's bytes unknown between them. A negative size means that the end of
// the piece before was decoded out of step (bytes of the damage): it is cut.

#include <algorithm>
#include <cstring>

#include "formats/docx/deep/inflate_decoder.h"

namespace kw::inflate {

namespace {

constexpr int64_t kMaxGap = 32768;     // copies reach no further back
constexpr int64_t kMaxOverlap = 4096;  // how much of the piece before may be bytes of the damage
constexpr size_t kJoinRuns = 256;      // copied stretches the markup is checked around
constexpr size_t kContext = 24;        // bytes checked on either side of one
constexpr int kMaxFails = 3;           // broken stretches after which a gap size is dropped
constexpr int kMinSeams = 8;           // seams the chosen size must give
constexpr int kFailWeight = 16;        // a broken stretch outweighs this many seams
// The chosen size must give half as many again as any other.
constexpr int64_t kJoinCostPerSymbol = 32;  // bytes checked that cost as much as one trial symbol
constexpr size_t kQuadSpan = 65536;         // how much of the piece before gives the four-byte strings

// A stretch of unknown bytes copied from consecutive bytes before the piece.
struct CopiedRun {
  size_t at;  // in the resumed piece
  size_t size;
  int64_t from;  // where its first byte came from: this far before the piece's start (negative)
};

// One gap size's score: whole stretches, and broken ones; and how many of
// the four bytes that straddle each stretch's ends also occur together in the
// piece before (filled text reads on as text does).
struct GapScore {
  int passes = 0;
  int fails = 0;
  int seams = 0;
  int value() const { return seams - kFailWeight * fails; }
};

// Which four-byte strings occur in a text (hashed into a bit set).
class Quads {
 public:
  explicit Quads(std::string_view text) : bits_(kSize / 64) {
    for (size_t i = 0; i + 4 <= text.size(); ++i) {
      const uint32_t h = Hash(text.data() + i);
      bits_[h >> 6] |= uint64_t{1} << (h & 63);
    }
  }
  bool has(const char* four) const {
    const uint32_t h = Hash(four);
    return (bits_[h >> 6] >> (h & 63)) & 1;
  }

 private:
  static constexpr uint32_t kSize = uint32_t{1} << 20;
  static uint32_t Hash(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 2654435761u) >> 12;
  }
  std::vector<uint64_t> bits_;
};

class Aligner {
 public:
  Aligner(std::string_view before, std::string_view after, const std::vector<CopiedRun>& runs)
      : before_(before),
        after_(after),
        runs_(runs),
        quads_(before.substr(before.size() - std::min(before.size(), kQuadSpan))) {}

  // The markup around every stretch whose source lies in the piece before, with a gap of `gap` bytes.
  GapScore score(int64_t gap, int64_t* work) const {
    GapScore s;
    for (const CopiedRun& r : runs_) {
      const int64_t first = static_cast<int64_t>(before_.size()) + gap + r.from;
      if (first < 0 || r.from + static_cast<int64_t>(r.size) > -gap) continue;  // in the gap, or before the piece
      MarkupCheck check;
      check.lose();
      bool ok = true;
      const size_t lead = r.at - std::min(r.at, kContext);
      for (size_t i = lead; i < r.at; ++i) feed(check, after_[i]);
      for (size_t k = 0; k < r.size && ok; ++k) ok = feed(check, before_[static_cast<size_t>(first) + k]);
      const size_t tail = std::min(after_.size(), r.at + r.size + kContext);
      for (size_t i = r.at + r.size; i < tail && ok; ++i) ok = feed(check, after_[i]);
      *work += static_cast<int64_t>(tail - lead);
      if (ok) {
        ++s.passes;
        s.seams += seams(r, static_cast<size_t>(first));
      } else if (++s.fails > kMaxFails) {
        break;
      }
    }
    return s;
  }

 private:
  static bool feed(MarkupCheck& check, char c) {
    if (c == kUnknownByte) {
      check.lose();
      return true;
    }
    return !NotText(static_cast<uint8_t>(c)) && check.accept(static_cast<uint8_t>(c));
  }

  // The four-byte strings across each end of a filled stretch that occur in the piece before.
  int seams(const CopiedRun& r, size_t first) const {
    char joined[16];
    int found = 0;
    // The start: up to 3 bytes before it in the resumed piece and the first filled ones.
    for (int lead = 1; lead <= 3; ++lead) {
      if (r.at < static_cast<size_t>(lead) || r.size < static_cast<size_t>(4 - lead)) continue;
      bool known = true;
      for (int k = 0; k < 4; ++k) {
        joined[k] = k < lead ? after_[r.at - lead + k] : before_[first + k - lead];
        known = known && joined[k] != kUnknownByte;
      }
      found += known && quads_.has(joined) ? 1 : 0;
    }
    const size_t end = r.at + r.size;
    for (int tail = 1; tail <= 3; ++tail) {
      if (end + tail > after_.size() || r.size < static_cast<size_t>(4 - tail)) continue;
      bool known = true;
      for (int k = 0; k < 4; ++k) {
        joined[k] = k < 4 - tail ? before_[first + r.size - (4 - tail) + k] : after_[end + k - (4 - tail)];
        known = known && joined[k] != kUnknownByte;
      }
      found += known && quads_.has(joined) ? 1 : 0;
    }
    return found;
  }

  std::string_view before_, after_;
  const std::vector<CopiedRun>& runs_;
  Quads quads_;
};

}  // namespace

void Decoder::join(InflateOutcome* outcome) {
  std::vector<InflatePiece>& pieces = outcome->pieces;
  if (pieces.size() < 2 || pieceOrigins_.size() != pieces.size() || pieceBreaks_.size() != pieces.size()) return;
  size_t into = 0;  // the piece that the next may join
  for (size_t i = 1; i < pieces.size(); ++i) {
    InflatePiece& before = pieces[into];
    InflatePiece& after = pieces[i];
    const std::vector<Origin>& origins = pieceOrigins_[i];
    std::vector<CopiedRun> runs;
    for (const Origin& o : origins) {
      if (o.at >= after.bytes.size() || after.bytes[o.at] != kUnknownByte) continue;
      if (!runs.empty() && runs.back().at + runs.back().size == o.at &&
          runs.back().from + static_cast<int64_t>(runs.back().size) == o.from) {
        ++runs.back().size;
        continue;
      }
      runs.push_back({o.at, 1, o.from});
    }
    // A sample spread over the piece: stretches far apart copy from different places before it.
    if (runs.size() > kJoinRuns) {
      std::vector<CopiedRun> sample;
      for (size_t k = 0; k < kJoinRuns; ++k) sample.push_back(runs[k * runs.size() / kJoinRuns]);
      runs.swap(sample);
    }
    int64_t bestGap = 0;
    GapScore best;
    int secondValue = -1 << 30;
    bool found = false;
    if (!runs.empty() && !after.fromStart && repairSpent_ <= repairBudget_) {
      const Aligner aligner(before.bytes, after.bytes, runs);
      const int64_t low = -std::min<int64_t>(kMaxOverlap, static_cast<int64_t>(before.bytes.size()));
      int64_t work = 0;
      // A larger gap would put every copy in the gap, filling none.
      int64_t high = low;
      for (const CopiedRun& r : runs) high = std::max(high, 1 - r.from - static_cast<int64_t>(r.size));
      for (int64_t gap = low; gap < std::min(high, kMaxGap); ++gap) {
        work += static_cast<int64_t>(runs.size());  // each stretch is looked at, if only to be skipped
        if (repairSpent_ + work / kJoinCostPerSymbol > repairBudget_) break;
        const GapScore s = aligner.score(gap, &work);
        if (s.passes == 0) continue;
        if (!found || s.value() > best.value()) {
          if (found) secondValue = std::max(secondValue, best.value());
          best = s;
          bestGap = gap;
          found = true;
        } else {
          secondValue = std::max(secondValue, s.value());
        }
      }
      repairSpent_ += work / kJoinCostPerSymbol;
      joinSpent_ += work / kJoinCostPerSymbol;
    }
    if (!found || best.value() < kMinSeams || 2 * int64_t{best.value()} < 3 * int64_t{secondValue} ||
        total_ + static_cast<size_t>(std::max<int64_t>(bestGap, 0)) > options_.outputLimit) {
      into = i;
      continue;
    }
    const int64_t beforeSize = static_cast<int64_t>(before.bytes.size());
    for (const Origin& o : origins) {
      const int64_t source = beforeSize + bestGap + o.from;
      if (o.at < after.bytes.size() && after.bytes[o.at] == kUnknownByte && o.from < -bestGap && source >= 0) {
        after.bytes[o.at] = before.bytes[static_cast<size_t>(source)];
      }
    }
    // The size joined is the output of the break before piece i when it is the only one since piece i-1.
    const BreakMark& mark = pieceBreaks_[i];
    if (mark.number == pieceBreaks_[i - 1].number + 1 && mark.gap >= 0) {
      outcome->gaps[static_cast<size_t>(mark.gap)].outputLength = std::max<int64_t>(bestGap, 0);
    }
    if (bestGap < 0) {
      before.bytes.resize(static_cast<size_t>(beforeSize + bestGap));
    } else {
      before.bytes.append(static_cast<size_t>(bestGap), kUnknownByte);
      total_ += static_cast<size_t>(bestGap);
    }
    before.bytes += after.bytes;
    before.inputEnd = after.inputEnd;
    after.bytes.clear();
  }
  pieces.erase(std::remove_if(pieces.begin(), pieces.end(), [](const InflatePiece& p) { return p.bytes.empty(); }),
               pieces.end());
}

}  // namespace kw::inflate
