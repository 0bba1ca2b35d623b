// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/text_range.h"

#include <algorithm>

#include "base/yield_clock.h"
#include "formats/doc/deep/stream_source.h"

namespace kw {

namespace {

constexpr uint32_t kFibEnd = 0x60;      // no text starts inside the FIB's fixed part
constexpr int64_t kLeastBlock = 16;     // bytes judged at a time ...
constexpr int64_t kMostBlocks = 16384;  // ... or more, so that a long range makes this many at most
constexpr uint32_t kClockEvery = 4096;  // pieces between clock ticks

// Whether the character at `d` (a UTF-16 unit's bytes) reads as one of a
// run of UTF-16 text of an alphabet: its high byte is zero (Latin, spaces,
// punctuation) or that of the alphabet's last letter (0x04 for Cyrillic).
// 8-bit text has no zero bytes, and its odd bytes rarely repeat.
bool AlphabetUnit(const uint8_t* d, uint8_t* lastHigh) {
  if (d[1] == 0) return true;
  const bool same = d[1] == *lastHigh;
  *lastHigh = d[1];
  return same;
}

// Whether a block of the range holds UTF-16 rather than 8-bit text: most of
// its characters read as a run of an alphabet's; or, for CJK, it has no
// space byte and low bytes that are controls or high half the time, where
// 8-bit text (which Word keeps to Windows-1252) is letters and spaces.
enum class BlockKind { kEightBit, kAlphabet, kCjk };
BlockKind KindOfBlock(const uint8_t* d, size_t n) {
  size_t alphabet = 0, spaces = 0, oddLow = 0;
  uint8_t lastHigh = 0;
  for (size_t i = 0; i + 1 < n; i += 2) {
    alphabet += AlphabetUnit(d + i, &lastHigh);
    spaces += (d[i] == 0x20) + (d[i + 1] == 0x20);
    oddLow += d[i] < 0x20 || d[i] >= 0x80;
  }
  const size_t pairs = n / 2;
  if (alphabet * 4 >= pairs * 3) return BlockKind::kAlphabet;
  return spaces * 33 < n && oddLow * 10 >= pairs * 3 ? BlockKind::kCjk : BlockKind::kEightBit;
}

// Where, in `n` bytes whose kind changes, the new kind starts (an even
// offset): UTF-16 where three characters in a row read as an alphabet's,
// 8-bit where two in a row no longer do.
size_t KindChange(const uint8_t* d, size_t n, bool toWide) {
  uint8_t lastHigh = 0;
  int run = 0;  // characters in a row of the new kind
  for (size_t j = 0; j + 1 < n; j += 2) {
    const bool wide = AlphabetUnit(d + j, &lastHigh);
    run = wide == toWide ? run + 1 : 0;
    if (run == (toWide ? 3 : 2)) return j + 2 - 2 * size_t(run);
  }
  return n & ~size_t(1);
}

}  // namespace

bool FibRangePieces(StreamSource& main, const Fib& fib, std::vector<Piece>* pieces) {
  pieces->clear();
  const int64_t begin = fib.fcMin;
  const int64_t end = std::min<int64_t>(fib.fcMac, main.size());
  if (fib.fcMin < kFibEnd || begin >= end) return false;
  const int64_t block = std::max(kLeastBlock, ((end - begin) / kMostBlocks + 1) & ~int64_t(1));
  const bool word97 = fib.version == WordVersion::kWord97;
  // Stretches of one kind, each from where the kind changes.
  struct Stretch {
    int64_t at;
    bool wide;
  };
  std::vector<Stretch> stretches;
  BlockKind last = BlockKind::kEightBit;
  for (int64_t at = begin; at < end; at += block) {
    const size_t n = size_t(std::min(block, end - at));
    const BlockKind kind = word97 && n >= 2 ? KindOfBlock(main.view(at, n), n) : BlockKind::kEightBit;
    const bool wide = kind != BlockKind::kEightBit;
    const bool alphabet = kind == BlockKind::kAlphabet || last == BlockKind::kAlphabet;
    last = kind;
    if (!stretches.empty() && stretches.back().wide == wide) continue;
    int64_t from = at;
    if (!stretches.empty() && alphabet) {  // where in the two blocks the kind changes
      const int64_t back = std::max(stretches.back().at, at - block);
      const size_t m = size_t(std::min(at + block, end) - back);
      const size_t change = KindChange(main.view(back, m), m, wide);
      if (change < m) from = back + int64_t(change);
    }
    stretches.push_back({from, wide});
  }
  uint32_t cp = 0;
  for (size_t k = 0; k < stretches.size(); ++k) {
    const int64_t to = k + 1 < stretches.size() ? stretches[k + 1].at : end;
    const uint32_t chars = uint32_t((to - stretches[k].at) / (stretches[k].wide ? 2 : 1));
    if (chars == 0) continue;
    pieces->push_back(Piece{cp, cp + chars, uint32_t(stretches[k].at), !stretches[k].wide});
    cp += chars;
  }
  // The stories split where the FIB says when they fit in the range.
  const uint64_t stories = TotalCp(fib);
  if (stories > 0 && stories < cp) {
    while (!pieces->empty() && pieces->back().cpStart >= stories) pieces->pop_back();
    if (!pieces->empty()) pieces->back().cpEnd = uint32_t(stories);
  }
  return !pieces->empty();
}

PieceCover CoverOf(PieceTable& pieces, const StreamSource& main, YieldClock* clock) {
  PieceCover cover;
  const uint64_t size = uint64_t(std::max<int64_t>(main.size(), 0));
  Piece p;
  uint32_t count = 0;
  pieces.rewind();
  while (pieces.next(&p)) {
    if (clock && ++count % kClockEvery == 0) {
      clock->tick();
      if (clock->stopped()) break;
    }
    const uint64_t chars = p.cpEnd - p.cpStart;
    const uint64_t width = p.eightBit ? 1 : 2;
    const uint64_t room = p.offset < size ? (size - p.offset) / width : 0;
    cover.chars += chars;
    cover.inside += std::min(chars, room);
  }
  pieces.rewind();
  return cover;
}

std::vector<ByteSpan> Uncovered(const std::vector<Piece>& byOffset, int64_t begin, int64_t end, int64_t least) {
  std::vector<ByteSpan> spans;
  int64_t at = begin;
  uint64_t atCp = 0;  // the end of the piece that reached `at`
  auto gap = [&](int64_t to) {
    if (to - at >= least) spans.push_back({at, to, atCp});
  };
  for (const Piece& p : byOffset) {
    if (at >= end) break;
    const int64_t from = std::min<int64_t>(p.offset, end);
    const int64_t to = int64_t(p.offset) + int64_t(p.cpEnd - p.cpStart) * (p.eightBit ? 1 : 2);
    if (from > at) gap(from);
    if (to > at) {
      at = to;
      atCp = p.cpEnd;
    }
  }
  if (end > at) gap(end);
  return spans;
}

}  // namespace kw
