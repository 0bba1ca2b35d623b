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
//
// The text is appended to a string. Given a TextSink, the writer hands that
// string's contents over whenever they pass kDrainBytes (and clears it), so
// that a long document is never held whole; the caller hands over the rest.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "formats/doc/deep/code_page.h"

namespace kw {

class TextSink;

// Whether a character may stand in the text as itself: no control character
// (C0, DEL, C1) and neither noncharacter U+FFFE nor U+FFFF. The readers turn
// the controls that mean something (TAB, line and paragraph ends) into text
// themselves and drop the rest.
inline bool IsTextCharacter(char32_t cp) {
  return cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0) && cp != 0xFFFE && cp != 0xFFFF;
}

class WordTextWriter {
 public:
  explicit WordTextWriter(std::string* out, TextSink* sink = nullptr) : out_(out), sink_(sink) {}

  // Starts a story (main text, footnotes, ...): after the first, a blank line.
  void beginStory();
  // One UTF-16 code unit of the document.
  void put(char16_t unit);
  // The same for many characters: `size` bytes of 8-bit text in `page`, or
  // `units` UTF-16LE units; the text runs between control characters are
  // translated in bulk.
  void put8(const uint8_t* bytes, size_t size, CodePage page);
  void put16(const uint8_t* bytes, size_t units);
  // Whole lines of UTF-8 made elsewhere (the scan's finds), on a line of
  // their own: `write` appends them to the string it is given.
  void putLines(const std::function<void(std::string*)>& write);
  // Ends the story: closes open fields and tables, and ends the last line.
  void endStory();
  // With a sink: hands the text over once it has passed kDrainBytes.
  void drain();

  static constexpr size_t kMaxInstruction = 32768;  // UTF-16 units
  static constexpr size_t kDrainBytes = size_t(1) << 18;

 private:
  void text(char16_t unit);
  void replay();
  void emit(char32_t cp);
  void flushCells();
  void newLine() { out_->append("\r\n"); }
  // Whether the writer has produced no text yet (counting what was handed over).
  bool empty() const { return out_->empty() && !drained_; }
  // Outside a field instruction and a table: plain characters need no state.
  bool plain() const { return instruction_ == 0 && cells_ == 0; }

  std::string* out_;
  TextSink* sink_;
  bool drained_ = false;  // text was handed to the sink
  char lastDrained_ = 0;  // the last byte handed over
  bool started_ = false;
  char16_t high_ = 0;       // a pending high surrogate
  int cells_ = 0;           // consecutive cell marks not yet written
  int depth_ = 0;           // open fields
  int instruction_ = 0;     // open fields still in their instruction
  uint64_t inResult_ = 0;   // per open field (the innermost 64): past its separator
  std::u16string pending_;  // the open instruction\'s characters
};

}  // namespace kw
