// SPDX-License-Identifier: Apache-2.0
// TolerantInflate on arbitrary bytes as a raw deflate stream: as XML text
// (repaired and resumed after damage) and as a picture (up to the first
// damage). Never crash; the output stays within its limit, its pieces are
// never empty and lie in the input, none beginning before the one before; a picture's output is one piece from the
// stream's start, and where zlib inflates the whole stream it is zlib's output, ended.

#include <zlib.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/docx/tolerant_inflate.h"

namespace {

constexpr size_t kLimit = size_t{1} << 20;

// zlib's inflation of the whole raw stream; false unless it ends cleanly within kLimit.
bool Zlib(std::string_view input, std::string* out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  int r = Z_OK;
  char buffer[16384];
  while (r == Z_OK && out->size() <= kLimit) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    r = inflate(&z, Z_NO_FLUSH);
    out->append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  return r == Z_STREAM_END && out->size() <= kLimit;
}

void CheckShape(const kw::InflateOutcome& r, size_t inputSize) {
  size_t total = 0;
  int64_t lastBegin = -1;
  for (size_t i = 0; i < r.pieces.size(); ++i) {
    const kw::InflatePiece& p = r.pieces[i];
    total += p.bytes.size();
    if (p.bytes.empty() || (p.fromStart && i > 0)) std::abort();
    if (p.inputBegin < lastBegin || p.inputBegin > p.inputEnd || p.inputEnd > static_cast<int64_t>(inputSize)) {
      std::abort();
    }
    lastBegin = p.inputBegin;
  }
  if (total > kLimit) std::abort();
  for (const kw::InflateGap& g : r.gaps) {
    if (g.inputBegin < 0 || g.inputBegin > g.inputEnd || g.inputEnd > static_cast<int64_t>(inputSize)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  kw::TolerantInflateOptions text;
  text.outputLimit = kLimit;
  CheckShape(kw::TolerantInflate(input, text, nullptr), size);

  kw::TolerantInflateOptions picture = text;
  picture.textual = false;
  picture.resync = false;
  const kw::InflateOutcome r = kw::TolerantInflate(input, picture, nullptr);
  CheckShape(r, size);
  if (r.pieces.size() > 1 || (r.pieces.size() == 1 && !r.pieces[0].fromStart)) std::abort();
  std::string expected;
  if (Zlib(input, &expected)) {
    const std::string got = r.pieces.empty() ? std::string() : r.pieces[0].bytes;
    if (!r.ended || got != expected) std::abort();
  }
  return 0;
}
