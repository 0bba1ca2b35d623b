// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/document_text.h"

#include <cstdint>
#include <cstring>

#include "base/cp1252.h"
#include "base/yield_clock.h"
#include "formats/docx/text/html_to_text.h"

namespace kw {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr std::string_view kLineBreak = "&#13;&#10;";
constexpr std::string_view kTab = "&#9;";

// True when `bytes` is valid UTF-8 without a byte-order mark.
bool IsPlainUtf8(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return false;
  size_t i = 0;
  while (i < bytes.size()) {
    if (i + 8 <= bytes.size()) {
      uint64_t eight;
      std::memcpy(&eight, bytes.data() + i, 8);
      if ((eight & 0x8080808080808080ULL) == 0) {
        i += 8;
        continue;
      }
    }
    const size_t length = Utf8SequenceLength(bytes.substr(i));
    if (length == 0) return false;
    i += length;
  }
  return true;
}

}  // namespace

std::string_view TagName(std::string_view tag) {
  size_t begin = 1;
  if (begin < tag.size() && tag[begin] == '/') ++begin;
  size_t end = begin;
  while (end < tag.size() && tag[end] != '>' && tag[end] != '/' && tag[end] != ' ' && tag[end] != '\t' &&
         tag[end] != '\r' && tag[end] != '\n') {
    ++end;
  }
  return tag.substr(begin, end - begin);
}

std::pair<char32_t, size_t> CharacterReference(std::string_view s) {
  const bool hex = s.size() > 2 && s[2] == 'x';
  size_t i = hex ? 3 : 2;
  const size_t digitsBegin = i;
  char32_t value = 0;
  while (i < s.size() && i - digitsBegin < 8) {
    const int digit = hex ? HexValue(s[i]) : (IsDigit(s[i]) ? s[i] - '0' : -1);
    if (digit < 0) break;
    value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    ++i;
  }
  if (i == digitsBegin || i >= s.size() || s[i] != ';') return {0, 0};
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {0, 0};
  return {value, i + 1};
}

std::string_view BreakMark(std::string_view tag, int* tabStops) {
  if (tag.size() < 5 || tag[1 + (tag[1] == '/')] != 'w') return {};  // fast path: no w: element
  const std::string_view name = TagName(tag);
  const bool end = tag[1] == '/';
  const bool empty = tag[tag.size() - 2] == '/';
  if (name == "w:p") return end || empty ? kLineBreak : std::string_view();
  if (name == "w:tabs") {
    if (end) {
      if (*tabStops > 0) --*tabStops;
    } else if (!empty) {
      ++*tabStops;
    }
    return {};
  }
  if (name == "w:tab") return !end && *tabStops == 0 ? kTab : std::string_view();
  if (name == "w:br" || name == "w:cr") return end ? std::string_view() : kLineBreak;
  return {};
}

std::string DecodeUtf8Lenient(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    // Runs of ASCII go through as they are.
    size_t ascii = i;
    while (ascii + 8 <= bytes.size()) {
      uint64_t eight;
      std::memcpy(&eight, bytes.data() + ascii, 8);
      if ((eight & 0x8080808080808080ULL) != 0) break;
      ascii += 8;
    }
    while (ascii < bytes.size() && static_cast<uint8_t>(bytes[ascii]) < 0x80) ++ascii;
    out.append(bytes.substr(i, ascii - i));
    i = ascii;
    if (i == bytes.size()) break;
    const size_t length = Utf8SequenceLength(bytes.substr(i));
    if (length > 0) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      AppendCp1252(out, bytes.substr(i, 1));
      ++i;
    }
  }
  return out;
}

std::string MarkBreaks(std::string_view xml, YieldClock* clock) {
  std::string out;
  // Room for the worst case (every byte a stray ">", written as "&gt;"):
  // only address space, whose pages are touched as the text is written, and
  // the output never has to move, which on a large document would copy it
  // all at once.
  out.reserve(xml.size() * 4 + 16);
  int tabStops = 0;  // depth of w:tabs, whose w:tab elements are tab stops
  size_t pos = 0;    // xml before pos is in out
  size_t i = 0;
  // The first ">" at or after `from`. Searches only go forward, so the last
  // answer stands until `from` passes it: a document with many "<" and few
  // ">" is not searched to its end once per "<".
  size_t gt = std::min(xml.find('>'), xml.size());
  const auto nextGt = [&](size_t from) {
    if (gt < from) gt = std::min(xml.find('>', from), xml.size());
    return gt;
  };
  uint32_t steps = 0;
  while (i < xml.size()) {
    if (TickEvery(clock, steps)) return {};
    const size_t open = std::min(xml.find('<', i), xml.size());
    // A ">" in character data closes no tag.
    for (size_t stray = nextGt(i); stray < open; stray = nextGt(stray + 1)) {
      out.append(xml.substr(pos, stray - pos));
      out.append("&gt;");
      pos = stray + 1;
    }
    if (open == xml.size()) break;
    i = open;
    const size_t close = nextGt(i + 1);
    const size_t inner = xml.substr(0, close).find('<', i + 1);
    if (close == xml.size() || inner != std::string_view::npos) {
      // A "<" that no ">" closes: damage, left for the tag removal to judge.
      i = std::min(inner, close);
      continue;
    }
    const std::string_view tag = xml.substr(i, close + 1 - i);
    i = close + 1;
    const std::string_view mark = BreakMark(tag, &tabStops);
    if (!mark.empty()) {
      out.append(xml.substr(pos, i - pos));
      out.append(mark);
      pos = i;
    }
  }
  out.append(xml.substr(pos));
  return out;
}

std::string DecodeReferences(std::string text, YieldClock* clock) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  // In place: a reference is always longer than what it stands for.
  size_t out = text.find('&');
  if (out == std::string::npos) return text;
  size_t in = out;
  std::string decoded;
  uint32_t steps = 0;
  while (in < text.size()) {
    if (TickEvery(clock, steps)) return {};
    const size_t amp = text.find('&', in);
    const size_t plain = (amp == std::string::npos ? text.size() : amp) - in;
    std::memmove(text.data() + out, text.data() + in, plain);
    out += plain;
    in += plain;
    if (amp == std::string::npos) break;
    const std::string_view rest = std::string_view(text).substr(in);
    decoded.clear();
    size_t used = 1;
    if (rest.size() > 1 && rest[1] == '#') {
      const auto [codePoint, length] = CharacterReference(rest);
      if (length > 0) {
        AppendUtf8(decoded, codePoint);
        used = length;
      }
    } else {
      for (const auto& [entity, c] : kEntities) {
        if (rest.substr(0, entity.size()) == entity) {
          decoded.push_back(c);
          used = entity.size();
          break;
        }
      }
    }
    if (decoded.empty()) decoded.push_back('&');
    std::memcpy(text.data() + out, decoded.data(), decoded.size());
    out += decoded.size();
    in += used;
  }
  text.resize(out);
  return text;
}

std::string DocumentXmlToText(std::string_view xml, YieldClock* clock) {
  std::string marked = IsPlainUtf8(xml) ? MarkBreaks(xml, clock) : MarkBreaks(DecodeUtf8Lenient(xml), clock);
  std::string text = DecodeReferences(HtmlMarkupPasses(std::move(marked), clock), clock);
  if (clock != nullptr && clock->stopped()) return {};
  return HtmlCharacterPasses(std::move(text), clock);
}

}  // namespace kw
