// SPDX-License-Identifier: Apache-2.0
#include "web/wasm/preview_sink.h"

#include <cstdint>

#include "base/simd_dispatch.h"

namespace kw::web {

PreviewSink::PreviewSink(Deliver deliver, size_t batch) : deliver_(std::move(deliver)), batch_(batch) {}

void PreviewSink::write(std::string_view piece) {
  trim_.write(piece, [this](std::string_view bytes) { emit(bytes); });
}

void PreviewSink::emit(std::string_view bytes) {
  count(bytes);
  if (bytes.size() >= batch_) {  // a long piece goes on as it is, never copied
    flush();
    deliver_(bytes);
    return;
  }
  buffer_.append(bytes);
  if (buffer_.size() >= batch_) flush();
}

// Characters: bytes that begin one (not 0x80-0xBF), less line feeds and the
// carriage returns that end a line. Paragraphs: lines with a byte above a
// blank. This runs over every byte of the text: sixteen bytes at a time,
// their continuation bytes, line feeds and bytes above a blank as bit masks
// (SSE2 natively, WebAssembly SIMD in the page), the rest a byte at a time.
void PreviewSink::count(std::string_view bytes) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t n = bytes.size();
  size_t at = 0;
#if KW_SSE2
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i belowLead = _mm_set1_epi8(-64);  // 0x80-0xBF are below it as signed bytes
  const __m128i aboveBlank = _mm_set1_epi8(' ' + 1);
  for (; n - at >= 16; at += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    const auto continuations = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmplt_epi8(v, belowLead)));
    auto lines = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    const auto text = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(v, aboveBlank), v)));
    characters_ += 16 - __builtin_popcount(continuations);
    uint32_t lineStart = 0xFFFF;  // the bits of this line's bytes in the block
    while (lines != 0) {
      const int i = __builtin_ctz(lines);
      const uint32_t before = (1u << i) - 1;
      lineHoldsText_ = lineHoldsText_ || (text & lineStart & before) != 0;
      const bool crEnds = at + i > 0 ? p[at + i - 1] == '\r' : afterCr_;
      characters_ -= crEnds ? 2 : 1;
      paragraphs_ += lineHoldsText_ ? 1 : 0;
      lineHoldsText_ = false;
      lineStart = 0xFFFF & ~(before | (1u << i));
      lines &= lines - 1;
    }
    lineHoldsText_ = lineHoldsText_ || (text & lineStart) != 0;
  }
#endif
  for (; at < n; ++at) {
    const uint8_t c = p[at];
    characters_ += static_cast<signed char>(c) < -64 ? 0 : 1;
    if (c == '\n') {
      const bool crEnds = at > 0 ? p[at - 1] == '\r' : afterCr_;
      characters_ -= crEnds ? 2 : 1;
      paragraphs_ += lineHoldsText_ ? 1 : 0;
      lineHoldsText_ = false;
    } else if (c > ' ') {
      lineHoldsText_ = true;
    }
  }
  if (n > 0) afterCr_ = p[n - 1] == '\r';
}

void PreviewSink::flush() {
  if (buffer_.empty()) return;
  deliver_(buffer_);
  buffer_.clear();
}

void PreviewSink::finish() {
  flush();  // spaces still held back end the text: they are left out
}

TextStats PreviewSink::stats() const {
  TextStats stats;
  stats.characters = characters_ - (afterCr_ ? 1 : 0);  // a CR at the very end ends the last line
  stats.paragraphs = paragraphs_ + (lineHoldsText_ ? 1 : 0);
  return stats;
}

}  // namespace kw::web
