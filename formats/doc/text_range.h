// SPDX-License-Identifier: Apache-2.0
#pragma once
// The text range a FIB gives ([fcMin, fcMac) of the main stream), for when
// the piece table is lost or leads outside the stream: a sound writer keeps
// a document's text there, in order, so it is read as one piece.
//
// A Word 97 range may hold 8-bit or UTF-16 text; which is told by how many
// of the high bytes of a sample are zero.

#include <cstdint>

#include "formats/doc/fib.h"
#include "formats/doc/piece_table.h"

namespace kw {

class StreamSource;
class YieldClock;

// The range as one piece, as many characters long as the stories when they
// fit in it (so that they split where the FIB says), else as the range holds.
// False when the range is empty, reversed, inside the FIB or past the stream.
bool FibRangePiece(StreamSource& main, const Fib& fib, Piece* piece);

// Of the characters the pieces name, how many lie inside the main stream.
// Reads the piece table once; ticks `clock` (may be null).
struct PieceCover {
  uint64_t chars = 0;
  uint64_t inside = 0;
};
PieceCover CoverOf(PieceTable& pieces, const StreamSource& main, YieldClock* clock);

}  // namespace kw
