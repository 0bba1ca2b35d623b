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
#include <array>
#include <cmath>
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
constexpr int kMinOwnSeams = 32;       // by the piece's own strings alone, which few copies give
constexpr int kFailWeight = 16;        // a broken stretch outweighs this many seams
constexpr int kLongerWeight = 8;       // and a copy that could have been longer, this many
// How much of the piece before may be bytes of the damage when it was read
// from the stream's start and not yet joined: its markup was checked from a
// known state throughout, and the damage broke it within a few hundred bytes
// (159 at most in the damaged-deflate corpus). Allowed kMaxOverlap, a size
// that cuts off true text could win by chance.
constexpr int64_t kMaxCheckedOverlap = 512;
// A wrong size still finds about one string in this many by chance: so
// many strings looked up cost one found, lest sizes that look up many win
// by their number alone.
constexpr int kLookedPerChanceSeam = 64;
// A stretch whose source runs into the piece before's last kDistrustBytes
// (decoded from the damage's first bits, maybe out of step) and that breaks
// the markup tells nothing of the size, when the piece before holds this
// much else to tell by; in a shorter one those bytes are most of the proof.
constexpr size_t kMinTrustedBefore = 256;
// The chosen size must give half as many again as any other.
constexpr int64_t kJoinCostPerSymbol = 32;  // bytes checked that cost as much as one trial symbol
constexpr int64_t kInferCostPerSymbol = 4;  // contexts looked up that cost as much as one
constexpr size_t kSeamSpan = 65536;         // how much of each piece gives the known strings
// When scoring every size in full might overrun the budget, sizes past the
// likely ones (either way, as many as twice what the damaged input gives at
// the piece's rate, and kLikelySlack more) get a quick look at every kQuickStride-th stretch
// first, and are scored in full when they find a kQuickShare-th of the
// strings the best quick look found. Scoring a stretch checks about
// kFullScoreBytes.
constexpr int64_t kLikelySlack = 256;
constexpr size_t kQuickStride = 8;
constexpr int kQuickShare = 4;
constexpr int64_t kFullScoreBytes = 64;
// A resumed piece's head decoded from the damage: how far into the piece it
// is looked for; by how many strings it must fall short; and how many times
// its share of strings found the rest of the piece must find.
constexpr size_t kHeadReach = 65536;
constexpr int64_t kMinHeadLooked = 200;
constexpr int64_t kHeadContrast = 3;
constexpr int64_t kHeadShare = 8;
constexpr double kMinHeadGain = 4;
// A shorter head that only such copies show is left: its copies stay
// unknown, and it holds too few literals to spread much garbage.
constexpr size_t kMinImpossibleHead = 256;

// How much of the piece before a join keeps known: its last kDistrustBytes
// were decoded from the damage's first bits, or out of step by them.
size_t TrustedSize(std::string_view before) { return before.size() - std::min(before.size(), kDistrustBytes); }

// A stretch of unknown bytes copied from consecutive bytes before the piece.
struct CopiedRun {
  size_t at;  // in the resumed piece
  size_t size;
  int64_t from;  // where its first byte came from: this far before the piece's start (negative)
  bool direct;   // copied straight from there, not through an earlier copy in the piece
};

// One gap size's score: whole stretches, and broken ones; those that could
// have been copied longer; and how many of the strings of kSeam bytes that
// straddle each stretch's ends, its neighbours filled too, also occur in the
// known text on either side (filled text reads on as text does).
struct GapScore {
  int passes = 0;
  int fails = 0;
  int seams = 0;        // strings that hold a byte of the resumed piece's own
  int filledSeams = 0;  // strings of filled bytes only
  int longer = 0;
  int looked = 0;  // strings looked up: those that hold no unknown byte
  int penalty() const { return kFailWeight * fails + kLongerWeight * longer; }
  // Two measures: every string, and (where markup is so regular that a
  // wrong gap reads on through filled bytes alone) those of its own.
  int value(bool all) const { return seams + (all ? filledSeams : 0) - penalty() - looked / kLookedPerChanceSeam; }
};

// The most strings a quick look has found so far.
struct QuickBest {
  int all = 0;  // of every kind
  int own = 0;  // that hold a byte of the piece's own
};

