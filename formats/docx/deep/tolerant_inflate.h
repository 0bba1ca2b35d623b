// SPDX-License-Identifier: Apache-2.0
#pragma once
// TolerantInflate: inflates raw deflate data (RFC 1951) that damage may have
// broken, keeping everything that still decodes.
//
// The stream is decoded as far as it goes; when it breaks (a code that
// exists in no table, a distance before the start, a bad block header, a
// stored length that fails its check, or, for text, a control character no
// XML holds) the output so far is kept as one piece and decoding resumes
// after the damage: first with the broken block's own code tables a few bits
// further on (past the literals that read as garbage, inflate_head.cpp),
// else at the next bit position where a whole block decodes cleanly. Bytes that a resumed piece copies from before its
// own start are unknown and are written as kUnknownByte (0xFF, never part of UTF-8 text). Output stops at the caller's
// limit, so hostile input cannot exhaust memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class YieldClock;

inline constexpr char kUnknownByte = '\xFF';

struct InflatePiece {
  std::string bytes;
  bool fromStart = false;  // begins at the stream's start, so no byte is unknown
  int64_t inputBegin = 0;  // where in the input the piece begins and ends (bytes)
  int64_t inputEnd = 0;
};

// A stretch of input that gave no output: the piece before it broke there.
struct InflateGap {
  static constexpr int64_t kUnknownLength = -1;
  int64_t inputBegin = 0;
  int64_t inputEnd = 0;  // where the next piece resumed, or the input's end
  // How many bytes of output the stretch hid, once the pieces on either side
  // are joined (see inflate_join.cpp); kUnknownLength when that cannot be told.
  int64_t outputLength = kUnknownLength;
};

struct InflateOutcome {
  std::vector<InflatePiece> pieces;
  std::vector<InflateGap> gaps;
  bool ended = false;         // the final block ended cleanly
  bool inputEnded = false;    // the input ran out before the final block ended
  bool limitReached = false;  // output stopped at the limit
  int64_t consumed = 0;       // input bytes up to the end of the final block
};

// The trial work (symbols decoded by repairs and resumes, bit positions
// tried by the searches for a next block) that the streams of one package
// may spend together, whatever each may spend on its own, so that a package
// full of damaged entries costs a bounded time. Each stream takes what it
// spends; once it is gone, a damaged stream keeps its output up to the
// break and is not repaired, and `skipped` counts it.
struct RepairBudget {
  int64_t symbols = int64_t{32} << 20;
  int64_t positions = int64_t{4} << 20;
  int64_t skipped = 0;
  bool spent() const { return symbols <= 0 || positions <= 0; }
};

// How much of inflated XML comes before the first byte that XML text never
// holds (where the tolerant decoder would see damage at the latest).
size_t TextPrefix(std::string_view bytes);

struct TolerantInflateOptions {
  size_t outputLimit = 64u << 20;
  bool textual = true;             // output is XML text: control characters are damage
  bool resync = true;              // false: stop at the first damage (pictures)
  RepairBudget* budget = nullptr;  // shared with the package's other streams, when given
};

InflateOutcome TolerantInflate(std::string_view input, const TolerantInflateOptions& options, YieldClock* clock);

}  // namespace kw
