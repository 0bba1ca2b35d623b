// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/document_stream.h"

#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/cp1252.h"
#include "base/yield_clock.h"
#include "formats/docx/byte_scan.h"
#include "formats/docx/document_text.h"

namespace kw {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t kWindow = 7;                // "</head>", the longest rule at a "<"
constexpr size_t kSpill = size_t{64} << 10;  // an open tag's text kept apart before it goes to the tail

bool StartsNoCase(std::string_view text, std::string_view lower) {
  if (text.size() < lower.size()) return false;
  for (size_t k = 0; k < lower.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(text[k])) != lower[k]) return false;
  }
  return true;
}

// Bytes a valid sequence led by `lead` takes (1 for ASCII and for bytes that lead none).
size_t SequenceBytes(uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

bool Ascii(std::string_view s) {
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t eight;
    std::memcpy(&eight, s.data() + i, 8);
    if ((eight & 0x8080808080808080ULL) != 0) return false;
  }
  for (; i < s.size(); ++i) {
    if (static_cast<uint8_t>(s[i]) >= 0x80) return false;
  }
  return true;
}

// A byte after "<" that may begin one of the rules of the break passes.
constexpr std::array<bool, 256> kRuleStart = [] {
  std::array<bool, 256> table{};
  for (const char c : std::string_view("bdsphH/\r\n")) table[static_cast<uint8_t>(c)] = true;
  return table;
}();
inline bool RuleStart(char c) { return kRuleStart[static_cast<uint8_t>(c)]; }

// Whether BreakMark may give a tag (a whole "<...>") a mark or change the
// w:tabs depth: its name begins with "w:p" ending there, "w:ta", "w:br" or
// "w:cr". Looks at the four bytes after "<" or "</" only.
bool MayMark(std::string_view tag) {
  const size_t name = tag.size() > 2 && tag[1] == '/' ? 2 : 1;
  if (tag.size() < 5 || tag.size() <= name + 3 || tag[name] != 'w' || tag[name + 1] != ':') return false;
  const char after = tag[name + 3];
  switch (tag[name + 2]) {
    case 'p': return after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\r' || after == '\n';
    case 't': return after == 'a';
    case 'b':
    case 'c': return after == 'r';
    default: return false;
  }
}

// What the break passes and the head cut make of the "<" that opens
// `window` (it and up to six bytes after it, line breaks removed).
struct BreakRule {
  enum Kind : uint8_t { kNone, kBreak, kBlock, kHeadEnd } kind = kNone;
  size_t length = 1;      // of a line break tag, which is replaced
  bool headOpen = false;  // "<head", in any case
};

BreakRule Classify(std::string_view window) {
  BreakRule rule;
  if (window.size() < 2) return rule;
  const auto starts = [&](std::string_view pattern) { return window.substr(0, pattern.size()) == pattern; };
  switch (window[1]) {
    case 'b':
      for (const std::string_view pattern :
           {std::string_view("<br>"), std::string_view("<br />"), std::string_view("<br/>")}) {
        if (starts(pattern)) return {BreakRule::kBreak, pattern.size(), false};
      }
      return rule;
    case 'd': return starts("<div") ? BreakRule{BreakRule::kBlock, 1, false} : rule;
    case 's': return starts("<span") ? BreakRule{BreakRule::kBlock, 1, false} : rule;
    case 'p': return BreakRule{BreakRule::kBlock, 1, false};
    case 'h':
    case 'H': rule.headOpen = StartsNoCase(window, "<head"); return rule;
    case '/': return StartsNoCase(window, "</head>") ? BreakRule{BreakRule::kHeadEnd, kWindow, false} : rule;
    default: return rule;
  }
}

// The end of the character data from `i`: the next "<" or line break
// (or the end); a long run is scanned eight bytes at a time.
size_t DataEnd(std::string_view text, size_t i) {
  const auto stop = [&](size_t at) { return text[at] == '<' || text[at] == '\r' || text[at] == '\n'; };
  size_t end = i + 1;
  const size_t near = std::min(text.size(), i + 16);
  while (end < near && !stop(end)) ++end;
  if (end < near) return end;
  for (; end + 8 <= text.size(); end += 8) {
    const uint64_t v = byte_scan::Load8(text.data() + end);
    if ((byte_scan::Has(v, '<') | byte_scan::Has(v, '\r') | byte_scan::Has(v, '\n')) != 0) break;
  }
  while (end < text.size() && !stop(end)) ++end;
  return end;
}

}  // namespace