// Whether a size whose quick look gave `quick` is worth scoring in full:
// most sizes are plainly wrong by a look at a few stretches. Strings found
// alone count, as a few stretches say little of the penalties.
bool worthScoring(const GapScore& quick, QuickBest* best) {
  if (quick.passes == 0) return false;
  const int all = quick.seams + quick.filledSeams;
  best->all = std::max(best->all, all);
  best->own = std::max(best->own, quick.seams);
  return kQuickShare * all >= best->all || kQuickShare * quick.seams >= best->own;
}

// The best gap size by one measure, and the value of the next best.
struct GapChoice {
  bool all = true;
  bool found = false;
  int64_t gap = 0;
  int value = 0;
  int second = -1 << 30;
  void consider(int64_t g, const GapScore& s) {
    const int v = s.value(all);
    if (!found || v > value) {
      if (found) second = std::max(second, value);
      found = true;
      gap = g;
      value = v;
    } else {
      second = std::max(second, v);
    }
  }
  // Enough seams, half as many again as any other size gives.
  bool clear() const {
    return found && value >= (all ? kMinSeams : kMinOwnSeams) && 2 * int64_t{value} >= 3 * int64_t{second};
  }
};

constexpr size_t kSeam = 6;

// Which strings of kSeam bytes occur in a text (hashed into a bit set).
class Seams {
 public:
  // For up to `strings` strings: 64 bits each keep false finds rare.
  explicit Seams(size_t strings) {
    while (shift_ > 64 - kMaxBits && (uint64_t{1} << (64 - shift_)) < 64 * strings) --shift_;
    bits_.assign((uint64_t{1} << (64 - shift_)) / 64, 0);
  }
  // Adds the strings of `text` that hold no unknown byte.
  void add(std::string_view text) {
    size_t known = 0;  // known bytes ending at i
    for (size_t i = 0; i < text.size(); ++i) {
      known = text[i] == kUnknownByte ? 0 : known + 1;
      if (known < kSeam) continue;
      const uint64_t h = hash(text.data() + i - (kSeam - 1));
      bits_[h >> 6] |= uint64_t{1} << (h & 63);
    }
  }
  bool has(const char* seam) const {
    const uint64_t h = hash(seam);
    return (bits_[h >> 6] >> (h & 63)) & 1;
  }

 private:
  static constexpr int kMaxBits = 22;
  uint64_t hash(const char* p) const {
    uint64_t v = 0;
    std::memcpy(&v, p, kSeam);
    return (v * 0x9E3779B97F4A7C15u) >> shift_;
  }
  int shift_ = 64 - 12;  // the set holds 2^(64 - shift_) bits, 4096 at least
  std::vector<uint64_t> bits_;
};

// The stretches of `after` below `reach` copied from before its start.
std::vector<CopiedRun> CopiedRuns(std::string_view after, const std::vector<Origin>& origins,
                                  const std::vector<bool>& direct, size_t reach) {
  std::vector<CopiedRun> runs;
  for (size_t k = 0; k < origins.size(); ++k) {
    const Origin& o = origins[k];
    if (o.at >= reach) break;
    if (o.at >= after.size() || after[o.at] != kUnknownByte) continue;
    const bool straight = k < direct.size() && direct[k];
    if (!runs.empty() && runs.back().at + runs.back().size == o.at &&
        runs.back().from + static_cast<int64_t>(runs.back().size) == o.from && runs.back().direct == straight) {
      ++runs.back().size;
      continue;
    }
    runs.push_back({o.at, 1, o.from, straight});
  }
  return runs;
}

class Aligner {
 public:
  Aligner(std::string_view before, std::string_view after, const std::vector<CopiedRun>& runs,
          const std::vector<Origin>& origins)
      : before_(before),
        trusted_(TrustedSize(before)),
        after_(after),
        runs_(runs),
        seams_(std::min(before.size(), kSeamSpan) + std::min(after.size(), kSeamSpan)) {
    seams_.add(before.substr(before.size() - std::min(before.size(), kSeamSpan)));
    seams_.add(after.substr(0, kSeamSpan));
    findEdges(origins);
  }

