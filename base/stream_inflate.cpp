// SPDX-License-Identifier: Apache-2.0
#include "base/stream_inflate.h"

#include <algorithm>
#include <cstring>

#include "base/deflate_codes.h"

namespace kw {

namespace {

constexpr size_t kWindow = 32 << 10;  // the farthest a back reference reaches
constexpr size_t kMaxMatch = 258;     // the longest one
constexpr size_t kWindowSize = 3 * kWindow + 512;
constexpr size_t kDecodeEnd = kWindowSize - kMaxMatch - 8;  // room for a match copied 8 bytes at a time
constexpr size_t kInputSize = 64 << 10;                     // far more than the longest block header

// A table entry: the symbol, what it is, and its code's length. 0 means
// that more bits are needed than are held.
enum Kind : uint32_t { kValue = 1, kLength = 2, kEnd = 3, kInvalid = 4, kLong = 5 };
constexpr uint32_t Entry(uint32_t symbol, uint32_t kind, uint32_t length) { return symbol << 16 | kind << 8 | length; }
constexpr uint32_t SymbolOf(uint32_t e) { return e >> 16; }
constexpr uint32_t KindOf(uint32_t e) { return (e >> 8) & 0xFF; }
constexpr uint32_t LengthOf(uint32_t e) { return e & 0xFF; }

enum class CodeSet { kCodeLengths, kLiterals, kDistances };

uint32_t SymbolKind(uint32_t symbol, CodeSet set) {
  switch (set) {
    case CodeSet::kCodeLengths: return kValue;
    case CodeSet::kDistances: return symbol < 30 ? kValue : kInvalid;
    case CodeSet::kLiterals: break;
  }
  if (symbol < 256) return kValue;
  if (symbol == 256) return kEnd;
  return symbol <= 285 ? kLength : kInvalid;
}

uint32_t Reversed(uint32_t code, unsigned length) {
  uint32_t r = 0;
  for (unsigned i = 0; i < length; ++i, code >>= 1) r = r << 1 | (code & 1);
  return r;
}

// Builds `t` from the code lengths of `n` symbols, with zlib's rules: a set
// must not be over-subscribed; it must be complete, except for a literal or
// distance set of a single one-bit code; a set without any code makes every
// distance invalid, and makes every code-length code read as a 0 of one
// bit (so that the missing end-of-block code is the fault reported).
bool Build(StreamInflate::Table& t, const uint8_t* lengths, unsigned n, CodeSet set, unsigned rootBits) {
  t.set = static_cast<uint8_t>(set);
  t.count.fill(0);
  for (unsigned s = 0; s < n; ++s) ++t.count[lengths[s]];
  unsigned max = kMaxCodeBits;
  while (max > 0 && t.count[max] == 0) --max;
  t.rootMask = (1u << rootBits) - 1;
  if (max == 0) {
    const uint32_t e = set == CodeSet::kCodeLengths ? Entry(0, kValue, 1) : Entry(0, kInvalid, 1);
    std::fill(t.root.begin(), t.root.begin() + (size_t{1} << rootBits), e);
    t.count[0] = 0;
    return true;
  }
  int left = 1;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    left = (left << 1) - t.count[len];
    if (left < 0) return false;  // over-subscribed
  }
  if (left > 0 && (set == CodeSet::kCodeLengths || max != 1)) return false;  // incomplete
  std::array<uint16_t, kMaxCodeBits + 2> offset{};
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + t.count[len];
  for (unsigned s = 0; s < n; ++s) {
    if (lengths[s] != 0) t.sorted[offset[lengths[s]]++] = static_cast<uint16_t>(s);
  }
  // The hole of a one-code set is its other one-bit code.
  std::fill(t.root.begin(), t.root.begin() + (size_t{1} << rootBits), Entry(0, kInvalid, 1));
  uint32_t code = 0;
  unsigned index = 0;
  for (unsigned len = 1; len <= max; ++len, code <<= 1) {
    for (unsigned k = 0; k < t.count[len]; ++k, ++code) {
      const uint32_t symbol = t.sorted[index++];
      const uint32_t rev = Reversed(code, len);
      if (len <= rootBits) {
        for (uint32_t i = rev; i <= t.rootMask; i += 1u << len) t.root[i] = Entry(symbol, SymbolKind(symbol, set), len);
      } else {
        t.root[rev & t.rootMask] = Entry(0, kLong, rootBits + 1);
      }
    }
  }
  return true;
}

constexpr unsigned kLiteralRoot = 10;
constexpr unsigned kDistanceRoot = 8;
constexpr unsigned kCodeLengthRoot = 7;

struct FixedTables {
  StreamInflate::Table literals;
  StreamInflate::Table distances;
  FixedTables() {
    std::array<uint8_t, 288> lengths{};
    std::fill(lengths.begin(), lengths.begin() + 144, 8);
    std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
    std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
    std::fill(lengths.begin() + 280, lengths.end(), 8);
    Build(literals, lengths.data(), 288, CodeSet::kLiterals, kLiteralRoot);
    // 32 codes of five bits, of which 30 and 31 are invalid.
    lengths.fill(5);
    Build(distances, lengths.data(), 32, CodeSet::kDistances, kDistanceRoot);
  }
};

const FixedTables& Fixed() {
  static const FixedTables tables;
  return tables;
}

}  // namespace

