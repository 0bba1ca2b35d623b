// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_range.h"

#include <algorithm>

#include "base/yield_clock.h"
#include "formats/doc/stream_source.h"

namespace kw {

namespace {

constexpr uint32_t kFibEnd = 0x60;      // no text starts inside the FIB's fixed part
constexpr size_t kSample = 4096;        // bytes looked at to tell 8-bit from UTF-16
constexpr uint32_t kClockEvery = 4096;  // pieces between clock ticks

// UTF-16 text of a Latin script has most of its odd bytes zero, and few of
// its even ones; 8-bit text has hardly any zero byte.
bool LooksUtf16(StreamSource& main, int64_t begin, int64_t end) {
  const size_t n = size_t(std::min<int64_t>(end - begin, int64_t(kSample))) & ~size_t(1);
  if (n < 2) return false;
  const uint8_t* d = main.view(begin, n);
  size_t oddZero = 0, evenZero = 0;
  for (size_t i = 0; i < n; i += 2) {
    evenZero += d[i] == 0;
    oddZero += d[i + 1] == 0;
  }
  return oddZero * 5 >= (n / 2) * 2 && oddZero > 2 * evenZero;
}

}  // namespace

bool FibRangePiece(StreamSource& main, const Fib& fib, Piece* piece) {
  const int64_t begin = fib.fcMin;
  const int64_t end = std::min<int64_t>(fib.fcMac, main.size());
  if (fib.fcMin < kFibEnd || begin >= end) return false;
  const bool wide = fib.version == WordVersion::kWord97 && LooksUtf16(main, begin, end);
  const uint64_t held = uint64_t(end - begin) / (wide ? 2 : 1);
  const uint64_t stories = TotalCp(fib);
  const uint64_t chars = stories > 0 && stories <= held ? stories : held;
  if (chars == 0) return false;
  *piece = Piece{0, uint32_t(std::min<uint64_t>(chars, UINT32_MAX)), fib.fcMin, !wide};
  return true;
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

}  // namespace kw
