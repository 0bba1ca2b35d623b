// SPDX-License-Identifier: Apache-2.0
#pragma once
// PieceTable: where each run of a Word document's characters lies in its main
// stream, from the CLX ("complex" part) of a Word 97-2003 or 6.0/95 file.
//
// ParsePieceTable() skips the property records before the piece table and
// keeps the pieces whose character positions rise; it stops at the first piece
// that breaks the order and says so. Offsets are not checked against the main
// stream: the text reader does that per piece.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kw {

struct Piece {
  uint32_t cpStart = 0;  // character positions [cpStart, cpEnd)
  uint32_t cpEnd = 0;
  uint32_t offset = 0;    // byte offset in the main stream
  bool eightBit = false;  // one byte per character, else UTF-16LE
};

// `word97`: the pieces may be UTF-16 (bit 30 of the offset marks 8-bit ones);
// in Word 6.0/95 every piece is 8-bit. Returns false, with the reason in `why`,
// when no piece table is found; true with a note in `why` when it was cut.
bool ParsePieceTable(const uint8_t* clx, size_t size, bool word97, std::vector<Piece>* pieces, std::string* why);

}  // namespace kw
