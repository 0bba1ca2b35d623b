// SPDX-License-Identifier: Apache-2.0
#pragma once
// TextMarks: where a part's text gets what its markup only refers to, the
// numbers of numbered paragraphs and the marks of footnotes and endnotes.
// WordXmlText records them as it reads a part (positions in the part's
// text); once the package's list definitions are read, PlaceTextMarks
// writes them in, numbering paragraphs and notes in document order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/list_numbers.h"

namespace kw {

struct DocxLists;
class DocxNumberer;

enum class TextMarkKind : uint8_t {
  kParagraph,      // a paragraph with list numbering or a paragraph style
  kNoteReference,  // a footnote or endnote reference in the text
  kNoteStart,      // the mark at the start of the note itself
};

struct TextMark {
  uint64_t at = 0;     // byte offset in the part's text
  int32_t id = -1;     // a paragraph's w:numId (-1: none given), a note's w:id
  int16_t style = -1;  // a paragraph's style: its index in TextMarks::styles
  int8_t level = -1;   // a paragraph's w:ilvl (-1: none given; 0-8, else out of range)
  TextMarkKind kind = TextMarkKind::kParagraph;
  bool endnote = false;
};

struct TextMarks {
  // Paragraph styles are kept once each; a part with more (hostile) gives
  // the rest no style. A part with more marks than kMaxMarks (a million
  // numbered paragraphs, 16 MiB of marks) gets no more.
  static constexpr size_t kMaxStyles = 4096;
  static constexpr size_t kMaxMarks = size_t{1} << 20;
  std::vector<TextMark> marks;  // in text order
  std::vector<std::string> styles;
  std::unordered_map<std::string, int16_t> styleIndex;

  int16_t styleId(std::string_view name);  // -1 past kMaxStyles
};

// Note numbers by w:id, in the order of their first reference: footnotes
// 1, 2, 3 and endnotes i, ii, iii unless the document says otherwise.
struct NoteNumbers {
  NumberFormat footnoteFormat = NumberFormat::kDecimal;
  NumberFormat endnoteFormat = NumberFormat::kLowerRoman;
  int64_t footnoteStart = 1;
  int64_t endnoteStart = 1;
  std::unordered_map<int32_t, std::string> footnotes;
  std::unordered_map<int32_t, std::string> endnotes;
  int64_t footnoteCount = 0;
  int64_t endnoteCount = 0;
};

// Writes the marks into `text`, in place: numbers before numbered paragraphs (counted
// by `numberer`, shared by a document's parts), note numbers at references
// (numbered here in `notes` when first seen) and at note starts.
void PlaceTextMarks(const TextMarks& marks, DocxNumberer* numberer, NoteNumbers* notes, std::string* text);

}  // namespace kw
