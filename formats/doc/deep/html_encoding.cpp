// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/html_encoding.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace kw {

namespace {

struct NamedPage {
  const char* name;
  CodePage page;
};

// The names a declaration may use for the code pages there are tables for.
constexpr NamedPage kPages[] = {
    {"windows-1250", CodePage::k1250},  {"windows-1251", CodePage::k1251},    {"windows-1252", CodePage::k1252},
    {"windows-1253", CodePage::k1253},  {"windows-1254", CodePage::k1254},    {"windows-1257", CodePage::k1257},
    {"iso-8859-1", CodePage::k1252},    {"latin1", CodePage::k1252},          {"us-ascii", CodePage::k1252},
    {"macintosh", CodePage::kMacRoman}, {"x-mac-roman", CodePage::kMacRoman},
};

bool Named(std::string_view name, HtmlEncoding* encoding) {
  if (name == "utf-8" || name == "utf8") {
    *encoding = HtmlEncoding{};
    return true;
  }
  for (const NamedPage& p : kPages) {
    if (name == p.name) {
      *encoding = HtmlEncoding{HtmlEncoding::Kind::kPage, p.page, 0};
      return true;
    }
  }
  return false;
}

}  // namespace

bool DeclaredHtmlEncoding(const uint8_t* head, size_t size, HtmlEncoding* encoding) {
  if (size >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) {
    *encoding = HtmlEncoding{HtmlEncoding::Kind::kUtf8, CodePage::k1252, 3};
    return true;
  }
  if (size >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
    *encoding = HtmlEncoding{HtmlEncoding::Kind::kUtf16Le, CodePage::k1252, 2};
    return true;
  }
  if (size >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
    *encoding = HtmlEncoding{HtmlEncoding::Kind::kUtf16Be, CodePage::k1252, 2};
    return true;
  }
  // "charset=" in any case, then the name, perhaps quoted.
  std::string lower(reinterpret_cast<const char*>(head), size);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? char(c | 0x20) : c;
  for (size_t at = lower.find("charset="); at != std::string::npos; at = lower.find("charset=", at + 1)) {
    size_t from = at + 8;
    while (from < lower.size() && (lower[from] == '"' || lower[from] == '\'' || lower[from] == ' ')) ++from;
    size_t to = from;
    while (to < lower.size() &&
           (std::isalnum(static_cast<unsigned char>(lower[to])) || lower[to] == '-' || lower[to] == '_')) {
      ++to;
    }
    if (Named(std::string_view(lower).substr(from, to - from), encoding)) return true;
  }
  return false;
}

void Utf8Check::feed(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size && valid_; ++i) {
    const uint8_t b = data[i];
    if (need_ > 0) {
      valid_ = (b & 0xC0) == 0x80;
      --need_;
    } else if (b >= 0x80) {
      need_ = b >= 0xF8 ? -1 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : -1;
      valid_ = need_ > 0;
    }
  }
}

}  // namespace kw
