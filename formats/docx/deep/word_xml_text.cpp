// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/word_xml_text.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/cp1252.h"
#include "base/utf8_sequence.h"
#include "base/yield_clock.h"
#include "formats/docx/deep/stranded_text.h"
#include "formats/docx/deep/symbol_chars.h"
#include "formats/docx/deep/tolerant_inflate.h"

namespace kw {

namespace {

// The end of a run's text that a break cut, in bytes, whose words are dropped.
constexpr size_t kCutDistrust = 32;
constexpr size_t kKeptParagraph = size_t{1} << 20;  // a paragraph buffer kept for the next

// Drops the end of a run's text that a break cut: the last word, which may
// go on past the cut, and every word that ends in the last kCutDistrust
// bytes, which codes out of step may have written before the break showed.
// Returns how many bytes went.
size_t DropCutWords(std::string* run) {
  const size_t limit = run->size() - std::min(run->size(), kCutDistrust);
  size_t keep = run->rfind(' ', limit);
  keep = keep == std::string::npos ? 0 : keep + 1;
  const size_t dropped = run->size() - keep;
  run->resize(keep);
  return dropped;
}

// The element name of a tag ("w:p" for "</w:p>"), and whether it closes or is empty.
struct TagName {
  std::string_view name;
  bool closing = false;
  bool empty = false;
};

// The bytes that end an element name.
constexpr std::array<bool, 256> kNameEnd = [] {
  std::array<bool, 256> table{};
  for (const char c : std::string_view(" />\t\r\n")) table[static_cast<uint8_t>(c)] = true;
  return table;
}();

TagName ParseTag(std::string_view tag) {
  TagName t;
  size_t i = 1;
  if (i < tag.size() && tag[i] == '/') {
    t.closing = true;
    ++i;
  }
  size_t end = i;
  while (end < tag.size() && !kNameEnd[static_cast<uint8_t>(tag[end])]) ++end;
  t.name = tag.substr(i, end - i);
  t.empty = tag.size() >= 2 && tag[tag.size() - 2] == '/';
  return t;
}

// Whether `name` is `literal`: a fixed-length compare the compiler inlines.
template <size_t N>
bool Is(std::string_view name, const char (&literal)[N]) {
  return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
}

// The value of attribute `name` in a tag ("" when absent).
std::string_view Attribute(std::string_view tag, std::string_view name) {
  size_t at = 0;
  while ((at = tag.find(name, at)) != std::string_view::npos) {
    const size_t eq = at + name.size();
    if (at > 0 && tag[at - 1] == ' ' && eq + 1 < tag.size() && tag[eq] == '=' &&
        (tag[eq + 1] == '"' || tag[eq + 1] == '\'')) {
      const size_t close = tag.find(tag[eq + 1], eq + 2);
      if (close == std::string_view::npos) return {};
      return tag.substr(eq + 2, close - eq - 2);
    }
    at = eq;
  }
  return {};
}

// The bytes that begin a control character (ControlCharacterAt).
constexpr std::array<bool, 256> kControlLead = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = true;
  table[0x7F] = table[0xC2] = table[0xEF] = true;
  return table;
}();

// Whether `text` holds a control character. Where SSE2 is there, sixteen bytes at a
// time (the last sixteen overlapping the block before) are passed over when
// none begins one; from the first block that has one, each byte is judged.
bool HasControl(std::string_view text) {
  const char* p = text.data();
  const size_t n = text.size();
  size_t i = 0;
#if defined(__SSE2__)
  const auto leads = [](const char* at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);
    const __m128i some = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)),
                                      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xC2))),
                                                   _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xEF)))));
    return _mm_movemask_epi8(_mm_or_si128(low, some)) != 0;
  };
  if (n >= 16) {
    while (i + 16 <= n && !leads(p + i)) i += 16;
    if (i + 16 > n && (i == n || !leads(p + n - 16))) return false;
  }
#endif
  while (i < n && !kControlLead[static_cast<uint8_t>(p[i])]) ++i;
  for (; i < n; ++i) {
    if (ControlCharacterAt(text, i) > 0) return true;
  }
  return false;
}

