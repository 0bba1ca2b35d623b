// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/word_text.h"

#include <algorithm>

#include "base/cp1252.h"
#include "base/text_sink.h"
#include "formats/doc/deep/plain_chars.h"

namespace kw {

namespace {

constexpr size_t kStageChars = 8192;

}  // namespace

void WordTextWriter::beginStory() {
  if (started_ && !empty()) newLine();
  started_ = true;
}

void WordTextWriter::drain() {
  if (sink_ == nullptr || out_->size() < kDrainBytes) return;
  lastDrained_ = out_->back();
  drained_ = true;
  sink_->write(*out_);
  out_->clear();
}

void WordTextWriter::put8(const uint8_t* bytes, size_t size, CodePage page) {
  char stage[PlainCharsRoom(kStageChars)];
  for (size_t i = 0; i < size;) {
    if (!plain() || bytes[i] < 0x20) {
      put(char16_t(CodePagePoint(page, bytes[i++])));
      continue;
    }
    char* o = stage;
    i += PlainChars8(bytes + i, std::min(size - i, kStageChars), page, &o);
    high_ = 0;
    out_->append(stage, size_t(o - stage));
    drain();
  }
  drain();
}

void WordTextWriter::put16(const uint8_t* bytes, size_t units) {
  char stage[PlainCharsRoom(kStageChars)];
  for (size_t i = 0; i < units;) {
    const char16_t u = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (!plain() || u < 0x20 || (u & 0xF800) == 0xD800) {
      put(u);
      ++i;
      continue;
    }
    char* o = stage;
    i += PlainChars16(bytes + 2 * i, std::min(units - i, kStageChars), &o);
    high_ = 0;
    out_->append(stage, size_t(o - stage));
    drain();
  }
  drain();
}

void WordTextWriter::endStory() {
  if (instruction_ > 0) replay();
  flushCells();
  depth_ = instruction_ = 0;
  inResult_ = 0;
  high_ = 0;
  if (!empty() && (out_->empty() ? lastDrained_ : out_->back()) != '\n') newLine();
}

void WordTextWriter::putLines(const std::function<void(std::string*)>& write) {
  flushCells();
  high_ = 0;
  if (!empty() && (out_->empty() ? lastDrained_ : out_->back()) != '\n') newLine();
  write(out_);
  drain();
}

void WordTextWriter::flushCells() {
  if (cells_ == 0) return;
  const int n = cells_;
  cells_ = 0;
  if (n == 1) {
    out_->push_back('\t');
    return;
  }
  out_->append(size_t(n - 2), '\t');
  newLine();
}

void WordTextWriter::put(char16_t u) {
  // Fields first: their marks count even inside an instruction.
  if (u == 0x13) {
    if (depth_ < 64) inResult_ &= ~(uint64_t(1) << depth_);
    ++depth_;
    ++instruction_;
    return;
  }
  if (u == 0x14) {
    if (depth_ > 0 && depth_ <= 64 && !(inResult_ & (uint64_t(1) << (depth_ - 1)))) {
      inResult_ |= uint64_t(1) << (depth_ - 1);
      --instruction_;
    }
    if (instruction_ == 0) pending_.clear();
    return;
  }
  if (u == 0x15) {
    if (depth_ == 0) return;
    --depth_;
    if (depth_ >= 64 || !(inResult_ & (uint64_t(1) << depth_))) --instruction_;
    if (instruction_ < 0) instruction_ = 0;
    if (instruction_ == 0) pending_.clear();
    return;
  }
  if (instruction_ > 0) {
    if (u != 0x0D && u != 0x07 && pending_.size() < kMaxInstruction) {
      pending_.push_back(u);
      return;
    }
    replay();
  }
  text(u);
}

void WordTextWriter::replay() {
  std::u16string held;
  held.swap(pending_);
  depth_ = instruction_ = 0;
  inResult_ = 0;
  for (char16_t u : held) text(u);
}

void WordTextWriter::text(char16_t u) {
  if (u >= 0xD800 && u <= 0xDBFF) {
    high_ = u;
    return;
  }
  if (u >= 0xDC00 && u <= 0xDFFF) {
    if (high_) emit(0x10000 + ((char32_t(high_) - 0xD800) << 10) + (u - 0xDC00));
    high_ = 0;
    return;
  }
  high_ = 0;
  emit(u);
}

void WordTextWriter::emit(char32_t cp) {
  if (cp == 0x07) {
    ++cells_;
    return;
  }
  if (cells_ > 0) {
    if (cp == 0x0D && cells_ == 1) cells_ = 0;  // a lone cell mark before a paragraph's end
    flushCells();
  }
  switch (cp) {
    case 0x09: out_->push_back('\t'); return;
    case 0x0B:
    case 0x0C:
    case 0x0D: newLine(); return;
    case 0x1E: out_->push_back('-'); return;
    default: break;
  }
  if (IsTextCharacter(cp)) AppendUtf8(*out_, cp);
}

}  // namespace kw
