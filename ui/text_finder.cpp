// SPDX-License-Identifier: Apache-2.0
#include "ui/text_finder.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstring>
#include <string_view>

#include "ui/text_cells.h"
#include "ui/text_view.h"

namespace kw::ui {

namespace {

// Candidate positions searched in one slice, and the time one pass of the
// event loop may take.
constexpr size_t kSlice = 1 << 20;
constexpr qint64 kPassMs = 15;

char32_t Fold(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  return QChar::toCaseFolded(c);
}

}  // namespace

TextFinder::TextFinder(TextView* view, QObject* parent) : QObject(parent), view_(view), timer_(new QTimer(this)) {
  timer_->setInterval(0);
  connect(timer_, &QTimer::timeout, this, &TextFinder::searchSlices);
  connect(view_, &TextView::textReplaced, this, &TextFinder::cancel);
}

bool TextFinder::running() const { return timer_->isActive(); }

void TextFinder::cancel() { timer_->stop(); }

void TextFinder::find(const QString& needle, bool forward, bool matchCase) {
  cancel();
  needle_ = needle.toUtf8().toStdString();
  folded_.clear();
  for (size_t at = 0; at < needle_.size();) {
    const Utf8Char c = DecodeAt(needle_, at);
    folded_.push_back(Fold(c.code));
    at += c.length;
  }
  forward_ = forward;
  matchCase_ = matchCase;
  origin_ = forward ? view_->selectionEnd() : view_->selectionStart();
  done_ = 0;
  if (needle_.empty() || view_->utf8().empty()) {
    emit notFound();
    return;
  }
  timer_->start();
  searchSlices();
}

size_t TextFinder::matchAt(size_t at) const {
  const std::string_view text = view_->utf8();
  if (matchCase_) {
    return text.size() - at >= needle_.size() && std::memcmp(text.data() + at, needle_.data(), needle_.size()) == 0
               ? needle_.size()
               : 0;
  }
  size_t end = at;
  for (const char32_t want : folded_) {
    if (end >= text.size()) return 0;
    const Utf8Char c = DecodeAt(text, end);
    if (Fold(c.code) != want) return 0;
    end += c.length;
  }
  return end - at;
}

bool TextFinder::firstIn(size_t from, size_t to, size_t* start, size_t* end) const {
  const std::string_view text = view_->utf8();
  if (matchCase_) {
    // A match may run past `to`, never past the text.
    const size_t stop = std::min(text.size(), to + needle_.size() - 1);
    if (stop <= from) return false;
    const size_t hit = text.substr(from, stop - from).find(needle_);
    if (hit == std::string_view::npos) return false;
    *start = from + hit;
    *end = *start + needle_.size();
    return true;
  }
  const char32_t first = folded_.front();
  for (size_t at = from; at < to; ++at) {
    const auto byte = static_cast<uint8_t>(text[at]);
    // Only a character that could fold to the needle's first one is tried.
    const bool candidate = first < 0x80 ? Fold(byte) == first || byte >= 0xC0 : byte >= 0xC0;
    if (!candidate) continue;
    if (const size_t length = matchAt(at); length > 0) {
      *start = at;
      *end = at + length;
      return true;
    }
  }
  return false;
}

bool TextFinder::lastIn(size_t from, size_t to, size_t* start, size_t* end) const {
  bool any = false;
  for (size_t s, e; from < to && firstIn(from, to, &s, &e); from = s + 1) {
    *start = s;
    *end = e;
    any = true;
  }
  return any;
}

void TextFinder::searchSlices() {
  const size_t size = view_->utf8().size();
  QElapsedTimer pass;
  pass.start();
  while (done_ < size) {
    const size_t slice = std::min(kSlice, size - done_);
    size_t from, to;
    bool wrapped;
    if (forward_) {
      // Positions origin_ .. size-1, then 0 .. origin_-1.
      const size_t first = origin_ + done_;
      wrapped = first >= size;
      from = wrapped ? first - size : first;
      to = std::min(from + slice, wrapped ? origin_ : size);
    } else {
      // Positions origin_-1 .. 0, then size-1 .. origin_.
      wrapped = done_ >= origin_;
      const size_t top = wrapped ? size - (done_ - origin_) : origin_ - done_;
      to = top;
      from = top - std::min(slice, wrapped ? top - origin_ : top);
    }
    done_ += to - from;
    size_t start, end;
    if (forward_ ? firstIn(from, to, &start, &end) : lastIn(from, to, &start, &end)) {
      timer_->stop();
      view_->setSelection(start, end);
      view_->showOffset(start);
      emit found(wrapped);
      return;
    }
    if (pass.elapsed() >= kPassMs) return;  // more on the next pass
  }
  timer_->stop();
  emit notFound();
}

}  // namespace kw::ui