// Appends `text` to `out` without control characters: TAB stays, and a line end written
// into a run (not w:br) is a space, as Word shows it. Bytes that are no
// UTF-8 stay as they are, so a sequence is judged where it ends in `out`:
// neither a removal nor the join with what `out` holds makes a control of a
// stray lead byte and what follows it.
void AppendWithoutControls(std::string_view text, std::string* out) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (ControlCharacterAt(text, i) == 1) {
      if (c == '\t') out->push_back('\t');
      if ((c == '\r' || c == '\n') && !(c == '\n' && i > 0 && text[i - 1] == '\r')) out->push_back(' ');
      continue;
    }
    out->push_back(c);
    const size_t n = out->size();
    if (n >= 2 && ControlCharacterAt(*out, n - 2) == 2) {
      out->resize(n - 2);
    } else if (n >= 3 && ControlCharacterAt(*out, n - 3) == 3) {
      out->resize(n - 3);
    }
  }
}

void AppendCodePoint(char32_t c, std::string* out) {
  if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
  AppendUtf8(*out, c);
}

}  // namespace

size_t ControlCharacterAt(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return k < text.size() ? static_cast<uint8_t>(text[k]) : 0; };
  const uint8_t c = byte(i);
  if (c < 0x20 || c == 0x7F) return 1;
  if (c == 0xC2 && (byte(i + 1) & 0xE0) == 0x80) return 2;
  if (c == 0xEF && byte(i + 1) == 0xBF && byte(i + 2) >= 0xBE) return 3;
  return 0;
}

void AppendXmlText(std::string_view text, std::string* out) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t amp = text.find('&', at);
    out->append(text.substr(at, amp == std::string_view::npos ? std::string_view::npos : amp - at));
    if (amp == std::string_view::npos) return;
    // A reference is at most 12 bytes past its "&": looking no further keeps the pass linear.
    const size_t near = text.substr(amp, 13).find(';');
    const size_t semi = near == std::string_view::npos ? near : amp + near;
    if (semi == std::string_view::npos) {
      out->push_back('&');
      at = amp + 1;
      continue;
    }
    const std::string_view name = text.substr(amp + 1, semi - amp - 1);
    if (name == "amp")
      out->push_back('&');
    else if (name == "lt")
      out->push_back('<');
    else if (name == "gt")
      out->push_back('>');
    else if (name == "quot")
      out->push_back('"');
    else if (name == "apos")
      out->push_back('\'');
    else if (name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string digits(name.substr(hex ? 2 : 1));
      char* end = nullptr;
      const unsigned long value = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (digits.empty() || *end != '\0') {
        out->append(text.substr(amp, semi - amp + 1));
      } else {
        AppendCodePoint(value > 0x10FFFF ? 0xFFFD : static_cast<char32_t>(value), out);
      }
    } else {
      out->append(text.substr(amp, semi - amp + 1));
    }
    at = semi + 1;
  }
}

namespace {

// The next byte `c` at or after a position that only grows: searched for
// again only once the one found lies behind, so that every search together
// reads the piece once.
class NextByte {
 public:
  explicit NextByte(char c) : c_(c) {}
  size_t at(std::string_view bytes, size_t from) {
    if (!searched_ || (found_ != std::string_view::npos && found_ < from)) {
      found_ = bytes.find(c_, from);
      searched_ = true;
    }
    return found_;
  }

 private:
  char c_;
  size_t found_ = 0;
  bool searched_ = false;
};

}  // namespace

