// SPDX-License-Identifier: Apache-2.0
#pragma once
// WordTextWriter: turns the characters of a Word document, as stored (UTF-16
// code units, with Word's control characters), into plain UTF-8 text.
//
// Paragraph marks, line breaks and page or section breaks become CR LF. Of a
// field (0x13 begin, 0x14 separator, 0x15 end) the result is kept and the
// instruction dropped, at any depth; an instruction that meets a paragraph
// or cell mark (or grows past kMaxInstruction) is taken for a stray field
// mark left by damage, and kept as text. In a table, cell marks (0x07) become a
// TAB and a row's end CR LF: Word ends each cell with 0x07 and the row with
// one more, so the last 0x07 of a run of two or more ends the row, the one
// before it ends the row's last cell (no TAB), and a lone 0x07 ends a cell.
// Object anchors (0x01, 0x08) and soft hyphens (0x1F) are dropped, the
// non-breaking hyphen (0x1E) becomes "-", and no other control character
// reaches the text (TAB stays). Unpaired surrogates are dropped.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

class WordTextWriter {
 public:
  explicit WordTextWriter(std::string* out) : out_(out) {}

  // Starts a story (main text, footnotes, ...): after the first, a blank line.
  void beginStory();
  // One UTF-16 code unit of the document.
  void put(char16_t unit);
  // Ends the story: closes open fields and tables, and ends the last line.
  void endStory();

  static constexpr size_t kMaxInstruction = 32768;  // UTF-16 units

 private:
  void text(char16_t unit);
  void replay();
  void emit(char32_t cp);
  void flushCells();
  void newLine() { out_->append("\r\n"); }

  std::string* out_;
  bool started_ = false;
  char16_t high_ = 0;       // a pending high surrogate
  int cells_ = 0;           // consecutive cell marks not yet written
  int depth_ = 0;           // open fields
  int instruction_ = 0;     // open fields still in their instruction
  uint64_t inResult_ = 0;   // per open field (the innermost 64): past its separator
  std::u16string pending_;  // the open instruction\'s characters
};

}  // namespace kw
