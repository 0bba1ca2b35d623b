#include "docx/html_to_text.h"

#include <algorithm>
#include <cctype>

#include "docx/tag_removal.h"
#include "engine/yield_clock.h"

namespace kw {

namespace {

// Position of `pattern` (lower case) in `text` at or after `from`, ignoring
// ASCII case.
size_t FindNoCase(std::string_view text, std::string_view pattern, size_t from) {
  // Every pattern begins with "<", which has no other case.
  for (size_t i = text.find('<', from); i != std::string_view::npos && i + pattern.size() <= text.size();
       i = text.find('<', i + 1)) {
    size_t k = 0;
    while (k < pattern.size() &&
           std::tolower(static_cast<unsigned char>(text[i + k])) == static_cast<unsigned char>(pattern[k])) {
      ++k;
    }
    if (k == pattern.size()) return i;
  }
  return std::string_view::npos;
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

void CutHead(std::string& text) {
  if (FindNoCase(text, "<head", 0) == std::string::npos) return;
  const size_t end = FindNoCase(text, "</head>", 1);
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

std::string HtmlMarkupPasses(std::string_view html, YieldClock* clock) {
  std::string text = WithoutLineBreaks(html);
  text = ReplaceAll(text, "<br>", "\r\n");
  text = ReplaceAll(text, "<br />", "\r\n");
  text = ReplaceAll(text, "<br/>", "\r\n");
  text = ReplaceAll(text, "<div", "\r\n\r\n<div");
  text = ReplaceAll(text, "<span", "\r\n\r\n<span");
  text = ReplaceAll(text, "<p", "\r\n\r\n<p");
  if (clock != nullptr) clock->tick();
  CutHead(text);
  return RemoveTags(std::move(text), clock);
}

std::string HtmlCharacterPasses(std::string_view input) {
  std::string text(input);
  std::replace(text.begin(), text.end(), '"', '\'');
  text = ReplaceAll(text, "&#", "#");
  text = ReplaceAll(text, "%20", " ");
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  const size_t body = text.find_first_not_of("\r\n");
  return body == std::string::npos ? std::string() : text.substr(body);
}

std::string HtmlToText(std::string_view html, YieldClock* clock) {
  return HtmlCharacterPasses(HtmlMarkupPasses(html, clock));
}

}  // namespace kw
