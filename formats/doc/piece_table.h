// SPDX-License-Identifier: Apache-2.0
#pragma once
// PieceTable: where each run of a Word document's characters lies in its main
// stream, from the CLX ("complex" part) of a Word 97-2003 or 6.0/95 file.
//
// open() skips the property records before the piece table and keeps the
// pieces whose character positions rise; it stops at the first piece that
// breaks the order and says so. A lone damaged position between two good
// ones is repaired from its neighbours. Offsets are not checked against the
// main stream: the text reader does that per piece.
//
// The table is never held whole: open() reads it from its stream a block at a
// time to check it, and the pieces are read again, in order, as they are
// taken, so that a table of millions of pieces costs a few blocks of memory.
// A table can also be a list of pieces given in memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kw {

class StreamSource;
class YieldClock;

struct Piece {
  uint32_t cpStart = 0;  // character positions [cpStart, cpEnd)
  uint32_t cpEnd = 0;
  uint32_t offset = 0;    // byte offset in the main stream
  bool eightBit = false;  // one byte per character, else UTF-16LE
};

class PieceTable {
 public:
  PieceTable() = default;
  // Pieces given in order, as they are.
  explicit PieceTable(std::vector<Piece> list);

  // The CLX at [offset, offset + size) of `stream`, which must lie inside
  // it and outlive the table. `word97`: the pieces may be UTF-16 (bit 30 of
  // the offset marks 8-bit ones); in Word 6.0/95 every piece is 8-bit.
  // Returns false, with the reason in `why`, when no piece table is found;
  // true with a note in `why` when it was cut or repaired.
  // `clock` (may be null) is ticked on a long table.
  bool open(StreamSource& stream, int64_t offset, uint32_t size, bool word97, YieldClock* clock, std::string* why);

  bool empty() const { return count_ == 0; }
  uint64_t size() const { return count_; }
  uint32_t endCp() const { return end_; }  // where the last piece ends

  // The pieces in order: rewind(), then next() until it gives false.
  void rewind();
  bool next(Piece* piece);

 private:
  // A window on a stretch of the stream, read a block at a time.
  class Window {
   public:
    void reset(StreamSource* stream, int64_t begin, int64_t end);
    uint8_t u8(int64_t at) { return *bytes(at, 1); }
    uint16_t u16(int64_t at);
    uint32_t u32(int64_t at);

   private:
    const uint8_t* bytes(int64_t at, size_t n);
    StreamSource* stream_ = nullptr;
    int64_t begin_ = 0, end_ = 0;  // the stretch, in stream offsets
    int64_t first_ = 0;            // stream offset of block_[0]
    std::vector<uint8_t> block_;
  };
  // The character positions in order, each repaired as it comes.
  uint32_t nextCp();
  uint32_t rawCp(uint64_t i) { return cps_.u32(plc_ + 4 * int64_t(i)); }
  uint32_t fc(uint64_t i) { return fcs_.u32(plc_ + 4 * int64_t(n_ + 1) + 8 * int64_t(i) + 2); }
  Piece pieceAt(uint64_t i, uint32_t start, uint32_t end);

  std::vector<Piece> list_;
  bool fromList_ = true;
  int64_t plc_ = 0;  // stream offset of the positions
  uint64_t n_ = 0;   // pieces the table holds
  bool word97_ = false;
  uint64_t count_ = 0;  // pieces kept
  uint32_t end_ = 0;
  Window cps_, fcs_;
  // The walk: the next position to give, the last one given, repairs so far.
  uint64_t cpIndex_ = 0;
  uint32_t lastCp_ = 0;
  int repaired_ = 0;
  uint64_t taken_ = 0;    // pieces next() has given
  uint32_t startCp_ = 0;  // where the next one starts
};

}  // namespace kw
