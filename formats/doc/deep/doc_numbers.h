// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocTextInserts: the text a Word 97 document shows but does not store,
// placed by character position: the number or bullet of each numbered
// paragraph, then a TAB (or what its level says), and the number of each
// auto-numbered footnote and endnote, at its reference and at the note's start.
//
// A paragraph's list and level come from its properties (the PAPX that the
// paragraph bin table leads to), else from its style and the styles it is
// based on; the lists' levels from the list table (LSTF, LVL) and their
// overrides (LFO, LFOLVL). Every table is read within its stream and capped;
// where one is damaged, its numbers fall away and the text stays as it is.
// Of a Word 6.0/95 file, the footnote numbers and the numbers of its
// autonumbered paragraphs (word6_numbers.h).

#include <cstdint>
#include <string>
#include <vector>

#include "base/list_numbers.h"
#include "formats/doc/deep/fib.h"

namespace kw {

class PieceTable;
class StreamSource;

struct TextInsert {
  uint64_t cp = 0;     // inserted before this character
  uint32_t begin = 0;  // its text: TextInserts::text[begin, end)
  uint32_t end = 0;
};

struct TextInserts {
  // A million inserts and 16 Mi units of their text at most (real
  // documents need a small part of that); past them, no more are made.
  static constexpr size_t kMaxInserts = size_t{1} << 20;
  static constexpr size_t kMaxUnits = size_t{16} << 20;

  std::vector<TextInsert> list;  // sorted by position, once made
  std::u16string text;

  // Adds `utf8` to go in before character `cp`, within the caps.
  void add(uint64_t cp, const std::string& utf8);
};

// The number format of a Word number format code (nfc), as the list
// tables of .doc and RTF give it; decimal for codes not written here.
NumberFormat NumberFormatOfCode(long nfc);

// The bytes [fc, fc + lcb) of `s` (a table: at most 8 MiB), and up to
// `tail` more where the stream has them; none when the range does not lie
// inside the stream or falls in a hole.
std::vector<uint8_t> ReadRange(StreamSource& s, uint32_t fc, uint32_t lcb, size_t tail = 0);

// `pieces` is rewound and read once.
TextInserts DocTextInserts(StreamSource& main, StreamSource& table, const Fib& fib, PieceTable& pieces);

}  // namespace kw
