// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/html_to_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/yield_clock.h"
#include "formats/docx/text/tag_removal.h"

namespace kw {

namespace {

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view lower) {
  if (text.size() - at < lower.size()) return false;
  for (size_t k = 0; k < lower.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(text[at + k])) != lower[k]) return false;
  }
  return true;
}

// Position of `lower` (which begins with "<") in `text` at or after `from`,
// ignoring ASCII case.
size_t FindTagNoCase(std::string_view text, std::string_view lower, size_t from) {
  for (size_t at = text.find('<', from); at != std::string_view::npos; at = text.find('<', at + 1)) {
    if (StartsWithNoCase(text, at, lower)) return at;
  }
  return std::string_view::npos;
}

// `text` without the character `c`.
std::string Without(std::string text, char c, YieldClock* clock) {
  size_t out = text.find(c);
  if (out == std::string::npos) return text;
  size_t in = out + 1;
  uint32_t steps = 0;
  while (in < text.size()) {
    if (TickEvery(clock, steps)) return {};
    const size_t next = std::min(text.find(c, in), text.size());
    std::memmove(text.data() + out, text.data() + in, next - in);
    out += next - in;
    in = next + 1;
  }
  text.resize(out);
  return text;
}

// The line-break and block passes in one sweep. Every pattern begins with
// "<" and no replacement makes or breaks another pattern's match, so one
// left-to-right pass over the "<" gives what the passes give in turn.
// Sets *hasHead when "<head" occurs, in any case.
std::string BreakPasses(std::string text, bool* hasHead, YieldClock* clock) {
  static constexpr std::string_view kBreaks[] = {"<br>", "<br />", "<br/>"};
  static constexpr std::string_view kBlocks[] = {"<div", "<span", "<p"};
  const std::string_view in(text);
  std::string out;  // used from the first match on
  size_t pos = 0;   // text before pos is in out
  uint32_t steps = 0;
  for (size_t at = 0; at < in.size(); ++at) {
    if (in[at] != '<') continue;
    if (TickEvery(clock, steps)) return {};
    const std::string_view rest = in.substr(at);
    if (rest.size() < 2) continue;
    if ((rest[1] == 'h' || rest[1] == 'H') && StartsWithNoCase(in, at, "<head")) *hasHead = true;
    if (rest[1] != 'b' && rest[1] != 'd' && rest[1] != 's' && rest[1] != 'p') continue;
    std::string_view insert;
    size_t skip = 0;
    for (const std::string_view pattern : kBreaks) {
      if (rest.substr(0, pattern.size()) == pattern) {
        insert = "\r\n";
        skip = pattern.size();
        break;
      }
    }
    for (const std::string_view pattern : kBlocks) {
      if (insert.empty() && rest.substr(0, pattern.size()) == pattern) insert = "\r\n\r\n";
    }
    if (insert.empty()) continue;
    if (out.empty()) out.reserve(in.size() + in.size() / 16);
    out.append(in.substr(pos, at - pos));
    out.append(insert);
    pos = at + skip;
    if (skip > 0) at = pos - 1;
  }
  if (pos == 0 && out.empty()) return text;
  out.append(in.substr(pos));
  return out;
}

// The head cut: everything up to the ">" of the first "</head>" found from
// the second character on.
void CutHead(std::string& text) {
  const size_t end = FindTagNoCase(text, "</head>", 1);
  if (end != std::string::npos) text.erase(0, end + 7);
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, pos)) {
    out.append(text.substr(pos, at - pos));
    out.append(to);
    pos = at + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

void ReplaceInPlace(std::string& text, std::string_view from, std::string_view to) {
  size_t at = text.find(from);
  if (at == std::string::npos) return;
  size_t out = at;
  while (at != std::string::npos) {
    text.replace(out, to.size(), to);
    out += to.size();
    const size_t next = text.find(from, at + from.size());
    const size_t keep = (next == std::string::npos ? text.size() : next) - (at + from.size());
    std::memmove(text.data() + out, text.data() + at + from.size(), keep);
    out += keep;
    at = next;
  }
  text.resize(out);
}

std::string HtmlMarkupPasses(std::string html, YieldClock* clock) {
  bool hasHead = false;
  std::string text = BreakPasses(Without(Without(std::move(html), '\r', clock), '\n', clock), &hasHead, clock);
  if (clock != nullptr) clock->tick();
  if (clock != nullptr && clock->stopped()) return {};
  if (hasHead) CutHead(text);
  return RemoveTags(std::move(text), clock);
}

std::string HtmlCharacterPasses(std::string text, YieldClock* clock) {
  const auto stopped = [clock] {
    if (clock != nullptr) clock->tick();
    return clock != nullptr && clock->stopped();
  };
  std::replace(text.begin(), text.end(), '"', '\'');
  if (stopped()) return {};
  ReplaceInPlace(text, "&#", "#");
  if (stopped()) return {};
  ReplaceInPlace(text, "%20", " ");
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  const size_t body = text.find_first_not_of("\r\n", first);
  if (body == std::string::npos || body > last) return {};
  text.erase(last + 1);
  text.erase(0, body);
  return text;
}

std::string HtmlToText(std::string_view html, YieldClock* clock) {
  return HtmlCharacterPasses(HtmlMarkupPasses(std::string(html), clock), clock);
}

}  // namespace kw
