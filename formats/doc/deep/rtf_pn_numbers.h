// SPDX-License-Identifier: Apache-2.0
#pragma once
// RtfPnNumbers: the numbers of RTF's older paragraph numbering, for a
// paragraph that names no list (\ls) and whose writer left its number out
// ({\pntext} absent or blank). A {\pn} group among the paragraph's
// properties describes it: its kind (\pnlvlN an outline level 1-9,
// \pnlvlbody a numbered paragraph, \pnlvlblt a bulleted one, \pnlvlcont
// one without a number), its format (\pndec, \pnucrm, \pnlcrm, \pnucltr,
// \pnlcltr, \pnord), \pnstartN, \pnprev (the levels above first) and its
// texts before and after the number ({\pntxtb}, {\pntxta}).
//
// Numbered and bulleted paragraphs count on from their start value while
// they follow one another; outline levels count through the document, a
// level starting again after one above it.

#include <array>
#include <string>
#include <string_view>

#include "base/list_numbers.h"

namespace kw {

class RtfPnNumbers {
 public:
  static constexpr int kNone = 0;  // not numbered: ends a run of numbered paragraphs
  static constexpr int kBody = 10, kBullet = 11, kContinue = 12;

  // A {\pn} group opens.
  void begin() {
    reading_ = Description();
    readingKind_ = kNone;
  }
  // A control word inside it.
  void control(std::string_view word, bool hasParam, long param);
  // A character of its {\pntxtb} (`before`) or {\pntxta} group.
  void textChar(bool before, char32_t c);
  // The group closes: its kind, whose description it now is.
  int end();
  // The number and TAB of the next paragraph of `kind`; "" for none.
  std::string next(int kind);

 private:
  static constexpr size_t kMaxText = 32;  // characters before or after the number
  struct Description {
    NumberFormat format = NumberFormat::kDecimal;
    int32_t start = 1;
    bool prev = false;
    std::u32string before, after;
  };

  Description reading_;
  int readingKind_ = kNone;
  std::array<Description, kBullet + 1> kinds_{};
  ListCounter outline_, list_;
  bool inList_ = false;
};

}  // namespace kw
