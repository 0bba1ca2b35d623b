// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/piece_table.h"

#include <algorithm>

#include "base/yield_clock.h"
#include "formats/doc/stream_source.h"

namespace kw {

namespace {

constexpr int64_t kPcdSize = 8;
constexpr int64_t kBlock = int64_t(64) << 10;  // bytes a window reads at a time

}  // namespace

void PieceTable::Window::reset(StreamSource* stream, int64_t begin, int64_t end) {
  stream_ = stream;
  begin_ = begin;
  end_ = end;
  first_ = begin;
  block_.clear();
}

const uint8_t* PieceTable::Window::bytes(int64_t at, size_t n) {
  if (at < first_ || at + int64_t(n) > first_ + int64_t(block_.size())) {
    first_ = at;
    const size_t length = size_t(std::min(kBlock, end_ - at));
    const uint8_t* p = stream_->view(at, length);
    block_.assign(p, p + length);
  }
  return block_.data() + (at - first_);
}

uint16_t PieceTable::Window::u16(int64_t at) {
  const uint8_t* p = bytes(at, 2);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t PieceTable::Window::u32(int64_t at) {
  const uint8_t* p = bytes(at, 4);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

PieceTable::PieceTable(std::vector<Piece> list) : list_(std::move(list)) {
  count_ = list_.size();
  end_ = list_.empty() ? 0 : list_.back().cpEnd;
}

bool PieceTable::open(StreamSource& stream, int64_t offset, uint32_t size, bool word97, YieldClock* clock,
                      std::string* why) {
  *this = PieceTable();
  fromList_ = false;
  word97_ = word97;
  why->clear();
  Window clx;
  clx.reset(&stream, offset, offset + size);
  int64_t pos = 0;
  while (pos < size && clx.u8(offset + pos) == 0x01) {  // property records
    if (pos + 3 > size) break;
    pos += 3 + clx.u16(offset + pos + 1);
  }
  if (pos + 5 > size || clx.u8(offset + pos) != 0x02) {
    *why = "The piece table, which says where the text lies, is missing or damaged.";
    return false;
  }
  uint64_t lcb = clx.u32(offset + pos + 1);
  plc_ = offset + pos + 5;
  const uint64_t room = uint64_t(size - pos - 5);
  if (lcb > room) {
    *why = "The piece table is cut short; the pieces it still holds are read.";
    lcb = room;
  }
  if (lcb < 4 + 4 + kPcdSize) {
    *why = "The piece table holds no pieces.";
    return false;
  }
  n_ = (lcb - 4) / (4 + kPcdSize);
  const int64_t pcds = plc_ + 4 * int64_t(n_ + 1);
  cps_.reset(&stream, plc_, pcds);
  fcs_.reset(&stream, pcds, pcds + kPcdSize * int64_t(n_));
  if (rawCp(0) != 0 && rawCp(1) == 0) {  // the text always starts at character 0
    *why = "The piece table does not start at the first character.";
    return false;
  }
  // Every position is walked (the repairs are counted to the end); the
  // pieces end where the positions stop rising.
  count_ = n_;
  uint32_t previous = nextCp();
  end_ = previous;
  for (uint64_t i = 1; i <= n_; ++i) {
    if ((i & 0xFFF) == 0 && clock != nullptr) clock->tick();
    const uint32_t cp = nextCp();
    if (count_ == n_ && cp <= previous) {
      count_ = i - 1;
      end_ = previous;
    }
    if (count_ == n_) end_ = cp;
    previous = cp;
  }
  if (repaired_ > 0) {
    *why = std::to_string(repaired_) +
           " damaged character positions in the piece table were repaired from their neighbours.";
  }
  if (count_ < n_) {
    *why = "The piece table's character positions stop rising after " + std::to_string(count_) +
           " pieces; the rest of the table is ignored.";
  }
  if (count_ == 0) {
    if (why->empty()) *why = "The piece table holds no pieces.";
    return false;
  }
  rewind();
  return true;
}

uint32_t PieceTable::nextCp() {
  const uint64_t i = cpIndex_++;
  uint32_t cp = rawCp(i);
  if (i == 0 && cp != 0) {
    cp = 0;
    ++repaired_;
  } else if (i > 0 && i < n_) {
    // A lone damaged position between two good ones is repaired from the
    // piece's bytes: pieces are written one after the other, so its length is
    // the gap to the next piece's bytes when that fits, else the room it has.
    const uint32_t next = rawCp(i + 1);
    const bool inOrder = lastCp_ < cp && cp < next;
    const bool repairable = lastCp_ < next && !(i + 1 < n_ && !(next < rawCp(i + 2)));
    if (!inOrder && repairable) {
      const uint32_t fcA = fc(i - 1), fcB = fc(i);
      const bool narrow = !word97_ || (fcA & 0x40000000u);
      const int64_t startA = word97_ ? (narrow ? (fcA & 0x3FFFFFFFu) / 2 : (fcA & 0x3FFFFFFFu)) : fcA;
      const int64_t startB = word97_ ? ((fcB & 0x40000000u) ? (fcB & 0x3FFFFFFFu) / 2 : (fcB & 0x3FFFFFFFu)) : fcB;
      const int64_t room = int64_t(next) - lastCp_;
      const int64_t length = (startB - startA) / (narrow ? 1 : 2);
      cp = uint32_t(lastCp_ + ((length > 0 && length < room) ? length : room - 1));
      ++repaired_;
    }
  }
  lastCp_ = cp;
  return cp;
}

Piece PieceTable::pieceAt(uint64_t i, uint32_t start, uint32_t end) {
  const uint32_t f = fc(i);
  Piece p;
  p.cpStart = start;
  p.cpEnd = end;
  if (word97_) {
    p.eightBit = f & 0x40000000u;
    p.offset = p.eightBit ? (f & 0x3FFFFFFFu) / 2 : (f & 0x3FFFFFFFu);
  } else {
    p.eightBit = true;
    p.offset = f;
  }
  return p;
}

void PieceTable::rewind() {
  taken_ = 0;
  if (fromList_ || count_ == 0) return;
  cpIndex_ = 0;
  repaired_ = 0;
  lastCp_ = 0;
  startCp_ = nextCp();
}

bool PieceTable::next(Piece* piece) {
  if (taken_ >= count_) return false;
  if (fromList_) {
    *piece = list_[taken_++];
    return true;
  }
  const uint32_t end = nextCp();
  *piece = pieceAt(taken_++, startCp_, end);
  startCp_ = end;
  return true;
}

}  // namespace kw