DocumentTextStream::DocumentTextStream(YieldClock* clock, size_t expectedSize, bool everyRound)
    : clock_(clock), tail_(&text_) {
  reserve(expectedSize);
  if (everyRound) rounds_ = std::make_unique<TagRemovalStream>(&tail_);
}

void DocumentTextStream::reserve(size_t expectedSize) {
  if (!text_.empty()) return;
  // The text is at most three bytes per byte (a Windows-1252 byte as UTF-8, "<p" with its breaks).
  text_.reserve(expectedSize * 3 + 16);
  // A long text is written into large pages where the system allows: one
  // fault per 2 MiB instead of one per 4 KiB.
  constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
  const auto begin = (reinterpret_cast<uintptr_t>(text_.data()) + kLargePage - 1) & ~(kLargePage - 1);
  const auto end = (reinterpret_cast<uintptr_t>(text_.data()) + text_.capacity()) & ~(kLargePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

bool DocumentTextStream::stopped() const { return clock_ != nullptr && clock_->stopped(); }

void DocumentTextStream::feed(std::string_view bytes) {
  if (literal_ || stopped()) return;
  decodeUtf8(bytes, false);
}

bool DocumentTextStream::finish() {
  if (literal_ || stopped()) return false;
  decodeUtf8({}, true);
  drainBreaks(true);
  if (rounds_) rounds_->finish();
  headCut_.reset();  // no "<head" came: no cut
  if (tags_ == Tags::kInTag) flushPending();
  tail_.finish();
  if (hasHead_ && headUndecided_) literal_ = true;
  return !literal_ && !stopped();
}

// DecodeUtf8Lenient on the stream: a sequence cut by a piece's end waits for the next piece.
void DocumentTextStream::decodeUtf8(std::string_view bytes, bool final) {
  std::string joined;
  if (!carry_.empty()) {
    joined = carry_ + std::string(bytes);
    carry_.clear();
    bytes = joined;
  }
  if (!bomChecked_) {
    if (bytes.size() < kBom.size() && !final && kBom.substr(0, bytes.size()) == bytes) {
      carry_.assign(bytes);
      return;
    }
    bomChecked_ = true;
    if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
  }
  if (Ascii(bytes)) {
    markup(bytes);
    return;
  }
  decoded_.clear();
  size_t i = 0;
  while (i < bytes.size()) {
    size_t ascii = i;
    while (ascii < bytes.size() && static_cast<uint8_t>(bytes[ascii]) < 0x80) ++ascii;
    decoded_.append(bytes.substr(i, ascii - i));
    i = ascii;
    if (i == bytes.size()) break;
    if (!final && bytes.size() - i < SequenceBytes(static_cast<uint8_t>(bytes[i]))) {
      carry_.assign(bytes.substr(i));
      break;
    }
    const size_t length = Utf8SequenceLength(bytes.substr(i));
    if (length > 0) {
      decoded_.append(bytes.substr(i, length));
      i += length;
    } else {
      AppendCp1252(decoded_, bytes.substr(i, 1));
      ++i;
    }
  }
  markup(decoded_);
}

// The markup steps on decoded text. Where no step holds bytes back, runs of
// text and whole tags are taken at once; otherwise byte by byte.
void DocumentTextStream::markup(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (TickEvery(clock_, steps_) || literal_) return;
    const char c = text[i];
    if (bpSize_ == 1 && !RuleStart(c)) {  // a "<" that no rule of the break passes can match
      bpSize_ = 0;
      bpStarted_ = true;
      removeTags('<');
    }
    if (rounds_) {  // every byte through every pass
      markBreaks(c);
      ++i;
      continue;
    }
    if (tags_ == Tags::kMerged && bpSize_ == 0) {
      // After a merge no tag is removed any more, and MarkBreaks matters
      // only where a ">" closes a tag, which needs the literal passes.
      const size_t end = c == '\r' || c == '\n' ? i + 1 : mergedRun(text, i);
      if (end == i) {
        markBreaks(c);
        ++i;
        continue;
      }
      const std::string_view run = text.substr(i, end - i);
      if (c != '\r' && c != '\n') {
        if (run.find('<') != std::string_view::npos) {
          mbInTag_ = true;
          mbLength_ = 1;
        }
        bpStarted_ = true;
        tail_.putRun(run);
      }
      i = end;
      continue;
    }
    if (!headIdle()) {
      markBreaks(c);
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c == '<') {
      size_t end = i + 1;
      while (end < text.size() && text[end] != '<' && text[end] != '>') ++end;
      if (end < text.size() && text[end] == '>') {
        wholeTag(text.substr(i, end + 1 - i));
        i = end + 1;
      } else {
        markBreaks(c);
        ++i;
      }
      continue;
    }
    // Character data up to the next "<" or line break; a ">" in it is
    // written "&gt;" by MarkBreaks and decoded back by the tail.
    const size_t end = DataEnd(text, i);
    bpStarted_ = true;
    tail_.putRun(text.substr(i, end - i));
    i = end;
  }
}

// After a merge no tag is removed any more: text goes to the tail as it is,
// up to a ">", a line break, or a "<" that a rule of the break passes may match.
size_t DocumentTextStream::mergedRun(std::string_view text, size_t i) const {
  using byte_scan::Has;
  size_t end = i;
  // Eight bytes at once while none is a stop, nor a "<" that the byte after it may make one.
  for (; end + 9 <= text.size(); end += 8) {
    const uint64_t v = byte_scan::Load8(text.data() + end);
    if ((Has(v, '>') | Has(v, '\r') | Has(v, '\n')) != 0) break;
    if (Has(v, '<') == 0) continue;
    const uint64_t next = byte_scan::Load8(text.data() + end + 1);
    if ((Has(next, 'b') | Has(next, 'd') | Has(next, 's') | Has(next, 'p') | Has(next, 'h') | Has(next, 'H') |
         Has(next, '/') | Has(next, '\r') | Has(next, '\n')) != 0) {
      break;
    }
  }
  while (end < text.size()) {
    const char c = text[end];
    if (c == '>' || c == '\r' || c == '\n') break;
    if (c == '<' && (end + 1 == text.size() || RuleStart(text[end + 1]))) break;
    ++end;
  }
  return end;
}

// A whole tag while no step holds bytes back: every step at once. The tag
// itself goes (tag removal); what the break passes put in its place and
// the reference MarkBreaks writes after it stay.
void DocumentTextStream::wholeTag(std::string_view tag) {
  const bool first = !bpStarted_;
  bpStarted_ = true;
  // A paragraph's start and end, the commonest tags that matter: its end
  // is a line break (BreakMark's "&#13;&#10;"), its start nothing.
  if (tag == "</w:p>") return tail_.putReference("&#13;&#10;", "\r\n");
  if (tag == "<w:p>") return;
  // Most tags are none of the few that MarkBreaks or the break passes look for.
  const bool mayMark = MayMark(tag);
  // An end tag matches a rule only as "</head>" (line breaks removed).
  const bool mayRule = RuleStart(tag[1]) && (tag[1] != '/' || tag.size() < 3 || tag[2] == 'h' || tag[2] == 'H' ||
                                             tag[2] == '\r' || tag[2] == '\n');
  if (!mayMark && !mayRule) return;
  const std::string_view mark = mayMark ? BreakMark(tag, &tabStops_) : std::string_view();
  if (!mayRule) {  // tag[1] is no line break, so no rule of the break passes matches
    if (!mark.empty()) tail_.putReference(mark, mark.size() == 4 ? "\t" : "\r\n");
    return;
  }
  std::array<char, kWindow> window{};
  size_t size = 0;
  for (size_t k = 0; k < tag.size() && size < kWindow; ++k) {
    if (tag[k] != '\r' && tag[k] != '\n') window[size++] = tag[k];
  }
  const BreakRule rule = Classify({window.data(), size});
  if (rule.headOpen) hasHead_ = true;
  if (rule.kind == BreakRule::kBreak) tail_.putRun("\r\n");
  if (rule.kind == BreakRule::kBlock) tail_.putRun("\r\n\r\n");
  if (rule.kind == BreakRule::kHeadEnd) headEnd(first);
  if (!mark.empty()) tail_.putReference(mark, mark.size() == 4 ? "\t" : "\r\n");  // "&#9;" or "&#13;&#10;"
}

void DocumentTextStream::markBreaks(char c) {
  if (c == '<') {
    mbInTag_ = true;
    mbTag_[0] = '<';
    mbLength_ = 1;
    breakPasses(c);
    return;
  }
  if (c == '>') {
    if (!mbInTag_) {  // closes no tag
      for (const char k : std::string_view("&gt;")) breakPasses(k);
      return;
    }
    mbInTag_ = false;
    // The tag as BreakMark reads it: its first bytes, its last one and the ">".
    std::array<char, 18> tag{};
    size_t size = std::min(mbLength_, mbTag_.size() - 2);
    std::copy_n(mbTag_.begin(), size, tag.begin());
    if (mbLength_ > size) tag[size++] = mbLast_;
    tag[size++] = '>';
    breakPasses(c);
    for (const char k : BreakMark({tag.data(), size}, &tabStops_)) breakPasses(k);
    return;
  }
  if (mbInTag_) {
    if (mbLength_ < mbTag_.size() - 2) mbTag_[mbLength_] = c;
    ++mbLength_;
    mbLast_ = c;
  }
  if (c != '\r' && c != '\n') breakPasses(c);
}

void DocumentTextStream::breakPasses(char c) {
  if (bpSize_ == 0 && c != '<') {
    bpStarted_ = true;
    removeTags(c);
    return;
  }
  bp_[bpSize_++] = c;
  if (bpSize_ == kWindow) drainBreaks(false);
}

void DocumentTextStream::drainBreaks(bool final) {
  size_t at = 0;
  while (at < bpSize_ && !literal_) {
    if (bp_[at] != '<') {
      bpStarted_ = true;
      removeTags(bp_[at++]);
      continue;
    }
    if (!final && bpSize_ - at < kWindow) break;
    at += breakStep({bp_.data() + at, std::min(kWindow, bpSize_ - at)});
  }
  if (literal_) at = bpSize_;
  bpSize_ -= at;
  std::memmove(bp_.data(), bp_.data() + at, bpSize_);
}

size_t DocumentTextStream::breakStep(std::string_view window) {
  const BreakRule rule = Classify(window);
  if (rule.headOpen) hasHead_ = true;
  if (hasHead_ && headCut_) takeHeadCut();
  const bool first = !bpStarted_;
  bpStarted_ = true;
  switch (rule.kind) {
    case BreakRule::kBreak:
      removeTags('\r');
      removeTags('\n');
      return rule.length;
    case BreakRule::kBlock:
      for (const char c : std::string_view("\r\n\r\n<")) removeTags(c);
      return 1;
    case BreakRule::kHeadEnd:
      for (const char c : window) removeTags(c);
      headEnd(first);
      return window.size();
    case BreakRule::kNone: break;
  }
  removeTags('<');
  return 1;
}

// The first "</head>" after the text's first byte: where the head cut ends,
// when the text has a "<head" (known so far, or the literal passes decide).
void DocumentTextStream::headEnd(bool first) {
  if (first || headSeen_) return;
  headSeen_ = true;
  if (hasHead_) {
    cutHead();
  } else if (rounds_) {
    headCut_ = std::make_unique<HeadCut>();  // the text from here, should a "<head" come
  } else {
    headUndecided_ = true;
  }
}

// A "<head" came after the first "</head>": the text is the one cut there.
void DocumentTextStream::takeHeadCut() {
  text_ = std::move(headCut_->text);
  tail_ = headCut_->tail;
  tail_.setOutput(&text_);
  rounds_ = std::move(headCut_->rounds);
  rounds_->setTail(&tail_);
  headCut_.reset();
}

void DocumentTextStream::removeTags(char c) {
  if (rounds_) {
    rounds_->put(c);
    if (headCut_) headCut_->rounds->put(c);
    return;
  }
  switch (tags_) {
    case Tags::kOutside:
      if (c == '<') {
        tags_ = Tags::kInTag;
        pending_.assign(1, '<');
      } else if (c == '>') {
        literal_ = true;  // a ">" that closes no tag: MarkBreaks leaves none
      } else {
        tail_.put(c);
      }
      return;
    case Tags::kInTag:
      if (c == '>') {
        if (spilled_) tail_.restore(spillPoint_);
        spilled_ = false;
        pending_.clear();
        tags_ = Tags::kOutside;
      } else if (c == '<') {
        flushPending();
        tags_ = Tags::kMerged;
        tail_.put(c);
      } else if (spilled_) {
        tail_.put(c);
      } else {
        pending_.push_back(c);
        if (pending_.size() >= kSpill) {
          spillPoint_ = tail_.snapshot();
          tail_.putRun(pending_);
          pending_.clear();
          spilled_ = true;
        }
      }
      return;
    case Tags::kMerged:
      if (c == '>') {
        literal_ = true;  // removing tags may join others: only the literal passes know
      } else {
        tail_.put(c);
      }
      return;
  }
}

void DocumentTextStream::flushPending() {
  if (!spilled_) tail_.putRun(pending_);
  pending_.clear();
  spilled_ = false;
}

void DocumentTextStream::cutHead() {
  tags_ = Tags::kOutside;
  pending_.clear();
  spilled_ = false;
  text_.clear();
  tail_ = TextTail(&text_);
  if (rounds_) rounds_ = std::make_unique<TagRemovalStream>(&tail_);
}

}  // namespace kw
