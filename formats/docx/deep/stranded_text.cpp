// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/stranded_text.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>

#include "base/utf8_sequence.h"
#include "formats/docx/deep/tolerant_inflate.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {

namespace {

constexpr size_t kMinStretch = 24;               // shorter known stretches are as likely bits of tags
constexpr size_t kMinSpaces = 3;                 // words it must hold
constexpr size_t kKnownShare = 5;                // all but one in this many of them must occur in the text read whole
constexpr size_t kSeenSpan = size_t{256} << 10;  // how much of that text is looked at
constexpr size_t kTagReach = 4096;               // how far from a stretch the tags around it are looked for

bool Letter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80; }

// Words, not markup, an attribute, an identifier or a number.
bool PlainlyText(std::string_view s) {
  if (s.size() < kMinStretch) return false;
  size_t spaces = 0;
  size_t letters = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '<' || c == '>' || c == '=' || c == '"' || c == '\'' || c < 0x20) return false;
    letters += Letter(c) ? 1 : 0;
    if (c == ' ' && i > 0 && i + 1 < s.size() && Letter(static_cast<unsigned char>(s[i - 1])) &&
        Letter(static_cast<unsigned char>(s[i + 1]))) {
      ++spaces;
    }
  }
  return spaces >= kMinSpaces && letters * 4 >= s.size() * 3;
}

// The words of a text, to check stranded words against.
std::unordered_set<std::string_view> Words(std::string_view text) {
  std::unordered_set<std::string_view> words;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && !Letter(static_cast<unsigned char>(text[at]))) ++at;
    size_t end = at;
    while (end < text.size() && Letter(static_cast<unsigned char>(text[end]))) ++end;
    if (end > at) words.insert(text.substr(at, end - at));
    at = end;
  }
  return words;
}

// Whether most words of `s` occur in the text read whole: stretches decoded
// out of step, which look like words too, are mostly words never written.
bool KnownWords(std::string_view s, const std::unordered_set<std::string_view>& words) {
  size_t total = 0, known = 0, at = 0;
  while (at < s.size()) {
    while (at < s.size() && !Letter(static_cast<unsigned char>(s[at]))) ++at;
    size_t end = at;
    while (end < s.size() && Letter(static_cast<unsigned char>(s[end]))) ++end;
    if (end > at) {
      ++total;
      known += words.count(s.substr(at, end - at));
    }
    at = end;
  }
  return total > 0 && known * kKnownShare >= total * (kKnownShare - 1);
}

// Whether decoded text is whole UTF-8 characters and no control character
// (TAB aside; nor U+FFFE, U+FFFF): a reference or a stray byte in a stretch
// decoded out of step may make one.
bool CleanText(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8SequenceLength(s.substr(i));
    if (n == 0 || (s[i] != '\t' && ControlCharacterAt(s, i) > 0)) return false;
    i += n;
  }
  return true;
}

// Whether the text [at, end) of `xml` lies in a run's text, which the
// runs' reader took: the nearest tag before it opens w:t, the nearest after
// closes it, some of their bytes unknown or not (TextStartTag, TextEndTag).
// Each is looked for within kTagReach bytes, so that the search stays
// linear.
bool InRun(std::string_view xml, size_t at, size_t end) {
  const auto tagAt = [&](size_t open, size_t size) {
    const std::string_view tag = xml.substr(open, size);
    return tag.substr(0, std::min(tag.size(), tag.find('>')) + 1);  // npos: the whole
  };
  const size_t from = at - std::min(at, kTagReach);
  const std::string_view before = xml.substr(from, at - from);
  // A run whose start tag's "<" is unknown, and that goes on past the stretch.
  const size_t shownEnd = before.rfind('>');
  if (shownEnd != std::string_view::npos && HiddenTextStart(before.substr(0, shownEnd + 1)) != std::string_view::npos) {
    const size_t runAt = from + shownEnd + 1;
    const size_t runEnd = PossibleTextEnd(xml.substr(runAt, end - runAt));
    if (runEnd == std::string_view::npos || runAt + runEnd >= end) return true;
  }
  const size_t open = before.rfind('<');
  if (open == std::string_view::npos || TextStartTag(tagAt(from + open, at - from - open)) == 0) {
    // Or a start tag whose "<" is unknown, after the last tag that shows one.
    const size_t shown = open == std::string_view::npos ? 0 : before.find('>', open);
    if (shown == std::string_view::npos || HiddenTextStart(before.substr(shown)) == std::string_view::npos)
      return false;
  }
  const size_t close = xml.substr(end, kTagReach).find('<');
  return close != std::string_view::npos && TextEndTag(tagAt(end + close, kTagReach));
}

}  // namespace

size_t AppendStrandedText(std::string_view xml, std::string* out) {
  size_t taken = 0;
  const std::string seen = out->substr(out->size() - std::min(out->size(), kSeenSpan));
  const std::unordered_set<std::string_view> words = Words(seen);
  size_t at = xml.find(kUnknownByte);
  while (at != std::string_view::npos) {
    while (at < xml.size() && xml[at] == kUnknownByte) ++at;
    const size_t end = xml.find(kUnknownByte, at);
    if (end == std::string_view::npos) break;  // the piece's end: no unknown byte closes it
    std::string_view s = xml.substr(at, end - at);
    // The words at either end may go on in the unknown bytes: only whole words are kept.
    const size_t first = s.find(' '), last = s.rfind(' ');
    s = first < last ? s.substr(first + 1, last - first - 1) : std::string_view();
    const size_t textAt = static_cast<size_t>(s.data() - xml.data());
    if (PlainlyText(s) && !InRun(xml, textAt, textAt + s.size()) && KnownWords(s, words)) {
      std::string decoded;
      AppendXmlText(s, &decoded);
      if (CleanText(decoded)) {
        out->append(decoded);
        out->append("\r\n");
        ++taken;
      }
    }
    at = end;
  }
  return taken;
}

}  // namespace kw