void WordXmlText::addPiece(std::string_view xml, bool fromStart, YieldClock* clock) {
  fromStart_ = fromStart;
  inText_ = false;
  run_.clear();
  size_t at = 0;
  uint32_t steps = 0;
  NextByte closes('>'), unknowns(kUnknownByte), opens('<');
  while (at < xml.size()) {
    if (TickEvery(clock, steps)) break;
    const size_t open = xml.find('<', at);
    if (open == std::string_view::npos) {  // trailing text: a cut run's, or no element's
      between(xml.substr(at), {});
      break;
    }
    const size_t close = closes.at(xml, open);
    if (open > at) between(xml.substr(at, open - at), xml.substr(open, close - open + 1));
    if (close == std::string_view::npos) break;  // the piece ends inside a tag
    const size_t unknown = unknowns.at(xml, open);
    if (unknown == std::string_view::npos || unknown > close) {
      tag(xml.substr(open, close - open + 1));
      at = close + 1;
      continue;
    }
    // The unknown bytes may hide the tag's ">": then it ends where the next begins.
    at = std::min(close + 1, opens.at(xml, unknown));
    damagedTag(xml.substr(open, at - open), unknown - open);
  }
  closeCutText();
  flushParagraph();
  if (xml.find(kUnknownByte) != std::string_view::npos) AppendStrandedText(xml, out_);
}

namespace {

// Whether the bytes of a damaged tag fit `tag`: each one known is the same
// byte, and the tag's ">" is there or hidden (when hidden, its bytes run on
// into the text after it).
bool FitsTag(std::string_view raw, std::string_view tag) {
  if (raw.size() < tag.size() || (raw.size() > tag.size() && raw[tag.size() - 1] != kUnknownByte)) return false;
  for (size_t i = 0; i < tag.size(); ++i) {
    if (raw[i] != kUnknownByte && raw[i] != tag[i]) return false;
  }
  return true;
}

}  // namespace

size_t TextStartTag(std::string_view raw) {
  constexpr std::string_view kShort = "<w:t>", kPreserve = "<w:t xml:space=\"preserve\">";
  static_assert(kShort.size() == kShortTextTag && kPreserve.size() == kPreserveTextTag);
  if (FitsTag(raw, kPreserve)) {
    const std::string_view middle = raw.substr(3, kPreserve.size() - 4);  // between "<w:" and '">'
    const auto known = std::count_if(middle.begin(), middle.end(), [](char c) { return c != kUnknownByte; });
    if (2 * static_cast<size_t>(known) >= middle.size()) return kPreserve.size();
  }
  if (raw.substr(0, 5) == "<w:t " || raw.substr(0, 5) == "<w:t>") return 5;
  return raw.size() == kShort.size() && FitsTag(raw, kShort) && raw[3] == 't' && raw[4] == '>' ? kShort.size() : 0;
}

size_t HiddenTextStart(std::string_view bytes) {
  const size_t end = bytes.rfind('>');
  if (end == std::string_view::npos) return std::string_view::npos;
  for (const size_t size : {kShortTextTag, kPreserveTextTag}) {
    if (end + 1 >= size && bytes[end + 1 - size] == kUnknownByte &&
        TextStartTag(bytes.substr(end + 1 - size, size)) == size) {
      return end + 1;
    }
  }
  return std::string_view::npos;
}

namespace {

// Text as a run holds it, not the bytes of a tag or of damage decoded as text:
// no ">", no attribute ("=", a quote), whole characters.
bool PlainRunText(std::string_view text) {
  return text.find_first_of(">=\"") == std::string_view::npos && WholeCharacters(text);
}

}  // namespace

bool WholeCharacters(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    if (text[at] == kUnknownByte) {
      ++at;
      continue;
    }
    const size_t n = Utf8SequenceLength(text.substr(at));
    if (n == 0) {
      // A lead byte whose sequence the unknown bytes or the end may finish is no fault.
      const size_t next = text.find(kUnknownByte, at + 1);
      const auto lead = static_cast<unsigned char>(text[at]);
      if (lead < 0xC2 || lead > 0xF4 || (text.size() - at > 3 && next - at > 3)) return false;
      at = std::min(text.size(), next);
      continue;
    }
    if (text[at] != '\t' && ControlCharacterAt(text, at) > 0) return false;
    at += n;
  }
  return true;
}

