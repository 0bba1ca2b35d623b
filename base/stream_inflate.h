// SPDX-License-Identifier: Apache-2.0
#pragma once
// StreamInflate: the core's own decoder of raw deflate data (RFC 1951), for
// a build without zlib (zip_codec.h). It keeps the contract of zlib's
// inflate() as the readers use it: input and output in pieces of any size,
// the same output up to the first fault, the same faults (a block type 3, a
// stored length that fails its check, too many code lengths, a code set
// that is over-subscribed or incomplete, a repeat with nothing before it, no
// end-of-block code, a code in no table, a distance before the start), and
// input after the final block left unread.
//
// The input given is taken into a buffer of its own, so that a code cut by
// the end of one piece is decoded when the next arrives; input taken but not
// needed is handed back when a call stops for want of room. Decoded bytes go
// into a window that keeps the last 32 KiB for back references, and are
// handed over as the caller's room allows. Codes are looked up in a table
// of their first 10 (distances: 8) bits; longer ones are decoded bit by bit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kw {

class StreamInflate {
 public:
  enum class Result { kProgress, kEnd, kNeedInput, kError };

  StreamInflate();

  // Reads from *in (*inSize bytes) and writes to *out (*outSize bytes of
  // room), advancing both; the results mean what InflateStream's do.
  Result run(const uint8_t** in, size_t* inSize, uint8_t** out, size_t* outSize);

  // Why the data is not valid deflate, once run() said kError.
  const char* fault() const { return fault_; }

  // A code's lookup table (internal; public for the file's own helpers).
  struct Table {
    std::array<uint32_t, 1 << 10> root{};
    uint32_t rootMask = 0;
    std::array<uint16_t, 16> count{};    // codes of each length
    std::array<uint16_t, 320> sorted{};  // symbols in code order
    uint8_t set = 0;                     // which symbols are literals, lengths, distances
  };

 private:
  enum class Mode { kHeader, kStored, kCodes, kDone, kBad };
  enum class Step { kMore, kStuck, kFull };

  size_t pending() const { return pos_ - sent_; }
  bool flush(uint8_t** out, size_t* outSize);
  void unhold();
  void compact();
  void takeInput(const uint8_t** in, size_t* inSize);
  void giveBack(const uint8_t** in, size_t* inSize);
  Step decode(size_t room);
  Step header();
  Step dynamicHeader();
  Step stored(size_t room);
  Step codes(size_t room);
  void slide();
  Step fail(const char* why);

  // The bit reader: `hold_` keeps `bits_` unread bits, taken from
  // in_[..inPos_); bits above them may already hold the next bytes.
  void refill();
  bool have(unsigned n) {
    if (bits_ < n) refill();
    return bits_ >= n;
  }
  uint32_t take(unsigned n) {
    const auto v = static_cast<uint32_t>(hold_ & ((uint64_t{1} << n) - 1));
    hold_ >>= n;
    bits_ -= n;
    return v;
  }
  struct Mark {
    size_t inPos;
    uint64_t hold;
    unsigned bits;
  };
  Mark mark() const { return {inPos_, hold_, bits_}; }
  void restore(const Mark& m) {
    inPos_ = m.inPos;
    hold_ = m.hold;
    bits_ = m.bits;
  }
  // The entry for the next code (0 when more bits are needed than are held).
  uint32_t lookup(const Table& table) const;

  Mode mode_ = Mode::kHeader;
  bool final_ = false;
  const char* fault_ = nullptr;
  uint32_t storedLeft_ = 0;
  const Table* lit_ = nullptr;
  const Table* dist_ = nullptr;
  std::unique_ptr<Table> dynLit_;
  std::unique_ptr<Table> dynDist_;

  std::unique_ptr<uint8_t[]> in_;
  size_t inPos_ = 0;
  size_t inEnd_ = 0;
  size_t callStart_ = 0;  // where the bytes taken in this call begin
  uint64_t hold_ = 0;
  unsigned bits_ = 0;

  std::unique_ptr<uint8_t[]> window_;
  size_t pos_ = 0;      // where the next byte is decoded
  size_t sent_ = 0;     // the first byte not handed over yet
  uint64_t total_ = 0;  // bytes decoded since the stream's start
};

}  // namespace kw
