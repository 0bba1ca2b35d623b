// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_range.h"

#include <algorithm>

#include "base/yield_clock.h"
#include "formats/doc/stream_source.h"

namespace kw {

namespace {

constexpr uint32_t kFibEnd = 0x60;      // no text starts inside the FIB's fixed part
constexpr int64_t kLeastBlock = 16;     // bytes judged at a time ...
constexpr int64_t kMostBlocks = 16384;  // ... or more, so that a long range makes this many at most
constexpr uint32_t kClockEvery = 4096;  // pieces between clock ticks

// Whether a block of the range holds UTF-16 rather than 8-bit text. UTF-16
// of an alphabet keeps its high bytes the same from one character to the
// next (0x00 for Latin, 0x04 for Cyrillic). UTF-16 of CJK has no space byte,
// and low bytes that are controls or high half the time, where 8-bit text
// (which Word keeps to Windows-1252) is mostly letters and spaces.
bool Utf16Block(const uint8_t* d, size_t n) {
  size_t same = 0, spaces = 0, oddLow = 0;
  for (size_t i = 0; i + 1 < n; i += 2) {
    same += i >= 2 && d[i + 1] == d[i - 1];
    spaces += (d[i] == 0x20) + (d[i + 1] == 0x20);
    oddLow += d[i] < 0x20 || d[i] >= 0x80;
  }
  const size_t pairs = n / 2;
  return same * 5 >= pairs * 2 || (spaces * 33 < n && oddLow * 10 >= pairs * 3);
}

// Where, in `n` bytes whose kind changes, the new kind starts (an even
// offset): UTF-16 where three characters in a row share their high byte,
// 8-bit where two in a row no longer do.
size_t KindChange(const uint8_t* d, size_t n, bool toWide) {
  for (size_t j = 2; j + 5 < n; j += 2) {
    const bool shared = d[j + 1] == d[j + 3] && d[j + 3] == d[j + 5];
    if (toWide ? shared : d[j + 1] != d[j - 1] && d[j + 3] != d[j + 1]) return j;
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
  for (int64_t at = begin; at < end; at += block) {
    const size_t n = size_t(std::min(block, end - at));
    const bool wide = word97 && n >= 2 && Utf16Block(main.view(at, n), n);
    if (!stretches.empty() && stretches.back().wide == wide) continue;
    int64_t from = at;
    if (!stretches.empty()) {  // where in the two blocks the kind changes
      const int64_t back = std::max(stretches.back().at, at - block);
      const size_t m = size_t(std::min(at + block, end) - back);
      from = back + int64_t(KindChange(main.view(back, m), m, wide));
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
  auto gap = [&](int64_t to) {
    if (to - at >= least) spans.push_back({at, to});
  };
  for (const Piece& p : byOffset) {
    if (at >= end) break;
    const int64_t from = std::min<int64_t>(p.offset, end);
    const int64_t to = int64_t(p.offset) + int64_t(p.cpEnd - p.cpStart) * (p.eightBit ? 1 : 2);
    if (from > at) gap(from);
    at = std::max(at, to);
  }
  if (end > at) gap(end);
  return spans;
}

}  // namespace kw