  // The markup around every stretch whose source lies in the piece before, with a gap of `gap` bytes.
  // Every `stride`th stretch only, for a quick look.
  GapScore score(int64_t gap, int64_t* work, size_t stride = 1) const {
    GapScore s;
    for (size_t i = 0; i < runs_.size() && s.fails <= kMaxFails; i += stride) scoreRun(i, gap, &s, work);
    return s;
  }

  // Adds one stretch's score to `s`: false when its source lies in the gap
  // or before the piece before, so that it tells nothing.
  bool scoreRun(size_t i, int64_t gap, GapScore* s, int64_t* work) const {
    const CopiedRun& r = runs_[i];
    const int64_t first = static_cast<int64_t>(before_.size()) + gap + r.from;
    if (first < 0 || r.from + static_cast<int64_t>(r.size) > -gap) return false;
    MarkupCheck check;
    check.lose();
    bool ok = true;
    const size_t lead = r.at - std::min(r.at, kContext);
    for (size_t k = lead; k < r.at; ++k) feed(check, after_[k]);
    for (size_t k = 0; k < r.size && ok; ++k) ok = feed(check, before_[static_cast<size_t>(first) + k]);
    const size_t tail = std::min(after_.size(), r.at + r.size + kContext);
    for (size_t k = r.at + r.size; k < tail && ok; ++k) ok = feed(check, after_[k]);
    *work += static_cast<int64_t>(tail - lead);
    if (ok) {
      ++s->passes;
      s->seams += seams(i, gap, &s->filledSeams, &s->looked);
      *work += static_cast<int64_t>(2 * kSeam);  // the bytes filled around both ends
      s->longer += longer(r, static_cast<size_t>(first)) ? 1 : 0;
    } else if (static_cast<size_t>(first) + r.size > trusted_ && trusted_ >= kMinTrustedBefore) {
      return false;  // broken by bytes that the damage may have given, it tells nothing
    } else {
      ++s->fails;
    }
    return true;
  }

 private:
  static bool feed(MarkupCheck& check, char c) {
    if (c == kUnknownByte) {
      check.lose();
      return true;
    }
    return !NotText(static_cast<uint8_t>(c)) && check.accept(static_cast<uint8_t>(c));
  }

  // The bytes around each end of each stretch, looked up once: the resumed
  // piece's own, or where each unknown one came from (kNoOrigin when that
  // was not kept).
  static constexpr size_t kReach = kSeam - 1;
  static constexpr int32_t kNoOrigin = 0;
  struct Edge {
    bool inside = false;   // kReach bytes on either side lie in the piece
    uint32_t ownBits = 0;  // bit k: byte k is the piece's own
    std::array<char, 2 * kReach> own{};
    std::array<int32_t, 2 * kReach> from{};
  };
  void findEdges(const std::vector<Origin>& origins) {
    const auto originAt = [&](size_t at) {
      const auto it = std::lower_bound(origins.begin(), origins.end(), static_cast<uint32_t>(at),
                                       [](const Origin& o, uint32_t v) { return o.at < v; });
      return it == origins.end() || it->at != at ? kNoOrigin : it->from;
    };
    for (const CopiedRun& r : runs_) {
      for (const size_t edge : {r.at, r.at + r.size}) {
        Edge e;
        e.inside = edge >= kReach && edge + kReach <= after_.size();
        for (size_t k = 0; e.inside && k < 2 * kReach; ++k) {
          e.own[k] = after_[edge - kReach + k];
          e.from[k] = e.own[k] == kUnknownByte ? originAt(edge - kReach + k) : kNoOrigin;
          e.ownBits |= static_cast<uint32_t>(e.own[k] != kUnknownByte) << k;
        }
        edges_.push_back(e);
      }
    }
  }

  // A byte around an edge with a gap of `gap` bytes: the piece's own, or the
  // one it copies from the piece before (unknown when none).
  char filled(const Edge& e, size_t k, int64_t gap) const {
    if (e.own[k] != kUnknownByte) return e.own[k];
    const int32_t from = e.from[k];
    if (from == kNoOrigin || from >= -gap) return kUnknownByte;
    const int64_t source = static_cast<int64_t>(before_.size()) + gap + from;
    return source < 0 ? kUnknownByte : before_[static_cast<size_t>(source)];
  }

