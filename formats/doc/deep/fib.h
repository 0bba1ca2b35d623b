// SPDX-License-Identifier: Apache-2.0
#pragma once
// Fib: the File Information Block at the start of a Word document's main
// stream, reduced to what text recovery needs: which Word wrote it, where the
// text and the piece table are, how long each part of the document is, and in
// which code page 8-bit text is.
//
// Word 97-2003 (wIdent 0xA5EC), Word 6.0/95 (0xA5DC) and Word 2.0 (0xA5DB)
// blocks are read, and so is a block with another identifier whose layout is
// sound. ParseFib() checks only what the reader relies on and caps
// nothing: callers check every offset against the stream it points into.

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/doc/deep/code_page.h"

namespace kw {

enum class WordVersion { kWord2, kWord6, kWord97 };

// The parts of a document in the order their text follows the main text.
enum Story { kMainStory, kFootnotes, kHeaders, kMacros, kComments, kEndnotes, kTextBoxes, kHeaderTextBoxes };
constexpr int kStoryCount = 8;

struct Fib {
  WordVersion version = WordVersion::kWord97;
  uint16_t nFib = 0;
  uint16_t lid = 0;
  bool complex = false;  // fast-saved: the text is in pieces
  bool table1 = false;   // Word 97: the table stream is "1Table", else "0Table"
  bool encrypted = false;
  uint32_t fcMin = 0;  // Word 6 and 2.0: the text range in the main stream
  uint32_t fcMac = 0;
  uint32_t cbMac = 0;              // the meaningful length of the main stream
  uint32_t ccp[kStoryCount] = {};  // characters in each story
  uint32_t fcClx = 0;              // the piece table: in the table stream (97) or main stream (6)
  uint32_t lcbClx = 0;
  uint32_t fcFonts = 0;  // Word 6: the font table, for its character sets
  uint32_t lcbFonts = 0;
  // Word 97: where the pictures are found, in the table stream: the bin table
  // of character properties, the floating shapes' anchors, and the drawing
  // group (0 when the FIB is too short to hold them).
  uint32_t fcBteChpx = 0;
  uint32_t lcbBteChpx = 0;
  uint32_t fcSpaMom = 0;
  uint32_t lcbSpaMom = 0;
  uint32_t fcDggInfo = 0;
  uint32_t lcbDggInfo = 0;
  // Word 97: list numbers and note marks (doc_numbers.h), in the table
  // stream: the style sheet, the paragraph bin table, the lists and their
  // overrides, and the footnote and endnote references and texts. Word
  // 6.0/95: the style sheet, the paragraph bin table, the footnote tables
  // and the section table (its heading numbers), in the main stream.
  uint32_t fcStshf = 0, lcbStshf = 0;
  uint32_t fcPlcfSed = 0, lcbPlcfSed = 0;  // Word 6.0/95 only
  uint32_t fcBtePapx = 0, lcbBtePapx = 0;
  uint32_t fcPlfLst = 0, lcbPlfLst = 0;
  uint32_t fcPlfLfo = 0, lcbPlfLfo = 0;
  uint32_t fcFndRef = 0, lcbFndRef = 0;
  uint32_t fcFndTxt = 0, lcbFndTxt = 0;
  uint32_t fcEndRef = 0, lcbEndRef = 0;
  uint32_t fcEndTxt = 0, lcbEndTxt = 0;
  CodePage codePage = CodePage::k1252;  // of 8-bit text in Word 6 and 2.0
};

// The identifier a FIB starts with; 0 when `bytes` starts no known FIB.
uint16_t FibIdent(const uint8_t* bytes, size_t size);

// Reads the FIB at the start of `data`. On failure returns false and says why
// in `why`, a sentence for the damage report.
bool ParseFib(const uint8_t* data, size_t size, Fib* fib, std::string* why);

// The sum of the story lengths (each at most the given cap).
uint64_t TotalCp(const Fib& fib);

}  // namespace kw
