// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/piece_table.h"

#include <vector>

namespace kw {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

constexpr size_t kPcdSize = 8;

}  // namespace

bool ParsePieceTable(const uint8_t* clx, size_t size, bool word97, std::vector<Piece>* pieces, std::string* why) {
  pieces->clear();
  why->clear();
  size_t pos = 0;
  while (pos < size && clx[pos] == 0x01) {  // property records
    if (pos + 3 > size) break;
    pos += 3 + U16(clx + pos + 1);
  }
  if (pos + 5 > size || clx[pos] != 0x02) {
    *why = "The piece table, which says where the text lies, is missing or damaged.";
    return false;
  }
  uint64_t lcb = U32(clx + pos + 1);
  const uint8_t* plc = clx + pos + 5;
  const size_t room = size - pos - 5;
  if (lcb > room) {
    *why = "The piece table is cut short; the pieces it still holds are read.";
    lcb = room;
  }
  if (lcb < 4 + 4 + kPcdSize) {
    *why = "The piece table holds no pieces.";
    return false;
  }
  const size_t n = (lcb - 4) / (4 + kPcdSize);
  const uint8_t* pcds = plc + 4 * (n + 1);
  // A lone damaged position between two good ones is repaired from the
  // piece's bytes: pieces are written one after the other, so its length is
  // the gap to the next piece's bytes when that fits, else the room it has.
  std::vector<uint32_t> cps(n + 1);
  for (size_t i = 0; i <= n; ++i) cps[i] = U32(plc + 4 * i);
  int repaired = 0;
  if (cps[0] != 0) {  // the text always starts at character 0
    if (cps[1] == 0) {
      *why = "The piece table does not start at the first character.";
      return false;
    }
    cps[0] = 0;
    ++repaired;
  }
  for (size_t i = 1; i < n; ++i) {
    if (cps[i - 1] < cps[i] && cps[i] < cps[i + 1]) continue;
    if (!(cps[i - 1] < cps[i + 1]) || (i + 1 < n && !(cps[i + 1] < cps[i + 2]))) continue;
    const uint32_t fcA = U32(pcds + kPcdSize * (i - 1) + 2), fcB = U32(pcds + kPcdSize * i + 2);
    const bool narrow = !word97 || (fcA & 0x40000000u);
    const int64_t startA = word97 ? (narrow ? (fcA & 0x3FFFFFFFu) / 2 : (fcA & 0x3FFFFFFFu)) : fcA;
    const int64_t startB = word97 ? ((fcB & 0x40000000u) ? (fcB & 0x3FFFFFFFu) / 2 : (fcB & 0x3FFFFFFFu)) : fcB;
    const int64_t room = int64_t(cps[i + 1]) - cps[i - 1];
    const int64_t length = (startB - startA) / (narrow ? 1 : 2);
    cps[i] = uint32_t(cps[i - 1] + ((length > 0 && length < room) ? length : room - 1));
    ++repaired;
  }
  if (repaired > 0) {
    *why = std::to_string(repaired) +
           " damaged character positions in the piece table were repaired from their neighbours.";
  }
  for (size_t i = 0; i < n; ++i) {
    const uint32_t a = cps[i];
    const uint32_t b = cps[i + 1];
    if (b <= a) {
      *why = "The piece table's character positions stop rising after " + std::to_string(i) +
             " pieces; the rest of the table is ignored.";
      break;
    }
    const uint32_t fc = U32(pcds + kPcdSize * i + 2);
    Piece p;
    p.cpStart = a;
    p.cpEnd = b;
    if (word97) {
      p.eightBit = fc & 0x40000000u;
      p.offset = p.eightBit ? (fc & 0x3FFFFFFFu) / 2 : (fc & 0x3FFFFFFFu);
    } else {
      p.eightBit = true;
      p.offset = fc;
    }
    pieces->push_back(p);
  }
  if (pieces->empty()) {
    if (why->empty()) *why = "The piece table holds no pieces.";
    return false;
  }
  return true;
}

}  // namespace kw
