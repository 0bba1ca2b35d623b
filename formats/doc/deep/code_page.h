// SPDX-License-Identifier: Apache-2.0
#pragma once
// CodePage: the Windows single-byte code pages in which Word 6.0, 95 and 2.0
// store their 8-bit text (Central European 1250, Cyrillic 1251, Western 1252,
// Greek 1253, Turkish 1254, Baltic 1257) and Macintosh Roman (Word files
// written on a Macintosh), and which one a document's language implies. Bytes a code page leaves undefined map to the
// C1 control of the same value, so every byte has a character.

#include <cstdint>

namespace kw {

enum class CodePage : uint16_t {
  k1250 = 1250,
  k1251 = 1251,
  k1252 = 1252,
  k1253 = 1253,
  k1254 = 1254,
  k1257 = 1257,
  kMacRoman = 10000,
};

// The code point of `byte` in `page`.
char32_t CodePagePoint(CodePage page, uint8_t byte);

// The code page Windows uses for the language id `lid` (a Word FIB's lid);
// Windows-1252 for every language without a table here.
CodePage CodePageForLanguage(uint16_t lid);

}  // namespace kw
