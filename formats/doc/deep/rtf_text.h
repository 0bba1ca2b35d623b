// SPDX-License-Identifier: Apache-2.0
#pragma once
// RtfText: the text of a Rich Text Format document, for files that carry a
// .doc name but hold RTF (some writers save RTF under that name).
//
// Text in groups the RTF marks as ignorable destinations ({\*\...}) and in the
// tables that hold no document text (fonts, colours, styles, information,
// pictures, field instructions) is dropped; field results stay. \par, \line,
// \page, \sect and \row become CR LF, \tab and \cell a TAB. \'hh bytes are
// read in the document's code page (\ansicpg; Windows-1252 when it names one
// without a table here) and \uN characters are taken with the \ucN fallback
// characters after them skipped; the N bytes after \binN are binary data and
// skipped whole. No control character reaches the text
// (IsTextCharacter), whatever \'hh or \uN names, and a \' without two hex
// digits after it is dropped. Group nesting deeper than the reader keeps
// is still counted, so a hostile file cannot grow memory.
//
// A list paragraph starts with its number and a TAB: the text of its
// {\listtext} (or {\pntext}) when that holds more than blanks, else the
// number its \ls and \ilvl give through the list tables (RtfLists), else
// the number its older {\pn} description gives (RtfPnNumbers). A
// footnote's or endnote's text is moved after the document's, footnotes
// first, each note on its own line; its automatic mark (\chftn) is written
// at the reference and at the note's start.
//
// RtfTextReader takes the document in pieces, cut anywhere (a control word
// may span two), so that a long file is never held whole.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/doc/deep/code_page.h"
#include "formats/doc/deep/rtf_lists.h"
#include "formats/doc/deep/rtf_pn_numbers.h"

namespace kw {

class YieldClock;

// Whether the bytes start an RTF document.
bool IsRtf(const uint8_t* data, size_t size);

class RtfTextReader {
 public:
  // Appends the text to *out as UTF-8; `clock` may be null.
  RtfTextReader(YieldClock* clock, std::string* out);
  // The next bytes of the document. Does nothing once the job is cancelled.
  void feed(const uint8_t* data, size_t size);
  // After the last piece.
  void finish();

 private:
  static constexpr size_t kMaxDepth = 256;
  static constexpr size_t kMaxWord = 32;  // letters of a control word
  // Where a group's text goes: the document, a list table (read for the
  // numbers, never text), a paragraph's number, or a note.
  enum class Dest : uint8_t {
    kDocument,
    kListTable,
    kOverrideTable,
    kLevelText,
    kListText,
    kNote,
    kPn,        // a paragraph's {\pn} numbering description
    kPnBefore,  // and its texts before and after the number
    kPnAfter,
  };
  struct Group {
    bool skip = false;
    bool endnote = false;  // in a note: \ftnalt
    Dest dest = Dest::kDocument;
    int uc = 1;                        // fallback characters after \uN
    long ls = 0;                       // the paragraph's list override (\ls), 0 for none
    long ilvl = 0;                     // and its level
    int pnKind = RtfPnNumbers::kNone;  // its {\pn} kind, where it has one
  };
  // Where the reader is: in text, after a backslash, in a control word or
  // its number, in the data of \binN, or in the two digits of a \'hh byte.
  enum class State : uint8_t { kText, kEscape, kWord, kDigits, kBinary, kHex1, kHex2 };

  void byte(uint8_t c);
  void text(char32_t c);
  void control();                                                 // the control word just read
  bool listControl(Group& g, std::string_view word, long param);  // false: not a list or note word
  void closeGroup(const Group& closed);
  std::string* target(const Group& g);  // where the group's text goes
  void startParagraph(const Group& g);  // before its first character
  std::string noteMark(bool endnote);   // the current note's mark, numbering it first

  YieldClock* clock_;
  std::string* out_;
  bool stopped_ = false;
  uint64_t bytes_ = 0;
  std::vector<Group> stack_;
  size_t overflow_ = 0;  // groups opened past kMaxDepth
  CodePage page_ = CodePage::k1252;
  int pendingSkip_ = 0;  // fallback characters still to skip after \uN
  State state_ = State::kText;
  std::string word_;
  bool negative_ = false, hasParam_ = false;
  long param_ = 0;
  long binaryLeft_ = 0;  // bytes of \binN data still to skip
  uint8_t hex_ = 0;      // the first digit of \'hh
  RtfLists lists_;
  RtfPnNumbers pn_;
  std::string listText_;           // the {\listtext} being read
  bool paragraphStarted_ = false;  // a character of the paragraph has been written
  bool listTextWritten_ = false;   // its number came from {\listtext}
  bool markPending_ = false;       // a \chftn in the text waits for its note
  bool noteNumbered_ = false;      // the current note has its number
  std::string mark_;               // and this is its mark
  long notes_[2] = {0, 0};         // footnotes and endnotes numbered so far
  NumberFormat noteFormat_[2] = {NumberFormat::kDecimal, NumberFormat::kLowerRoman};
  std::string footnotes_, endnotes_;  // their text, written after the document's
};

// Appends the text of the RTF `data` as UTF-8.
void AppendRtfText(const uint8_t* data, size_t size, YieldClock* clock, std::string* out);

}  // namespace kw
