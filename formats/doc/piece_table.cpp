#include "formats/doc/piece_table.h"

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
  if (U32(plc) != 0) {
    *why = "The piece table does not start at the first character.";
    return false;
  }
  for (size_t i = 0; i < n; ++i) {
    const uint32_t a = U32(plc + 4 * i);
    const uint32_t b = U32(plc + 4 * (i + 1));
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
