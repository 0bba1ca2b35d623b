// SPDX-License-Identifier: Apache-2.0
// WordXmlText fed as the part arrives (word_xml_text.h): the scan of
// addPiece, with what a piece's end cuts (a tag, a reference in a run's
// text) kept until the next piece.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/yield_clock.h"
#include "formats/docx/deep/tolerant_inflate.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {

namespace {

// AppendXmlText looks this far past an "&" for the ";" that ends a reference.
constexpr size_t kReferenceReach = 12;

bool HasUnknownByte(std::string_view bytes) { return std::memchr(bytes.data(), kUnknownByte, bytes.size()) != nullptr; }

// Where the ">" of a "<w:x>" or "</w:x>" at `open` is (x a lowercase
// letter: the commonest tags, all ASCII); npos when it is no such tag.
size_t ShortTagEnd(std::string_view bytes, size_t open) {
  const char* p = bytes.data() + open;
  const size_t left = bytes.size() - open;
  if (left >= 5 && p[1] == 'w' && p[2] == ':' && p[3] >= 'a' && p[3] <= 'z' && p[4] == '>') return open + 4;
  if (left >= 6 && p[1] == '/' && p[2] == 'w' && p[3] == ':' && p[4] >= 'a' && p[4] <= 'z' && p[5] == '>') {
    return open + 5;
  }
  return std::string_view::npos;
}

// The first `c` at or after `at` (npos when none): most tags and runs of
// text are a few bytes, for which a plain loop beats a library call.
size_t Find(std::string_view bytes, char c, size_t at) {
  const size_t near = std::min(bytes.size(), at + 32);
  for (; at < near; ++at) {
    if (bytes[at] == c) return at;
  }
  return at == bytes.size() ? std::string_view::npos : bytes.find(c, at);
}

}  // namespace

void WordXmlText::beginStream(bool wholeOnUnknown) {
  wholeOnUnknown_ = wholeOnUnknown;
  fromStart_ = true;
  inText_ = false;
  run_.clear();
  streamInTag_ = false;
  streamTag_.clear();
  streamCarry_.clear();
  needsWhole_ = false;
}

// Text between tags, as text() takes it, up to where a reference may still
// be cut (unless `closed`: a "<" ends the text). Returns the bytes used.
size_t WordXmlText::streamText(std::string_view bytes, bool closed) {
  if (!inText_ || fallbackDepth_ > 0) return bytes.size();
  if (!wholeOnUnknown_ && HasUnknownByte(bytes)) runDamaged_ = true;  // its words are kept clear of them
  if (bytes.size() <= 32) {  // most runs: a few plain bytes, checked in one loop
    size_t plain = 0;
    while (plain < bytes.size() && bytes[plain] != '&') ++plain;
    if (plain == bytes.size()) {
      run_.append(bytes);
      return bytes.size();
    }
  }
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t amp = bytes.find('&', at);
    if (amp == std::string_view::npos) {
      run_.append(bytes.substr(at));
      return bytes.size();
    }
    run_.append(bytes.substr(at, amp - at));
    const size_t semi = bytes.substr(amp, kReferenceReach + 1).find(';');
    if (semi == std::string_view::npos && !closed && bytes.size() - amp <= kReferenceReach) return amp;
    if (semi == std::string_view::npos) {
      run_.push_back('&');
      at = amp + 1;
    } else {
      AppendXmlText(bytes.substr(amp, semi + 1), &run_);
      at = amp + semi + 1;
    }
  }
  return bytes.size();
}

void WordXmlText::feed(std::string_view bytes, YieldClock* clock) {
  // An unknown byte: the text stranded between such bytes is judged over the
  // whole part (AppendStrandedText), so the part is read whole.
  if (wholeOnUnknown_ && HasUnknownByte(bytes)) needsWhole_ = true;
  size_t at = 0;
  while (at < bytes.size() && !needsWhole_) {
    if (TickEvery(clock, streamSteps_)) return;
    if (!streamInTag_) {
      const size_t open = bytes[at] == '<' ? at : Find(bytes, '<', at);  // tags often follow one another
      const bool closed = open != std::string_view::npos;
      const std::string_view text = bytes.substr(at, closed ? open - at : std::string_view::npos);
      if (streamCarry_.empty()) {
        const size_t used = text.empty() ? 0 : streamText(text, closed);
        if (used < text.size()) streamCarry_.assign(text.substr(used));
      } else {
        std::string joined = streamCarry_ + std::string(text);
        const size_t used = streamText(joined, closed);
        streamCarry_.assign(joined, used);
      }
      if (!closed) return;
      size_t close = ShortTagEnd(bytes, open);
      if (close != std::string_view::npos && shortTag(bytes[close - 1], close - open == 5)) {
        at = close + 1;
        continue;
      }
      if (close == std::string_view::npos) close = Find(bytes, '>', open);
      if (close != std::string_view::npos) {  // the whole tag in this piece: read at once
        tag(bytes.substr(open, close + 1 - open));
        at = close + 1;
        continue;
      }
      streamInTag_ = true;
      streamTag_.clear();
      streamTagLength_ = 0;
      at = open;
    }
    // A tag that a piece's end cuts: kept (up to kKeptTag bytes) until its ">".
    const size_t close = Find(bytes, '>', at);
    const std::string_view part =
        bytes.substr(at, close == std::string_view::npos ? std::string_view::npos : close - at);
    if (streamTagLength_ < kKeptTag) streamTag_.append(part.substr(0, kKeptTag - streamTagLength_));
    streamTagLength_ += part.size();
    if (!part.empty()) streamTagLast_ = part.back();
    if (close == std::string_view::npos) return;
    if (streamTagLength_ <= kKeptTag) {
      streamTag_.push_back('>');
      tag(streamTag_);
    } else {
      longTag();
    }
    at = close + 1;
    streamInTag_ = false;
  }
}

// A tag longer than what was kept of it: its start gives its name, its
// last byte whether it is empty; only w:sym reads further (its attributes).
void WordXmlText::longTag() {
  std::string_view name(streamTag_);
  name.remove_prefix(1);
  const bool symbol = name.substr(0, 5) == "w:sym" && std::memchr(" /\t\r\n", name[5], 5) != nullptr;
  if (symbol) {
    needsWhole_ = true;
    return;
  }
  streamTag_.push_back(streamTagLast_);
  streamTag_.push_back('>');
  tag(streamTag_);
}

void WordXmlText::endStream() {
  if (!streamInTag_ && !streamCarry_.empty()) streamText(streamCarry_, true);  // a reference the end cut
  streamCarry_.clear();
  streamTag_.clear();
  streamTag_.shrink_to_fit();
  closeCutText();
  flushParagraph();
}

}  // namespace kw