size_t NextHiddenTextStart(std::string_view bytes) {
  for (size_t end = bytes.find('>'); end != std::string_view::npos; end = bytes.find('>', end + 1)) {
    if (HiddenTextStart(bytes.substr(0, end + 1)) != std::string_view::npos) return end + 1;
  }
  return std::string_view::npos;
}

size_t PossibleTextEnd(std::string_view bytes) {
  constexpr std::string_view kEnd = "</w:t>";
  for (size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] == '<') return at;
    if (bytes[at] != kUnknownByte) continue;
    size_t k = 1;
    while (k < kEnd.size() && at + k < bytes.size() && (bytes[at + k] == kUnknownByte || bytes[at + k] == kEnd[k])) ++k;
    if (k == kEnd.size() || at + k == bytes.size()) return at;
  }
  return std::string_view::npos;
}

bool TextEndTag(std::string_view raw) {
  return FitsTag(raw, "</w:t>") || (raw.size() > 5 && raw.substr(0, 5) == "</w:t" && raw[5] == kUnknownByte);
}

// A tag with an unknown byte at `unknown`. A w:t start tag (TextStartTag)
// opens a run: its text is what follows the tag (past the last ">" shown
// when the name is whole and the attributes are not); so does the end of a
// run's text, the only tag that comes next in a run. Any other ends the
// run: the text that follows has unknown markup; one that fits "</w:p>"
// with its name's "p" shown ends the paragraph too.
void WordXmlText::damagedTag(std::string_view raw, size_t unknown) {
  const size_t start = fallbackDepth_ == 0 ? TextStartTag(raw) : 0;
  if (start != 0) {
    openText();
    runDamaged_ = true;
    std::string_view rest = raw.substr(start);
    if (start == 5 && raw[4] == ' ') {  // the attributes' end is not known
      rest = raw.substr(unknown);
      const size_t shown = rest.rfind('>');
      if (shown != std::string_view::npos) rest = rest.substr(shown + 1);
    }
    text(rest);
    return;
  }
  if (inText_ && TextEndTag(raw)) {
    runDamaged_ = true;
    closeText();
    return;
  }
  if (inText_) dropped_ += static_cast<int64_t>(run_.size());
  inText_ = false;
  run_.clear();
  if (raw.size() == 6 && raw[4] == 'p' && FitsTag(raw, "</w:p>")) endParagraph();
}

// The bytes between two tags, `next` the second (to its ">" or the end).
// They are text only in a run; but they may hold the ends of w:t start tags
// whose "<" is unknown, each opening a run (HiddenTextStart). When the w:t
// end tag follows, the last of them opens the run it closes, and a run's
// text is all the bytes up to it. When another tag follows, the tag that
// closed the run is hidden among the unknown bytes: its text ends where
// they first may hide a w:t end tag (PossibleTextEnd), as no tag comes
// inside a run's text, and the words clear of them are kept.
void WordXmlText::between(std::string_view bytes, std::string_view next) {
  const bool closes = TextEndTag(next);
  while (!bytes.empty()) {
    size_t end = std::string_view::npos;  // where the run's text ends in `bytes`
    if (!inText_) {
      if (fallbackDepth_ > 0) return;
      const size_t start = NextHiddenTextStart(bytes);
      if (start == std::string_view::npos) return;
      const bool last = start == HiddenTextStart(bytes);
      bytes = bytes.substr(start);
      if (!(last && closes)) {
        end = PossibleTextEnd(bytes);
        if (end == std::string_view::npos && !closes) return;  // a run no tag closes
        // Closed by the unknown bytes: plainly text up to there, not an attribute's value.
        // Each run is looked at once: a start tag inside one that is not taken is no run's.
        if (end != std::string_view::npos && (end == 0 || !PlainRunText(bytes.substr(0, end)))) {
          bytes = bytes.substr(end + 1);
          continue;
        }
      }
      openText();
      runDamaged_ = true;
    } else if (!closes && bytes.find(kUnknownByte) != std::string_view::npos) {
      end = PossibleTextEnd(bytes);
      if (end != std::string_view::npos && !PlainRunText(bytes.substr(0, end))) {
        // Bytes no writer puts in text: the run's tags were not what they seemed.
        dropped_ += static_cast<int64_t>(run_.size());
        inText_ = false;
        run_.clear();
        bytes = bytes.substr(end + 1);
        continue;
      }
    }
    if (end == std::string_view::npos) {
      text(bytes);
      return;
    }
    text(bytes.substr(0, end + 1));  // with the unknown byte, so that the word it may go on drops
    closeText();
    bytes = bytes.substr(end + 1);
  }
}

