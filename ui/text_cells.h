// SPDX-License-Identifier: Apache-2.0
#pragma once
// Text cells: how the preview's monospaced grid shows one character of UTF-8
// text, shared by its layout, hit testing and painting so that they agree.
//
// A character is a lead byte and the continuation bytes after it (a stray
// continuation byte starts a character of its own); one that is not valid
// UTF-8 decodes to U+FFFD. East Asian wide and fullwidth characters take two
// columns, combining marks and format characters none, everything else one.
// Control characters take one column and are shown as symbols the preview
// draws itself, whatever fonts are installed: a small box holding the code
// in hexadecimal (ControlLabel); TAB and a lone CR are shown as a blank.

#include <QString>
#include <cstddef>
#include <string_view>

namespace kw::ui {

struct Utf8Char {
  char32_t code = 0;
  size_t length = 1;  // bytes, at least one
};

// The character that starts at `at` (< text.size()).
Utf8Char DecodeAt(std::string_view text, size_t at);

// Columns taken by `code`: 0, 1 or 2.
int CellWidth(char32_t code);

// The character drawn for `code` (a blank for TAB and CR); control
// characters are drawn as their ControlLabel instead.
char32_t ShownChar(char32_t code);

// For a control character (C0 but TAB and CR, DEL, C1), the two hexadecimal
// digits drawn in its box ("01", "1B", "7F", "85"); empty for any other.
QString ControlLabel(char32_t code);

// Columns taken by all of `text`.
size_t ColumnsOf(std::string_view text);

// Number of ASCII bytes (below 0x80) at the start of the `n` bytes at `bytes`.
size_t AsciiPrefix(const char* bytes, size_t n);

// The end of the longest run of whole characters from `from` (before `end`)
// that fits in `columns` columns: at least one character, and with the
// combining marks after the last one.
size_t FitColumns(std::string_view text, size_t from, size_t end, size_t columns);

// Appends `code` to `out` (as a surrogate pair above U+FFFF).
void AppendCode(QString& out, char32_t code);

}  // namespace kw::ui
