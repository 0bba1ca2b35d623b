// SPDX-License-Identifier: Apache-2.0
#include "ui/text_cells.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace kw::ui {

namespace {

struct Range {
  char32_t first, last;
};

// East Asian Wide (W) and Fullwidth (F) characters, merged into ranges.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x267F, 0x267F},
    {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},
    {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},
    {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},
    {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x17000, 0x18CFF}, {0x1AFF0, 0x1B2FF},
    {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F251},
    {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF}, {0x1F7E0, 0x1F7EB}, {0x1F900, 0x1F9FF}, {0x1FA70, 0x1FAFF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

int WidthOf(char32_t code) {
  if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return 1;  // shown as a symbol
  switch (QChar::category(code)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format: return 0;
    default: break;
  }
  if (code >= 0x1160 && code <= 0x11FF) return 0;  // Hangul vowels and finals join the syllable
  for (const Range& range : kWide) {
    if (code < range.first) break;
    if (code <= range.last) return 2;
  }
  return 1;
}

// Widths of the Basic Multilingual Plane, found once.
const std::array<uint8_t, 0x10000>& BmpWidths() {
  static const std::unique_ptr<std::array<uint8_t, 0x10000>> table = [] {
    auto widths = std::make_unique<std::array<uint8_t, 0x10000>>();
    for (char32_t c = 0; c < 0x10000; ++c) (*widths)[c] = static_cast<uint8_t>(WidthOf(c));
    return widths;
  }();
  return *table;
}

bool IsContinuation(char byte) { return (static_cast<uint8_t>(byte) & 0xC0) == 0x80; }

}  // namespace

Utf8Char DecodeAt(std::string_view text, size_t at) {
  const auto lead = static_cast<uint8_t>(text[at]);
  if (lead < 0x80) return {lead, 1};
  size_t length = 1;
  while (at + length < text.size() && IsContinuation(text[at + length]) && length < 4) ++length;
  const size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (expected != length || lead >= 0xF8) {
    // Not valid: the lead byte and its continuation bytes show as one mark.
    while (at + length < text.size() && IsContinuation(text[at + length])) ++length;
    return {0xFFFD, length};
  }
  char32_t code = lead & (0x7F >> expected);
  for (size_t i = 1; i < length; ++i) code = (code << 6) | (static_cast<uint8_t>(text[at + i]) & 0x3F);
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  return {code, length};
}

int CellWidth(char32_t code) { return code < 0x10000 ? BmpWidths()[code] : WidthOf(code); }

char32_t ShownChar(char32_t code) { return code == u'\t' || code == u'\r' ? u' ' : code; }

QString ControlLabel(char32_t code) {
  if (code == u'\t' || code == u'\r') return {};
  if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)) {
    return QString("%1").arg(static_cast<uint>(code), 2, 16, QChar('0')).toUpper();
  }
  return {};
}

size_t AsciiPrefix(const char* bytes, size_t n) {
  size_t i = 0;
  for (uint64_t word; i + 8 <= n; i += 8) {
    std::memcpy(&word, bytes + i, 8);
    if (word & 0x8080808080808080ULL) break;
  }
  while (i < n && static_cast<uint8_t>(bytes[i]) < 0x80) ++i;
  return i;
}

size_t FitColumns(std::string_view text, size_t from, size_t end, size_t columns) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const std::array<uint8_t, 0x10000>& widths = BmpWidths();
  size_t at = from;
  for (size_t used = 0; at < end;) {
    const uint8_t lead = bytes[at];
    if (lead < 0x80) {
      if (used == columns) break;
      // Short runs (common in text mixed with other scripts) without a call.
      const size_t room = std::min(columns - used, end - at);
      size_t ascii = 1;
      while (ascii < room && ascii < 16 && bytes[at + ascii] < 0x80) ++ascii;
      if (ascii == 16) ascii += AsciiPrefix(text.data() + at + ascii, room - ascii);
      used += ascii;
      at += ascii;
      continue;
    }
    // Two-byte characters (most non-ASCII text) without a call.
    size_t width, length;
    if ((lead & 0xE0) == 0xC0 && lead >= 0xC2 && at + 1 < text.size() && (bytes[at + 1] & 0xC0) == 0x80 &&
        (at + 2 >= text.size() || (bytes[at + 2] & 0xC0) != 0x80)) {
      width = widths[((lead & 0x1Fu) << 6) | (bytes[at + 1] & 0x3Fu)];
      length = 2;
    } else {
      const Utf8Char c = DecodeAt(text, at);
      width = static_cast<size_t>(CellWidth(c.code));
      length = c.length;
    }
    if (used + width > columns && at > from) break;
    used += width;
    at += length;
  }
  return at;
}

size_t ColumnsOf(std::string_view text) {
  size_t columns = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t ascii = AsciiPrefix(text.data() + at, text.size() - at);
    columns += ascii;
    at += ascii;
    if (at == text.size()) break;
    const Utf8Char c = DecodeAt(text, at);
    columns += static_cast<size_t>(CellWidth(c.code));
    at += c.length;
  }
  return columns;
}

void AppendCode(QString& out, char32_t code) {
  if (QChar::requiresSurrogates(code)) {
    out += QChar(QChar::highSurrogate(code));
    out += QChar(QChar::lowSurrogate(code));
  } else {
    out += QChar(static_cast<char16_t>(code));
  }
}

}  // namespace kw::ui