void WordXmlText::text(std::string_view text) {
  if (!inText_ || fallbackDepth_ > 0) return;
  if (text.find(kUnknownByte) != std::string_view::npos) runDamaged_ = true;
  AppendXmlText(text, &run_);
}

void WordXmlText::tag(std::string_view raw) {
  // The commonest tags, known whole at once.
  if (raw.size() == 5 && raw[1] == 'w' && raw[2] == ':' && raw[4] == '>' && shortTag(raw[3], false)) return;
  if (raw.size() == 6 && raw[1] == '/' && raw[2] == 'w' && raw[3] == ':' && raw[5] == '>' && shortTag(raw[4], true)) {
    return;
  }
  if (raw.size() >= 2 && (raw[1] == '?' || raw[1] == '!')) return;
  const TagName t = ParseTag(raw);
  const std::string_view n = t.name;
  // Every element read below is "mc:Fallback", "m:t" or in the w: namespace.
  if ((n.size() < 3 || n[0] != 'w' || n[1] != ':') && n.size() != 11 && !Is(n, "m:t")) return;
  if (Is(n, "mc:Fallback")) {
    if (t.closing) {
      if (fallbackDepth_ > 0) --fallbackDepth_;
    } else if (!t.empty) {
      ++fallbackDepth_;
    }
    return;
  }
  if (fallbackDepth_ > 0) return;
  if (marks_ != nullptr && markTag(n, raw, t.closing, t.empty)) return;
  // An equation's (Office Math) text runs are read as the paragraph's own,
  // in the order they are written, which is the order they are read.
  if (Is(n, "w:t") || Is(n, "m:t")) {
    if (t.closing) {
      closeText();
    } else if (!t.empty) {
      openText();
    }
    return;
  }
  if (t.closing) {
    if (Is(n, "w:p")) {
      endParagraph();
    } else if (Is(n, "w:tabs")) {
      inTabs_ = false;
    } else if (Is(n, "w:tc")) {
      flushParagraph();
      if (cellDepth_ > 0) --cellDepth_;
      out_->push_back('\t');
    } else if (Is(n, "w:tr")) {
      flushParagraph();
      if (!out_->empty() && out_->back() == '\t') {
        out_->pop_back();
        // A mark placed after the TAB (a note at a cell's end) stays before the line's end.
        if (marks_ != nullptr) {
          for (auto m = marks_->marks.rbegin(); m != marks_->marks.rend() && m->at > out_->size(); ++m) {
            m->at = out_->size();
          }
        }
      }
      out_->append("\r\n");
    }
    return;
  }
  if (Is(n, "w:p")) {
    if (t.empty) endParagraph();
  } else if (Is(n, "w:tc")) {
    if (!t.empty) ++cellDepth_;
    cellHasParagraph_ = false;
  } else if (Is(n, "w:tabs")) {
    inTabs_ = !t.empty;
  } else if (Is(n, "w:tab")) {
    if (!inTabs_) para_.push_back('\t');
  } else if (Is(n, "w:br") || Is(n, "w:cr")) {
    para_.append("\r\n");
  } else if (Is(n, "w:noBreakHyphen")) {
    para_.push_back('-');
  } else if (Is(n, "w:sym")) {
    const std::string code(Attribute(raw, "w:char"));
    char* end = nullptr;
    const unsigned long value = std::strtoul(code.c_str(), &end, 16);
    if (!code.empty() && *end == '\0' && value > 0 && value <= 0x10FFFF) {
      const char32_t c = SymbolChar(Attribute(raw, "w:font"), static_cast<char32_t>(value));
      if (c >= 0xA0 ? c != 0xFFFE && c != 0xFFFF : c >= 0x20 && c < 0x7F) AppendCodePoint(c, &para_);
    }
  }
}

