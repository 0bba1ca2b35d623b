// SPDX-License-Identifier: Apache-2.0
#pragma once
// The text range a FIB gives ([fcMin, fcMac) of the main stream), for when
// the piece table is lost or leads outside the stream: a sound writer keeps
// a document's text there, in order, so it is read as it lies.
//
// A Word 97 range may hold 8-bit and UTF-16 text, told apart a block at a
// time.

#include <cstdint>
#include <vector>

#include "formats/doc/deep/fib.h"
#include "formats/doc/deep/piece_table.h"

namespace kw {

class StreamSource;
class YieldClock;

// The range as pieces, 8-bit or UTF-16 as a sample of each block of it reads
// (Word 97; Word 6 text is all 8-bit), cut where the stories end when they
// fit in it (so that they split where the FIB says). False when the range is
// empty, reversed, inside the FIB or past the stream.
bool FibRangePieces(StreamSource& main, const Fib& fib, std::vector<Piece>* pieces);

// Of the characters the pieces name, how many lie inside the main stream.
// Reads the piece table once; ticks `clock` (may be null).
struct PieceCover {
  uint64_t chars = 0;
  uint64_t inside = 0;
};
PieceCover CoverOf(PieceTable& pieces, const StreamSource& main, YieldClock* clock);

// The stretches of [begin, end) of the main stream that no piece covers,
// each at least `least` bytes long, in file order, each with the end of the
// piece before it in the file. `byOffset`: the pieces sorted by their offsets.
struct ByteSpan {
  int64_t begin = 0;
  int64_t end = 0;
  uint64_t afterCp = 0;  // where the piece that ends last before it ends (0: none)
};
std::vector<ByteSpan> Uncovered(const std::vector<Piece>& byOffset, int64_t begin, int64_t end, int64_t least);

}  // namespace kw
