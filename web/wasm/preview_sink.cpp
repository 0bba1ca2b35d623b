// SPDX-License-Identifier: Apache-2.0
#include "web/wasm/preview_sink.h"

#include <algorithm>
#include <cstring>

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
// blank. Lines are found with memchr and continuation bytes counted in a
// loop the compiler vectorises: this runs over every byte of the text.
void PreviewSink::count(std::string_view bytes) {
  const char* p = bytes.data();
  const size_t n = bytes.size();
  int64_t continuations = 0;
  for (size_t i = 0; i < n; ++i) continuations += static_cast<signed char>(p[i]) < -64;
  characters_ += static_cast<int64_t>(n) - continuations;
  size_t start = 0;
  while (start < n) {
    const void* found = std::memchr(p + start, '\n', n - start);
    const size_t end = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - p) : n;
    if (!lineHoldsText_) {
      lineHoldsText_ = std::any_of(p + start, p + end, [](char c) { return static_cast<unsigned char>(c) > ' '; });
    }
    if (found != nullptr) {
      const bool crEnds = end > start ? p[end - 1] == '\r' : afterCr_;
      characters_ -= crEnds ? 2 : 1;
      paragraphs_ += lineHoldsText_ ? 1 : 0;
      lineHoldsText_ = false;
      afterCr_ = false;
    }
    start = end + 1;
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
