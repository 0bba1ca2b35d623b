// SPDX-License-Identifier: Apache-2.0
#include "base/cp1252.h"

#include <array>

namespace kw {

namespace {

constexpr char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

Utf8Char Encode(char32_t cp) {
  Utf8Char c{{0, 0, 0, 0}, 0};
  if (cp < 0x80) {
    c.bytes[0] = static_cast<char>(cp);
    c.length = 1;
  } else if (cp < 0x800) {
    c.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
    c.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
    c.length = 2;
  } else {
    c.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
    c.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    c.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
    c.length = 3;
  }
  return c;
}

const std::array<Utf8Char, 256>& Table() {
  static const std::array<Utf8Char, 256> table = [] {
    std::array<Utf8Char, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = Encode(Cp1252CodePoint(static_cast<uint8_t>(b)));
    return t;
  }();
  return table;
}

}  // namespace

char32_t Cp1252CodePoint(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighHalf[byte - 0x80];
  return byte;
}

const Utf8Char& Cp1252Char(uint8_t byte) { return Table()[byte]; }

void AppendCp1252(std::string& out, std::string_view bytes) {
  for (const char ch : bytes) {
    const Utf8Char& c = Cp1252Char(static_cast<uint8_t>(ch));
    out.append(c.bytes, c.length);
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace kw
