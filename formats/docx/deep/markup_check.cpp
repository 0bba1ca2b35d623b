// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/markup_check.h"

namespace kw {

namespace {
constexpr uint16_t kMaxName = 80;      // longer tag or attribute names are garbage
constexpr uint16_t kMaxEntity = 10;    // "&#x10FFFF;" is the longest entity Word writes
constexpr uint16_t kMaxValue = 4096;   // attribute values are ids, numbers, names and addresses
constexpr uint16_t kMaxSpecial = 256;  // the XML declaration; packages hold no long comments
}  // namespace

bool MarkupCheck::utf8(uint8_t c) {
  const bool continuation = (c & 0xC0) == 0x80;
  if (continuations_ == kAnyContinuations) {
    if (continuation) return true;
    continuations_ = 0;
  }
  if (continuations_ > 0) {
    --continuations_;
    return continuation;
  }
  if (c < 0x80) return true;
  if (c >= 0xC2 && c <= 0xDF) {
    continuations_ = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    continuations_ = 2;
  } else if (c >= 0xF0 && c <= 0xF4) {
    continuations_ = 3;
  } else {
    return false;  // a continuation byte alone, or no UTF-8 at all
  }
  return true;
}

bool MarkupCheck::nameEnded() {
  if (!endTag_ || depth_ == 0) return true;  // no element known to be open
  return open_[--depth_] == name_;
}

void MarkupCheck::tagEnded() {
  ++tags_;
  if (endTag_) return;
  if (depth_ == kDepth) {
    for (uint8_t i = 1; i < kDepth; ++i) open_[i - 1] = open_[i];
    --depth_;
  }
  open_[depth_++] = name_;
}

bool MarkupCheck::accept(uint8_t c) {
  if (c >= 0x80 || continuations_ != 0) {
    if (!utf8(c)) return false;
  }
  switch (state_) {
    case State::kLost:
      if (c == '<') state_ = State::kOpen, endTag_ = false;
      if (c == '>') state_ = State::kText;  // the end of a tag whose start was unknown
      return true;
    case State::kText:
      if (c == '<') state_ = State::kOpen, endTag_ = false;
      if (c == '&') state_ = State::kEntity, run_ = 0;
      return c != '>';  // XML writers escape it in text
    case State::kEntity:
      if (c == ';' && run_ > 0) {
        state_ = State::kText;
        return true;
      }
      return ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#') &&
             ++run_ <= kMaxEntity;
    case State::kOpen:
      run_ = 0;
      if (c == '/') {  // still kOpen: a name must follow
        if (endTag_) return false;
        endTag_ = true;
        return true;
      }
      if (c == '?' || c == '!') {
        state_ = State::kSpecial;
        run_ = 0;
        return true;
      }
      if (!NameStart(c)) return false;
      state_ = State::kName;
      name_ = c;
      return true;
    case State::kName:
    case State::kAttrName:
      if (NameChar(c)) {
        if (state_ == State::kName) name_ = name_ * 31 + c;
        return ++run_ <= kMaxName;
      }
      if (state_ == State::kAttrName) {
        if (c != '=') return false;
        state_ = State::kEquals;
        return true;
      }
      if (!nameEnded()) return false;
      if (Space(c)) {
        state_ = State::kAttrs;
      } else if (c == '/' && !endTag_) {
        state_ = State::kSlash;
      } else if (c == '>') {
        state_ = State::kText;
        tagEnded();
      } else {
        return false;
      }
      return true;
    case State::kAttrs:
    case State::kAfterValue:
      if (Space(c)) {
        state_ = State::kAttrs;
        return true;
      }
      if (c == '/' && !endTag_) {
        state_ = State::kSlash;
      } else if (c == '>') {
        state_ = State::kText;
        tagEnded();
      } else if (state_ == State::kAttrs && NameStart(c) && !endTag_) {
        state_ = State::kAttrName, run_ = 0;
      } else {
        return false;
      }
      return true;
    case State::kEquals:
      if (c != '"' && c != '\'') return false;
      quote_ = c;
      state_ = State::kValue;
      run_ = 0;
      return true;
    case State::kValue:
      if (c == quote_) state_ = State::kAfterValue;
      return c != '<' && ++run_ <= kMaxValue;
    case State::kSlash:  // an empty-element tag: nothing stays open
      if (c != '>') return false;
      state_ = State::kText;
      ++tags_;
      return true;
    case State::kSpecial:
      if (c == '>') state_ = State::kText, ++tags_;
      return c != '<' && ++run_ <= kMaxSpecial;
  }
  return true;
}

}  // namespace kw