  // Whether the stretch, filled from `first` on, could have been copied
  // longer: the byte after it is the one after its source. The compressor
  // copies as much as matches, so with the right gap this is rare, while
  // with a wrong one that lands in like text it is common. A copy of an
  // earlier copy in the piece matched that one, whose next byte may differ:
  // only a straight copy tells.
  bool longer(const CopiedRun& r, size_t first) const {
    const size_t next = r.at + r.size, source = first + r.size;
    if (!r.direct || r.from + static_cast<int64_t>(r.size) >= 0 || next >= after_.size() || source >= trusted_)
      return false;
    return after_[next] != kUnknownByte && after_[next] == before_[source];
  }

  // The strings across each end of a filled stretch, its neighbours filled
  // too, that occur in the known text.
  int seams(size_t run, int64_t gap, int* filledSeams, int* looked) const {
    constexpr uint32_t kSeamMask = (uint32_t{1} << kSeam) - 1;
    int found = 0;
    for (size_t end = 0; end < 2; ++end) {
      const Edge& e = edges_[2 * run + end];
      if (!e.inside) continue;
      char window[2 * kReach];
      uint32_t unknown = 0;  // bit k: byte k is unknown
      for (size_t k = 0; k < 2 * kReach; ++k) {
        window[k] = filled(e, k, gap);
        unknown |= static_cast<uint32_t>(window[k] == kUnknownByte) << k;
      }
      for (size_t k = 0; k < kReach; ++k) {
        if (((unknown >> k) & kSeamMask) != 0) continue;
        ++*looked;
        if (!seams_.has(window + k)) continue;
        if (((e.ownBits >> k) & kSeamMask) != 0) {
          ++found;
        } else {
          ++*filledSeams;
        }
      }
    }
    return found;
  }

  std::string_view before_;
  size_t trusted_;  // what the join keeps of it: its last kDistrustBytes came from the damage
  std::string_view after_;
  const std::vector<CopiedRun>& runs_;
  Seams seams_;
  std::vector<Edge> edges_;  // two for each stretch, its start's and its end's
};

}  // namespace

// With the right gap, the stretches a piece copied from before its start
// read on into their neighbours' text: some share of the strings across
// their ends occur in the known text. In a head decoded from the damage's
// bytes they are copies from random places, and far fewer do. The head ends
// where, summed from the piece's start, the strings found fall furthest
// short of that share over the piece; it counts when they fall well short,
// and the stretches after it find several times as many.
//
// Copies tell too, where the stream is young: the garbage copies from
// random distances, and a copy from further back than all the stream can
// have written (`reach`, when known) is garbage for sure. A head that such
// copies show goes on past the last of them, whatever the join; then it is
// not taken as proof of the gap.
void Decoder::findHead(const InflatePiece& before, const InflatePiece& after, size_t i, int64_t gap, bool joined,
                       int64_t reach) {
  if (repairBudget_ < 0 || joinSpent_ > repairBudget_) return;
  const std::vector<Origin>& origins = pieceOrigins_[i];
  size_t impossible = 0;  // the output size past the last such copy
  for (size_t k = 0; reach < kMaxDistance && k < origins.size() && origins[k].at < kHeadReach; ++k) {
    if (k < pieceDirect_[i].size() && pieceDirect_[i][k] && origins[k].from < -reach) impossible = origins[k].at + 1;
  }
  const auto record = [&](size_t head) {
    if (impossible > head && impossible >= kMinImpossibleHead) {
      head = impossible;
      joined = false;
    }
    if (head > 0 && head < after.bytes.size()) {
      found_.push_back({pieceBreaks_[i].number, pieceBreaks_[i].resumeBit, head, joined, gap});
    }
  };
  const std::vector<CopiedRun> runs = CopiedRuns(after.bytes, origins, pieceDirect_[i], kHeadReach);
  const Aligner aligner(before.bytes, after.bytes, runs, origins);
  int64_t work = 0;
  // Strings looked up and found before each stretch, and in all of them.
  std::vector<int64_t> looked(runs.size() + 1), found(runs.size() + 1);
  for (size_t k = 0; k < runs.size(); ++k) {
    GapScore s;
    // Broken markup around a stretch counts as strings looked up and none found.
    if (aligner.scoreRun(k, gap, &s, &work) && s.fails > 0) s.looked += 2 * static_cast<int>(kSeam);
    looked[k + 1] = looked[k] + s.looked;
    found[k + 1] = found[k] + s.seams + s.filledSeams;
  }
  repairSpent_ += work / kJoinCostPerSymbol;
  joinSpent_ += work / kJoinCostPerSymbol;
  if (looked.back() == 0) return record(0);
  // Each candidate end against as many strings after it (kMinHeadLooked at
  // the least): the one that stands furthest below what follows.
  double best = 0;
  size_t end = 0;  // the stretches in the head
  size_t next = 0;
  for (size_t e = 1; e <= runs.size(); ++e) {
    const int64_t headLooked = looked[e], headFound = found[e];
    if (headLooked < kMinHeadLooked) continue;
    const int64_t want = looked[e] + std::max(headLooked, kMinHeadLooked);
    next = std::max(next, e);
    while (next < runs.size() && looked[next] < want) ++next;
    const int64_t tailLooked = looked[next] - looked[e], tailFound = found[next] - found[e];
    if (tailLooked < kMinHeadLooked) break;
    // Well below what follows, and few found at all.
    if (tailFound * headLooked < kHeadContrast * headFound * tailLooked) continue;
    if (headFound * kHeadShare > headLooked) continue;
    const double gain = (static_cast<double>(tailFound) / static_cast<double>(tailLooked) -
                         static_cast<double>(headFound) / static_cast<double>(headLooked)) *
                        std::sqrt(static_cast<double>(headLooked));
    if (gain > best) {
      best = gain;
      end = e;
    }
  }
  if (end == 0 || best < kMinHeadGain) return record(0);
  record(runs[end - 1].at + runs[end - 1].size);
}

