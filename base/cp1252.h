// SPDX-License-Identifier: Apache-2.0
#pragma once
// Windows-1252, the single-byte code page in which file bytes become
// characters. Its five undefined bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D map to
// the C1 controls of the same value, so every byte has a character.

#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

// The UTF-8 encoding of one byte's character: 1 to 3 bytes, padded with NULs
// so that it can be stored as four bytes at once.
struct Utf8Char {
  char bytes[4];
  uint8_t length;
};

const Utf8Char& Cp1252Char(uint8_t byte);

// The Unicode code point of a byte.
char32_t Cp1252CodePoint(uint8_t byte);

// Appends the UTF-8 text of `bytes` read as Windows-1252.
void AppendCp1252(std::string& out, std::string_view bytes);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace kw