namespace {

// Drops from a run's text the words that touch an unknown byte (with the
// space after each): the rest of a damaged run is still its text. Returns
// how many bytes went.
size_t KeepKnownWords(std::string* run) {
  std::string kept;
  size_t at = 0;
  while (at < run->size()) {
    const size_t end = std::min(run->find(' ', at), run->size());
    const std::string_view word = std::string_view(*run).substr(at, end - at);
    if (word.find(kUnknownByte) == std::string_view::npos) {
      kept.append(word);
      if (end < run->size()) kept.push_back(' ');
    }
    at = end + 1;
  }
  const size_t dropped = run->size() - kept.size();
  run->swap(kept);
  return dropped;
}

}  // namespace

// A run that the end of a piece cut (where damage broke the stream) keeps its
// text up to the cut, less the words that the break may have cut or garbled.
void WordXmlText::closeCutText() {
  if (!inText_) return;
  dropped_ += static_cast<int64_t>(DropCutWords(&run_));
  closeText();
}

void WordXmlText::openText() {
  inText_ = true;
  runDamaged_ = false;
  run_.clear();
}

// The run's text joins the paragraph (taken over whole when it is the first),
// without control characters (ControlCharacterAt), also none that a byte left over
// at the paragraph's end and the run's first bytes would make.
void WordXmlText::closeText() {
  if (inText_) {
    if (runDamaged_) dropped_ += static_cast<int64_t>(KeepKnownWords(&run_));
    if (!run_.empty()) {
      const bool continues = !para_.empty() && !run_.empty() && (static_cast<uint8_t>(run_[0]) & 0xC0) == 0x80;
      if (continues || HasControl(run_)) {
        AppendWithoutControls(run_, &para_);
      } else if (para_.empty()) {
        para_.swap(run_);
      } else {
        para_ += run_;
      }
    }
  }
  inText_ = false;
  run_.clear();
}

// The paragraph's text goes on after what is out, with its marks. It cannot
// begin inside a character: continuation bytes at its start are what damage
// left of one (after a lead byte left at the end of what is out, they would
// make a control character), and they are dropped. Damage can make one
// paragraph of a whole part: room for it and the line's end is made at once,
// so that the text is not copied twice as it grows, and a large paragraph's
// buffer is let go.
void WordXmlText::appendParagraph() {
  size_t cut = 0;
  while (cut < para_.size() && (static_cast<uint8_t>(para_[cut]) & 0xC0) == 0x80) ++cut;
  if (marks_ != nullptr) placeMarks(true, cut);
  out_->reserve(out_->size() + (para_.size() - cut) + 2);
  out_->append(para_, cut, std::string::npos);
  if (para_.capacity() > kKeptParagraph) std::string().swap(para_);
}

// A paragraph ends: outside a table it ends its line; inside a cell the
// cell's paragraphs are joined by spaces and the cell ends with a TAB.
void WordXmlText::endParagraph() {
  if (cellDepth_ > 0) {
    if (cellHasParagraph_ && !para_.empty()) out_->push_back(' ');
    appendParagraph();
    para_.clear();
    cellHasParagraph_ = true;
    return;
  }
  if (!fromStart_ && para_.empty()) {  // a resumed piece: no empty lines from damaged markup
    if (marks_ != nullptr) placeMarks(false);
    return;
  }
  appendParagraph();
  out_->append("\r\n");
  para_.clear();
}

void WordXmlText::flushParagraph() {
  if (para_.empty()) return;
  if (cellDepth_ > 0) {
    if (cellHasParagraph_) out_->push_back(' ');
    appendParagraph();
    cellHasParagraph_ = true;
  } else {
    appendParagraph();
    out_->append("\r\n");
  }
  para_.clear();
}

}  // namespace kw
