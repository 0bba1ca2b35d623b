// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/html_text.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/cp1252.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/doc/deep/html_encoding.h"

namespace kw {

namespace {

constexpr int64_t kChunk = int64_t(1) << 20;
constexpr size_t kHead = 4096;     // where a declaration is looked for
constexpr size_t kMaxName = 16;    // letters of a tag name kept
constexpr size_t kMaxEntity = 10;  // characters of a reference kept

struct NamedChar {
  std::string_view name;
  char32_t c;
};
constexpr NamedChar kEntities[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},     {"trade", 0x2122}, {"hellip", 0x2026},
    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"bull", 0x2022},  {"euro", 0x20AC},  {"middot", 0xB7},  {"deg", 0xB0},
};

// Tags that end a line, and those whose content is no text.
constexpr std::string_view kBreaks[] = {"p",  "div", "br", "li",    "h1",         "h2",  "h3", "h4", "h5", "h6",
                                        "tr", "ul",  "ol", "table", "blockquote", "pre", "hr", "dd", "dt"};
constexpr std::string_view kHidden[] = {"head", "script", "style", "title"};

template <size_t N>
bool OneOf(std::string_view name, const std::string_view (&names)[N]) {
  return std::find(names, names + N, name) != names + N;
}

bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The markup to text, a character at a time.
class Markup {
 public:
  explicit Markup(std::string* out) : out_(out) {}

  void put(char32_t c) {
    switch (state_) {
      case State::kText: return text(c);
      case State::kTag: return tag(c);
      case State::kComment:
        dashes_ = c == '-' ? dashes_ + 1 : (c == '>' && dashes_ >= 2 ? -1 : 0);
        if (dashes_ < 0) state_ = State::kText;
        return;
      case State::kEntity: return entity(c);
    }
  }
  // Whether plain text now goes straight into the line (plainText()).
  bool inText() const { return state_ == State::kText && hidden_ == 0; }
  // Printable ASCII other than '<' and '&', as put() would take it.
  void plainText(const char* p, size_t n) {
    if (space_) line_.push_back(' ');
    space_ = false;
    line_.append(p, n);
  }
  void finish() {
    if (state_ == State::kEntity) flushEntity();
    endLine();
  }

 private:
  enum class State { kText, kTag, kComment, kEntity };

  void text(char32_t c) {
    if (c == '<') {
      state_ = State::kTag;
      name_.clear();
      inName_ = true;
      closing_ = false;
      quote_ = 0;
      return;
    }
    if (hidden_ > 0) return;
    if (c == '&') {
      state_ = State::kEntity;
      entity_.clear();
      return;
    }
    emit(c);
  }

  void emit(char32_t c) {
    if (IsSpace(c)) {
      space_ = !line_.empty();
      return;
    }
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0xFFFE || c == 0xFFFF) return;
    if (space_) line_.push_back(' ');
    space_ = false;
    AppendUtf8(line_, c);
  }

  void tag(char32_t c) {
    if (quote_ != 0) {
      if (c == quote_) quote_ = 0;
      return;
    }
    if (inName_) {
      if (name_.empty() && c == '/' && !closing_) {
        closing_ = true;
        return;
      }
      if (name_ == "!-" && c == '-') {  // "<!--"
        state_ = State::kComment;
        dashes_ = 0;
        return;
      }
      if (c != '>' && c != '/' && !IsSpace(c)) {
        if (name_.size() < kMaxName) name_.push_back(c < 0x80 ? char(c >= 'A' && c <= 'Z' ? c | 0x20 : c) : '?');
        return;
      }
      inName_ = false;
    }
    if (c == '"' || c == '\'') {
      quote_ = c;
    } else if (c == '>') {
      state_ = State::kText;
      endTag();
    }
  }

  void endTag() {
    if (OneOf(name_, kHidden)) {
      hidden_ = closing_ ? std::max(hidden_ - 1, 0) : hidden_ + 1;
    } else if (hidden_ > 0) {
      return;
    } else if (name_ == "td" || name_ == "th") {
      if (closing_) {
        space_ = false;
        line_.push_back('\t');
      }
    } else if (OneOf(name_, kBreaks)) {
      if (name_ == "br" && line_.empty()) out_->append("\r\n");  // a break on an empty line is a blank one
      endLine();
    }
  }

  void entity(char32_t c) {
    if (c == ';') {
      state_ = State::kText;
      return decodeEntity();
    }
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
    if (!word || entity_.size() >= kMaxEntity) {
      flushEntity();
      return text(c);
    }
    entity_.push_back(char(c));
  }

  void decodeEntity() {
    char32_t c = 0;
    if (entity_.size() > 1 && entity_[0] == '#') {
      const bool hex = entity_[1] == 'x' || entity_[1] == 'X';
      for (size_t i = hex ? 2 : 1; i < entity_.size() && c <= 0x10FFFF; ++i) {
        const char d = entity_[i];
        const int v = d >= '0' && d <= '9'                            ? d - '0'
                      : hex && (d | 0x20) >= 'a' && (d | 0x20) <= 'f' ? (d | 0x20) - 'a' + 10
                                                                      : -1;
        if (v < 0) return flushEntity(true);
        c = c * (hex ? 16 : 10) + char32_t(v);
      }
      return emit(c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? char32_t(0xFFFD) : c);
    }
    for (const NamedChar& e : kEntities) {
      if (entity_ == e.name) return emit(e.c);
    }
    flushEntity(true);
  }

  // A reference that is none: its characters as they stand.
  void flushEntity(bool semicolon = false) {
    state_ = State::kText;
    emit('&');
    for (char ch : entity_) emit(char32_t(ch));
    if (semicolon) emit(';');
  }

  void endLine() {
    while (!line_.empty() && line_.back() == '\t') line_.pop_back();
    if (!line_.empty()) {
      out_->append(line_);
      out_->append("\r\n");
    }
    line_.clear();
    space_ = false;
  }

  std::string* out_;
  std::string line_;
  State state_ = State::kText;
  std::string name_;
  std::string entity_;
  bool inName_ = false, closing_ = false, space_ = false;
  char32_t quote_ = 0;
  int dashes_ = 0;
  int hidden_ = 0;  // depth inside hidden elements
};

}  // namespace

