// SPDX-License-Identifier: Apache-2.0
// HtmlToText and the .docx text conversion on arbitrary text. Tag removal is
// checked against the literal loop (RemoveTagsLiteral), and HtmlToText
// against its sixteen passes written out one by one, each a plain
// left-to-right replacement. The document conversion must not crash and must
// give valid UTF-8, and the streaming pass (DocumentTextStream) must give
// its text byte for byte, whole and cut in pieces where the input says,
// unless it hands the document back to the literal passes.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "formats/docx/document_stream.h"
#include "formats/docx/document_text.h"
#include "formats/docx/html_to_text.h"
#include "formats/docx/tag_removal.h"

namespace {

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

std::string Replace(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t pos = 0;
  for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, pos)) {
    out.append(text.substr(pos, at - pos)).append(to);
    pos = at + from.size();
  }
  return out.append(text.substr(pos));
}

std::string LiteralHtmlToText(std::string text) {
  for (const char* from : {"\r", "\n"}) text = Replace(text, from, "");
  for (const char* from : {"<br>", "<br />", "<br/>"}) text = Replace(text, from, "\r\n");
  for (const char* tag : {"<div", "<span", "<p"}) text = Replace(text, tag, std::string("\r\n\r\n") + tag);
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower.find("<head") != std::string::npos) {
    const size_t end = lower.find("</head>", 1);
    if (end != std::string::npos) text.erase(0, end + 7);
  }
  text = kw::RemoveTagsLiteral(text);
  text = Replace(text, "\"", "'");
  text = Replace(text, "&#", "#");
  text = Replace(text, "%20", " ");
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  const size_t body = text.find_first_not_of("\r\n");
  return body == std::string::npos ? std::string() : text.substr(body);
}

// The stream's text with the input cut every `step` bytes; nothing when it hands the document back.
bool Streamed(std::string_view xml, size_t step, std::string* text) {
  kw::DocumentTextStream stream;
  for (size_t at = 0; at < xml.size(); at += step) stream.feed(xml.substr(at, step));
  if (!stream.finish()) return false;
  *text = stream.takeText();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (kw::RemoveTags(text) != kw::RemoveTagsLiteral(text)) std::abort();

  if (kw::HtmlToText(text) != LiteralHtmlToText(text)) std::abort();

  const std::string document = kw::DocumentXmlToText(text);
  if (!ValidUtf8(document)) std::abort();
  const size_t step = size == 0 ? 1 : 1 + data[0] % 17;
  for (const size_t cut : {step, size + 1}) {
    std::string streamed;
    if (Streamed(text, cut, &streamed) && streamed != document) std::abort();
  }
  return 0;
}
