// SPDX-License-Identifier: Apache-2.0
#pragma once
// HtmlEncoding: the character encoding of a web page saved under a Word name,
// and its bytes decoded to characters a piece at a time.
//
// The page says which: a byte order mark, else a charset declared near its
// start (<meta charset=...> or content="...; charset=..."). A page that says
// nothing is UTF-8 when its bytes are valid UTF-8, else Windows-1252.

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/doc/deep/code_page.h"

namespace kw {

struct HtmlEncoding {
  enum class Kind { kUtf8, kUtf16Le, kUtf16Be, kPage } kind = Kind::kUtf8;
  CodePage page = CodePage::k1252;  // for kPage
  size_t bom = 0;                   // bytes of the byte order mark
};

// The encoding a page's byte order mark or declaration in `head` (its first
// few kilobytes) gives; false when neither says.
bool DeclaredHtmlEncoding(const uint8_t* head, size_t size, HtmlEncoding* encoding);

// Whether bytes fed a piece at a time are all valid UTF-8.
class Utf8Check {
 public:
  void feed(const uint8_t* data, size_t size);
  bool valid() const { return valid_ && need_ == 0; }

 private:
  bool valid_ = true;
  int need_ = 0;  // continuation bytes still expected
};

// Bytes in an encoding to characters, across pieces; a sequence that is not
// valid gives U+FFFD.
class HtmlDecoder {
 public:
  explicit HtmlDecoder(HtmlEncoding encoding) : encoding_(encoding) {}
  // Calls `put(char32_t)` for each character of the next bytes.
  template <typename Put>
  void feed(const uint8_t* data, size_t size, Put&& put);
  // Whether an ASCII byte read now is that character (no sequence is begun).
  bool asciiAsIs() const {
    return need_ == 0 && (encoding_.kind == HtmlEncoding::Kind::kUtf8 || encoding_.kind == HtmlEncoding::Kind::kPage);
  }

 private:
  HtmlEncoding encoding_;
  char32_t partial_ = 0;  // a UTF-8 or UTF-16 sequence begun in an earlier piece
  int need_ = 0;          // its bytes (UTF-8) or units (UTF-16 surrogate) still to come
  int odd_ = -1;          // a UTF-16 unit's first byte, or -1
};

template <typename Put>
void HtmlDecoder::feed(const uint8_t* data, size_t size, Put&& put) {
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    switch (encoding_.kind) {
      case HtmlEncoding::Kind::kPage: put(CodePagePoint(encoding_.page, b)); break;
      case HtmlEncoding::Kind::kUtf8:
        if (need_ > 0 && (b & 0xC0) == 0x80) {
          partial_ = (partial_ << 6) | (b & 0x3F);
          if (--need_ == 0) put(partial_);
          break;
        }
        if (need_ > 0) put(0xFFFD);
        need_ = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
        if (need_ < 0) {
          need_ = 0;
          put(0xFFFD);
        } else if (need_ == 0) {
          put(b);
        } else {
          partial_ = b & (0x3F >> need_);
        }
        break;
      case HtmlEncoding::Kind::kUtf16Le:
      case HtmlEncoding::Kind::kUtf16Be: {
        if (odd_ < 0) {
          odd_ = b;
          break;
        }
        const char32_t unit =
            encoding_.kind == HtmlEncoding::Kind::kUtf16Le ? char32_t(odd_ | (b << 8)) : char32_t((odd_ << 8) | b);
        odd_ = -1;
        if (need_ > 0 && unit >= 0xDC00 && unit < 0xE000) {
          put(0x10000 + ((partial_ - 0xD800) << 10) + (unit - 0xDC00));
          need_ = 0;
        } else if (unit >= 0xD800 && unit < 0xDC00) {
          if (need_ > 0) put(0xFFFD);
          partial_ = unit;
          need_ = 1;
        } else {
          if (need_ > 0) put(0xFFFD);
          need_ = 0;
          put(unit >= 0xDC00 && unit < 0xE000 ? char32_t(0xFFFD) : unit);
        }
        break;
      }
    }
  }
}

}  // namespace kw
