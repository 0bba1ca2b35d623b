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
// RtfTextReader takes the document in pieces, cut anywhere (a control word
// may span two), so that a long file is never held whole.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/doc/code_page.h"

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
  struct Group {
    bool skip = false;
    int uc = 1;  // fallback characters after \uN
  };
  // Where the reader is: in text, after a backslash, in a control word or
  // its number, in the data of \binN, or in the two digits of a \'hh byte.
  enum class State : uint8_t { kText, kEscape, kWord, kDigits, kBinary, kHex1, kHex2 };

  void byte(uint8_t c);
  void text(char32_t c);
  void control();  // the control word just read

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
};

// Appends the text of the RTF `data` as UTF-8.
void AppendRtfText(const uint8_t* data, size_t size, YieldClock* clock, std::string* out);

}  // namespace kw
