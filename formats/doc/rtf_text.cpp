// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/rtf_text.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/cp1252.h"
#include "base/yield_clock.h"
#include "formats/doc/code_page.h"
#include "formats/doc/word_text.h"

namespace kw {

namespace {

constexpr size_t kMaxDepth = 256;

struct Group {
  bool skip = false;
  int uc = 1;  // fallback characters after \uN
};

// Destinations that hold no document text.
bool Skipped(std::string_view word) {
  static constexpr std::string_view kWords[] = {
      "fonttbl", "colortbl",  "stylesheet", "info",      "pict",         "fldinst", "listtable", "listoverridetable",
      "rsidtbl", "generator", "themedata",  "datastore", "latentstyles", "filetbl", "revtbl",    "listtext",
      "pntext",  "xmlnsdecl", "object",     "objdata",   "bkmkstart",    "bkmkend", "private",   "colorschememapping"};
  for (std::string_view w : kWords) {
    if (w == word) return true;
  }
  return false;
}

CodePage PageFor(int cp) {
  switch (cp) {
    case 1250: return CodePage::k1250;
    case 1251: return CodePage::k1251;
    case 1253: return CodePage::k1253;
    case 1254: return CodePage::k1254;
    case 1257: return CodePage::k1257;
    default: return CodePage::k1252;
  }
}

// The value of a hex digit; -1 for any other byte (a damaged \'hh).
int Hex(uint8_t h) {
  if (h >= '0' && h <= '9') return h - '0';
  h |= 0x20;
  return h >= 'a' && h <= 'f' ? h - 'a' + 10 : -1;
}

}  // namespace

bool IsRtf(const uint8_t* data, size_t size) { return size >= 5 && std::memcmp(data, "{\\rtf", 5) == 0; }

void AppendRtfText(const uint8_t* d, size_t size, YieldClock* clock, std::string* out) {
  std::vector<Group> stack(1);
  size_t overflow = 0;  // groups opened past kMaxDepth
  CodePage page = CodePage::k1252;
  int pendingSkip = 0;  // fallback characters still to skip after \uN
  auto text = [&](char32_t c) {
    if (stack.back().skip) return;
    if (pendingSkip > 0) {
      --pendingSkip;
      return;
    }
    if (IsTextCharacter(c)) AppendUtf8(*out, c);
  };
  auto control = [&](std::string_view word, bool hasParam, long param) {
    Group& g = stack.back();
    if (word == "par" || word == "line" || word == "page" || word == "sect" || word == "row") {
      if (!g.skip) out->append("\r\n");
    } else if (word == "tab" || word == "cell") {
      if (!g.skip) out->push_back('\t');
    } else if (word == "u" && hasParam) {
      const long v = param < 0 ? param + 65536 : param;
      if (!g.skip && v < 0x110000 && !(v >= 0xD800 && v <= 0xDFFF) && IsTextCharacter(char32_t(v))) {
        AppendUtf8(*out, char32_t(v));
      }
      pendingSkip = g.uc;
    } else if (word == "uc" && hasParam) {
      g.uc = param < 0 ? 0 : int(std::min(param, 8L));
    } else if (word == "ansicpg" && hasParam) {
      page = PageFor(int(param));
    } else if (word == "emdash") {
      text(0x2014);
    } else if (word == "endash") {
      text(0x2013);
    } else if (word == "lquote" || word == "rquote") {
      text(word == "lquote" ? 0x2018 : 0x2019);
    } else if (word == "ldblquote" || word == "rdblquote") {
      text(word == "ldblquote" ? 0x201C : 0x201D);
    } else if (word == "bullet") {
      text(0x2022);
    } else if (Skipped(word)) {
      g.skip = true;
    }
  };
  for (size_t i = 0; i < size;) {
    if ((i & 0xFFFF) == 0 && clock) {
      clock->tick();
      if (clock->stopped()) return;
    }
    const uint8_t c = d[i];
    if (c == '{') {
      if (stack.size() < kMaxDepth) {
        stack.push_back(stack.back());
      } else {
        ++overflow;
      }
      ++i;
    } else if (c == '}') {
      if (overflow > 0) {
        --overflow;
      } else if (stack.size() > 1) {
        stack.pop_back();
      }
      pendingSkip = 0;
      ++i;
    } else if (c == '\\' && i + 1 < size) {
      const uint8_t n = d[i + 1];
      if ((n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z')) {
        size_t j = i + 1;
        while (j < size && j - i <= 32 && ((d[j] >= 'a' && d[j] <= 'z') || (d[j] >= 'A' && d[j] <= 'Z'))) ++j;
        const std::string_view word(reinterpret_cast<const char*>(d + i + 1), j - i - 1);
        bool neg = false, hasParam = false;
        long param = 0;
        if (j < size && d[j] == '-') {
          neg = true;
          ++j;
        }
        while (j < size && d[j] >= '0' && d[j] <= '9') {
          if (param < 100000000) param = param * 10 + (d[j] - '0');
          hasParam = true;
          ++j;
        }
        if (neg) param = -param;
        if (j < size && d[j] == ' ') ++j;
        control(word, hasParam, param);
        // \binN: N bytes of binary data follow, never text.
        if (word == "bin" && param > 0) j += std::min(size - j, size_t(param));
        i = j;
      } else if (n == '\'' && i + 3 < size && Hex(d[i + 2]) >= 0 && Hex(d[i + 3]) >= 0) {
        text(CodePagePoint(page, uint8_t(Hex(d[i + 2]) * 16 + Hex(d[i + 3]))));
        i += 4;
      } else {
        if (n == '*') stack.back().skip = true;
        if (n == '\\' || n == '{' || n == '}') text(n);
        if (n == '~') text(0xA0);
        if (n == '_') text('-');
        i += 2;
      }
    } else {
      if (c >= 0x20 && c != 0x7F) text(CodePagePoint(page, c));
      ++i;
    }
  }
}

}  // namespace kw