StreamInflate::StreamInflate()
    : dynLit_(std::make_unique<Table>()),
      dynDist_(std::make_unique<Table>()),
      in_(std::make_unique<uint8_t[]>(kInputSize)),
      window_(std::make_unique<uint8_t[]>(kWindowSize)) {
  Fixed();
}

void StreamInflate::refill() {
  if (inEnd_ - inPos_ >= 8) {
    uint64_t v;
    std::memcpy(&v, in_.get() + inPos_, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    // The bits above the count are the next bytes' own, so a later refill
    // that puts them in again changes nothing.
    hold_ |= v << bits_;
    inPos_ += (63 - bits_) >> 3;
    bits_ |= 56;
    return;
  }
  while (bits_ <= 56 && inPos_ < inEnd_) {
    hold_ |= uint64_t{in_[inPos_++]} << bits_;
    bits_ += 8;
  }
}

uint32_t StreamInflate::lookup(const Table& t) const {
  const uint32_t e = t.root[hold_ & t.rootMask];
  if (KindOf(e) != kLong) return LengthOf(e) <= bits_ ? e : 0;
  // A code longer than the root, one bit at a time (canonical codes).
  uint64_t h = hold_;
  int code = 0, first = 0, index = 0;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    if (len > bits_) return 0;
    code |= static_cast<int>(h & 1);
    h >>= 1;
    const int count = t.count[len];
    if (code - first < count) {
      const uint32_t symbol = t.sorted[index + code - first];
      return Entry(symbol, SymbolKind(symbol, static_cast<CodeSet>(t.set)), len);
    }
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  return Entry(0, kInvalid, kMaxCodeBits);
}

StreamInflate::Step StreamInflate::fail(const char* why) {
  fault_ = why;
  mode_ = Mode::kBad;
  return Step::kMore;
}

bool StreamInflate::flush(uint8_t** out, size_t* outSize) {
  const size_t n = std::min(pending(), *outSize);
  if (n == 0) return false;
  std::memcpy(*out, window_.get() + sent_, n);
  *out += n;
  *outSize -= n;
  sent_ += n;
  return true;
}

// Whole bytes in the hold go back to the input, which still has them; the
// bits of a byte begun stay.
void StreamInflate::unhold() {
  const unsigned whole = bits_ / 8;
  inPos_ -= whole;
  bits_ -= whole * 8;
  hold_ &= (uint64_t{1} << bits_) - 1;
}

void StreamInflate::compact() {
  unhold();
  std::memmove(in_.get(), in_.get() + inPos_, inEnd_ - inPos_);
  callStart_ = std::max(callStart_, inPos_) - inPos_;
  inEnd_ -= inPos_;
  inPos_ = 0;
}

void StreamInflate::takeInput(const uint8_t** in, size_t* inSize) {
  if (*inSize == 0) return;
  if (inEnd_ == kInputSize && inPos_ > 0) compact();
  const size_t n = std::min(*inSize, kInputSize - inEnd_);
  std::memcpy(in_.get() + inEnd_, *in, n);
  inEnd_ += n;
  *in += n;
  *inSize -= n;
}

void StreamInflate::giveBack(const uint8_t** in, size_t* inSize) {
  unhold();
  const size_t from = std::max(inPos_, callStart_);
  if (inEnd_ <= from) return;
  const size_t back = inEnd_ - from;
  inEnd_ = from;
  *in -= back;
  *inSize += back;
}

void StreamInflate::slide() {
  const size_t keep = std::min(pos_, kWindow);
  std::memmove(window_.get(), window_.get() + pos_ - keep, keep);
  pos_ = sent_ = keep;
}

StreamInflate::Result StreamInflate::run(const uint8_t** in, size_t* inSize, uint8_t** out, size_t* outSize) {
  callStart_ = inEnd_;
  compact();  // the input kept from earlier calls moves to the buffer's start
  callStart_ = inEnd_;
  bool progress = false;
  while (true) {
    progress |= flush(out, outSize);
    if (pending() > 0) {  // no room left
      giveBack(in, inSize);
      return progress ? Result::kProgress : Result::kNeedInput;
    }
    if (mode_ == Mode::kDone) {
      giveBack(in, inSize);
      return Result::kEnd;
    }
    if (mode_ == Mode::kBad) return Result::kError;
    const size_t before = *inSize;
    takeInput(in, inSize);
    progress |= *inSize != before;
    const Step step = decode(*outSize);
    if (step == Step::kStuck && *inSize == 0) {  // every byte given is in, and more are needed
      progress |= flush(out, outSize);
      return progress ? Result::kProgress : Result::kNeedInput;
    }
    if (step == Step::kFull && *outSize == 0 && pending() == 0) {  // what comes next needs room
      giveBack(in, inSize);
      return progress ? Result::kProgress : Result::kNeedInput;
    }
  }
}

StreamInflate::Step StreamInflate::decode(size_t room) {
  if (pos_ >= kDecodeEnd) slide();  // everything decoded was handed over
  switch (mode_) {
    case Mode::kHeader: return header();
    case Mode::kStored: return stored(room);
    case Mode::kCodes: return codes(room);
    case Mode::kDone:
    case Mode::kBad: break;
  }
  return Step::kMore;
}

StreamInflate::Step StreamInflate::header() {
  const Mark start = mark();
  if (!have(3)) return Step::kStuck;
  final_ = take(1) != 0;
  switch (take(2)) {
    case 0: {
      take(bits_ % 8);  // to the byte boundary
      if (!have(32)) {
        restore(start);
        return Step::kStuck;
      }
      const uint32_t v = take(32);
      if ((v & 0xFFFF) != ((v >> 16) ^ 0xFFFF)) return fail("invalid stored block lengths");
      storedLeft_ = v & 0xFFFF;
      mode_ = Mode::kStored;
      return Step::kMore;
    }
    case 1:
      lit_ = &Fixed().literals;
      dist_ = &Fixed().distances;
      mode_ = Mode::kCodes;
      return Step::kMore;
    case 2: {
      const Step step = dynamicHeader();
      if (step == Step::kStuck) restore(start);
      return step;
    }
    default: return fail("invalid block type");
  }
}

StreamInflate::Step StreamInflate::dynamicHeader() {
  if (!have(14)) return Step::kStuck;
  const unsigned nlen = take(5) + 257;
  const unsigned ndist = take(5) + 1;
  const unsigned ncode = take(4) + 4;
  if (nlen > 286 || ndist > 30) return fail("too many length or distance symbols");
  std::array<uint8_t, 19> codeLengths{};
  for (unsigned i = 0; i < ncode; ++i) {
    if (!have(3)) return Step::kStuck;
    codeLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(take(3));
  }
  Table codes;
  if (!Build(codes, codeLengths.data(), 19, CodeSet::kCodeLengths, kCodeLengthRoot))
    return fail("invalid code lengths set");
  std::array<uint8_t, 320> lengths{};
  unsigned filled = 0;
  while (filled < nlen + ndist) {
    refill();
    const uint32_t e = lookup(codes);
    if (e == 0) return Step::kStuck;
    const uint32_t symbol = SymbolOf(e);
    if (symbol < 16) {
      take(LengthOf(e));
      lengths[filled++] = static_cast<uint8_t>(symbol);
      continue;
    }
    const unsigned extra = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
    if (!have(LengthOf(e) + extra)) return Step::kStuck;
    take(LengthOf(e));
    if (symbol == 16 && filled == 0) return fail("invalid bit length repeat");
    const uint8_t value = symbol == 16 ? lengths[filled - 1] : 0;
    const unsigned copies = (symbol == 18 ? 11 : 3) + take(extra);
    if (filled + copies > nlen + ndist) return fail("invalid bit length repeat");
    std::fill_n(lengths.begin() + filled, copies, value);
    filled += copies;
  }
  if (lengths[256] == 0) return fail("invalid code -- missing end-of-block");
  if (!Build(*dynLit_, lengths.data(), nlen, CodeSet::kLiterals, kLiteralRoot))
    return fail("invalid literal/lengths set");
  if (!Build(*dynDist_, lengths.data() + nlen, ndist, CodeSet::kDistances, kDistanceRoot))
    return fail("invalid distances set");
  lit_ = dynLit_.get();
  dist_ = dynDist_.get();
  mode_ = Mode::kCodes;
  return Step::kMore;
}

StreamInflate::Step StreamInflate::stored(size_t room) {
  while (storedLeft_ > 0 && bits_ >= 8 && pending() < room && pos_ < kWindowSize) {
    window_[pos_++] = static_cast<uint8_t>(take(8));
    --storedLeft_;
    ++total_;
  }
  if (bits_ == 0) hold_ = 0;  // what follows is copied straight from the input
  if (bits_ == 0 && storedLeft_ > 0) {
    const size_t n = std::min(
        {static_cast<size_t>(storedLeft_), inEnd_ - inPos_, room - std::min(room, pending()), kWindowSize - pos_});
    std::memcpy(window_.get() + pos_, in_.get() + inPos_, n);
    pos_ += n;
    inPos_ += n;
    total_ += n;
    storedLeft_ -= static_cast<uint32_t>(n);
  }
  if (storedLeft_ == 0) {
    mode_ = final_ ? Mode::kDone : Mode::kHeader;
    return Step::kMore;
  }
  if (pending() >= room || pos_ == kWindowSize) return Step::kFull;
  return inPos_ == inEnd_ ? Step::kStuck : Step::kMore;
}

// Decodes symbols while there is room. As in zlib, what needs no room (an
// end of block, a fault in a code) is decoded also when there is none left.
StreamInflate::Step StreamInflate::codes(size_t room) {
  const Table& lit = *lit_;
  const Table& dist = *dist_;
  while (pos_ < kDecodeEnd) {
    const Mark start = mark();
    if (bits_ < 48) refill();
    const uint32_t e = lookup(lit);
    if (e == 0) return Step::kStuck;
    const uint32_t kind = KindOf(e);
    if (kind == kEnd) {
      take(LengthOf(e));
      mode_ = final_ ? Mode::kDone : Mode::kHeader;
      return Step::kMore;
    }
    if (kind == kInvalid) return fail("invalid literal/length code");
    if (kind == kValue) {
      if (pending() >= room) return Step::kFull;
      take(LengthOf(e));
      window_[pos_++] = static_cast<uint8_t>(SymbolOf(e));
      ++total_;
      continue;
    }
    take(LengthOf(e));
    const uint32_t l = SymbolOf(e) - 257;
    if (!have(kLengthExtra[l])) {
      restore(start);
      return Step::kStuck;
    }
    const size_t length = kLengthBase[l] + take(kLengthExtra[l]);
    const uint32_t d = lookup(dist);
    if (d == 0) {
      restore(start);
      return Step::kStuck;
    }
    if (KindOf(d) != kValue) return fail("invalid distance code");
    take(LengthOf(d));
    const uint32_t ds = SymbolOf(d);
    if (!have(kDistExtra[ds])) {
      restore(start);
      return Step::kStuck;
    }
    const size_t distance = kDistBase[ds] + take(kDistExtra[ds]);
    if (pending() >= room) {
      restore(start);
      return Step::kFull;
    }
    if (distance > total_) return fail("invalid distance too far back");
    uint8_t* to = window_.get() + pos_;
    const uint8_t* from = to - distance;
    if (distance >= 8) {
      for (size_t i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
    } else if (distance == 1) {
      std::memset(to, *from, length);
    } else {
      for (size_t i = 0; i < length; ++i) to[i] = from[i];
    }
    pos_ += length;
    total_ += length;
  }
  return Step::kFull;
}

}  // namespace kw