void Decoder::join(InflateOutcome* outcome) {
  std::vector<InflatePiece>& pieces = outcome->pieces;
  if (pieceOrigins_.size() != pieces.size() || pieceBreaks_.size() != pieces.size() ||
      pieceDirect_.size() != pieces.size())
    return;
  size_t into = 0;  // the piece that the next may join
  for (size_t i = 1; i < pieces.size(); ++i) {
    InflatePiece& before = pieces[into];
    InflatePiece& after = pieces[i];
    const std::vector<Origin>& origins = pieceOrigins_[i];
    std::vector<CopiedRun> runs = CopiedRuns(after.bytes, origins, pieceDirect_[i], after.bytes.size());
    // A sample spread over the piece: stretches far apart copy from different places before it.
    if (runs.size() > kJoinRuns) {
      std::vector<CopiedRun> sample;
      for (size_t k = 0; k < kJoinRuns; ++k) sample.push_back(runs[k * runs.size() / kJoinRuns]);
      runs.swap(sample);
    }
    const BreakMark& mark = pieceBreaks_[i];
    GapChoice byAll, byOwn;
    byOwn.all = false;
    if (!runs.empty() && !after.fromStart && repairBudget_ >= 0 && joinSpent_ <= repairBudget_) {
      const Aligner aligner(before.bytes, after.bytes, runs, origins);
      const bool checked = before.fromStart && into == i - 1;
      const int64_t low =
          -std::min<int64_t>(checked ? kMaxCheckedOverlap : kMaxOverlap, static_cast<int64_t>(before.bytes.size()));
      int64_t work = 0;
      QuickBest bestQuick;
      // A larger gap would put every copy in the gap, filling none.
      int64_t high = low;
      for (const CopiedRun& r : runs) high = std::max(high, 1 - r.from - static_cast<int64_t>(r.size));
      const int64_t sizes = std::min(high, kMaxGap) - low;
      const bool quickly =
          sizes * static_cast<int64_t>(runs.size()) * kFullScoreBytes / kJoinCostPerSymbol > repairBudget_ - joinSpent_;
      const int64_t span = mark.gap >= 0 ? outcome->gaps[static_cast<size_t>(mark.gap)].inputEnd -
                                               outcome->gaps[static_cast<size_t>(mark.gap)].inputBegin
                                         : 0;
      const int64_t likely = kLikelySlack + 2 * span * static_cast<int64_t>(after.bytes.size()) /
                                                std::max<int64_t>(1, after.inputEnd - after.inputBegin);
      for (int64_t gap = low; gap < std::min(high, kMaxGap); ++gap) {
        work += static_cast<int64_t>(runs.size());  // each stretch is looked at, if only to be skipped
        if (joinSpent_ + work / kJoinCostPerSymbol > repairBudget_) break;
        if (quickly && (gap > likely || gap < -likely) &&
            !worthScoring(aligner.score(gap, &work, kQuickStride), &bestQuick))
          continue;
        const GapScore s = aligner.score(gap, &work);
        if (s.passes == 0) continue;
        byAll.consider(gap, s);
        byOwn.consider(gap, s);
      }
      repairSpent_ += work / kJoinCostPerSymbol;
      joinSpent_ += work / kJoinCostPerSymbol;
    }
    const GapChoice& choice = byAll.clear() ? byAll : byOwn;
    if (restarts_.empty() && byAll.found) {
      // The most the stream can have written before the piece: the piece
      // before, read from the stream's start, and what the gap's bits can
      // give with the block's codes.
      int64_t reach = kNoReach;
      if (before.fromStart && into == i - 1 && mark.gap >= 0 && mark.perBit > 0) {
        const InflateGap& g = outcome->gaps[static_cast<size_t>(mark.gap)];
        const double most = static_cast<double>((g.inputEnd - g.inputBegin) * 8 + kReachSlackBits) * mark.perBit;
        reach = static_cast<int64_t>(before.bytes.size()) + static_cast<int64_t>(std::min(most, 1.0 * kNoReach));
      }
      findHead(before, after, i, choice.clear() ? choice.gap : byAll.gap, choice.clear(), reach);
    }
    if (mark.restart >= 0) {
      const Restart& r = restarts_[static_cast<size_t>(mark.restart)];
      if (r.joined && (!choice.clear() || choice.gap != r.gap + static_cast<int64_t>(mark.dropped))) held_ = false;
    }
    const int64_t bestGap = choice.gap;
    if (!choice.clear() || total_ + static_cast<size_t>(std::max<int64_t>(bestGap, 0)) > options_.outputLimit) {
      into = i;
      continue;
    }
    // The last bytes before the break were decoded from the damage's first
    // bits, or out of step by them: they are unknown, and fill nothing.
    const int64_t beforeSize = static_cast<int64_t>(before.bytes.size());
    const int64_t trusted = static_cast<int64_t>(TrustedSize(before.bytes));
    std::fill(before.bytes.begin() + trusted, before.bytes.end(), kUnknownByte);
    // The bytes left unknown keep where they came from, now a place in the joined piece (or before it).
    std::vector<Origin>& joined = pieceOrigins_[into];
    const int64_t base = beforeSize + bestGap;
    while (!joined.empty() && static_cast<int64_t>(joined.back().at) >= std::min(base, trusted)) joined.pop_back();
    for (const Origin& o : origins) {
      const int64_t source = base + o.from;
      if (o.at >= after.bytes.size() || after.bytes[o.at] != kUnknownByte) continue;
      if (o.from < -bestGap && source >= 0 && source < trusted) {
        after.bytes[o.at] = before.bytes[static_cast<size_t>(source)];
      } else if (joined.size() < kMaxOrigins && base + static_cast<int64_t>(o.at) <= INT32_MAX) {
        joined.push_back({static_cast<uint32_t>(base + o.at), static_cast<int32_t>(source)});
      }
    }
    // The size joined is the output of the break before piece i when it is the only one since piece i-1.
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
  // What the joins left unknown is filled where the text tells it.
  for (size_t k = 0; k < pieces.size() && repairBudget_ >= 0 && joinSpent_ <= repairBudget_; ++k) {
    if (pieces[k].bytes.empty()) continue;
    const int64_t work = InferUnknown(&pieces[k].bytes, pieceOrigins_[k]) / kInferCostPerSymbol;
    repairSpent_ += work;
    joinSpent_ += work;
  }
  pieces.erase(std::remove_if(pieces.begin(), pieces.end(), [](const InflatePiece& p) { return p.bytes.empty(); }),
               pieces.end());
}

}  // namespace kw::inflate