bool LooksLikeHtml(const uint8_t* head, size_t size) {
  // The ASCII of the first bytes, the zero bytes of UTF-16 left out.
  std::string ascii;
  for (size_t i = 0; i < size && ascii.size() < 64; ++i) {
    if (head[i] == 0) continue;
    if (head[i] >= 0x80) {
      if (i < 3) continue;  // a byte order mark
      break;
    }
    ascii.push_back(char(head[i] >= 'A' && head[i] <= 'Z' ? head[i] | 0x20 : head[i]));
  }
  const size_t at = ascii.find_first_not_of(" \t\r\n");
  if (at == std::string::npos) return false;
  const std::string_view s = std::string_view(ascii).substr(at);
  return s.substr(0, 5) == "<html" || s.substr(0, 14) == "<!doctype html";
}

Status ReadHtmlText(SourceFile& file, YieldClock* clock, std::string* text) {
  std::vector<uint8_t> buf(size_t(std::clamp<int64_t>(file.size(), 1, kChunk)));
  const int64_t got = file.readAt(1, buf.data(), std::min(buf.size(), kHead));
  if (got < 0) return file.lastError();
  HtmlEncoding encoding;
  if (!DeclaredHtmlEncoding(buf.data(), size_t(got), &encoding)) {
    Utf8Check check;
    for (int64_t pos = 0; pos < file.size() && check.valid();) {
      const int64_t n = file.readAt(pos + 1, buf.data(), buf.size());
      if (n < 0) return file.lastError();
      if (n == 0) break;
      check.feed(buf.data(), size_t(n));
      pos += n;
      if (clock) clock->tick();
      if (clock && clock->stopped()) return Status::OK();
    }
    if (!check.valid()) encoding = HtmlEncoding{HtmlEncoding::Kind::kPage, CodePage::k1252, 0};
  }
  HtmlDecoder decoder(encoding);
  Markup markup(text);
  for (int64_t pos = int64_t(encoding.bom); pos < file.size();) {
    const int64_t n = file.readAt(pos + 1, buf.data(), buf.size());
    if (n < 0) return file.lastError();
    if (n == 0) break;
    const auto put = [&markup](char32_t c) { markup.put(c); };
    for (size_t i = 0; i < size_t(n);) {
      // Runs of printable ASCII in text go in whole.
      size_t j = i;
      if (decoder.asciiAsIs() && markup.inText()) {
        while (j < size_t(n) && buf[j] > 0x20 && buf[j] < 0x7F && buf[j] != '<' && buf[j] != '&') ++j;
      }
      if (j > i) {
        markup.plainText(reinterpret_cast<const char*>(buf.data() + i), j - i);
      } else {
        decoder.feed(buf.data() + i, 1, put);
        ++j;
      }
      i = j;
    }
    pos += n;
    if (clock) clock->tick();
    if (clock && clock->stopped()) break;
  }
  markup.finish();
  return Status::OK();
}

}  // namespace kw
