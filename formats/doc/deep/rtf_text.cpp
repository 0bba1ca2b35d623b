// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/rtf_text.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/cp1252.h"
#include "base/list_numbers.h"
#include "base/yield_clock.h"
#include "formats/doc/deep/code_page.h"
#include "formats/doc/deep/word_text.h"

namespace kw {

namespace {

// Destinations that hold no document text.
bool Skipped(std::string_view word) {
  static constexpr std::string_view kWords[] = {
      "fonttbl", "colortbl",  "stylesheet", "info",      "pict",         "fldinst", "listtable", "listoverridetable",
      "rsidtbl", "generator", "themedata",  "datastore", "latentstyles", "filetbl", "revtbl",    "listtext",
      "pntext",  "xmlnsdecl", "object",     "objdata",   "bkmkstart",    "bkmkend", "private",   "colorschememapping"};
  for (std::string_view w : kWords) {
    if (w == word) return true;
  }
  return false;
}

CodePage PageFor(int cp) {
  switch (cp) {
    case 1250: return CodePage::k1250;
    case 1251: return CodePage::k1251;
    case 1253: return CodePage::k1253;
    case 1254: return CodePage::k1254;
    case 1257: return CodePage::k1257;
    default: return CodePage::k1252;
  }
}

// The note numbering words of the document's format (\ftnnar, \aftnnrlc,
// ...): false for any other word.
bool NoteFormat(std::string_view word, NumberFormat* footnotes, NumberFormat* endnotes) {
  NumberFormat* f = footnotes;
  if (word.substr(0, 1) == "a") {
    f = endnotes;
    word.remove_prefix(1);
  }
  if (word == "ftnnar") {
    *f = NumberFormat::kDecimal;
  } else if (word == "ftnnalc" || word == "ftnnauc") {
    *f = word == "ftnnalc" ? NumberFormat::kLowerLetter : NumberFormat::kUpperLetter;
  } else if (word == "ftnnrlc" || word == "ftnnruc") {
    *f = word == "ftnnrlc" ? NumberFormat::kLowerRoman : NumberFormat::kUpperRoman;
  } else {
    return false;
  }
  return true;
}

// The value of a hex digit; -1 for any other byte (a damaged \'hh).
int Hex(uint8_t h) {
  if (h >= '0' && h <= '9') return h - '0';
  h |= 0x20;
  return h >= 'a' && h <= 'f' ? h - 'a' + 10 : -1;
}

}  // namespace

bool IsRtf(const uint8_t* data, size_t size) { return size >= 5 && std::memcmp(data, "{\\rtf", 5) == 0; }

RtfTextReader::RtfTextReader(YieldClock* clock, std::string* out) : clock_(clock), out_(out), stack_(1) {}

void RtfTextReader::feed(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size && !stopped_; ++i) {
    if ((++bytes_ & 0xFFFF) == 0 && clock_ != nullptr) {
      clock_->tick();
      stopped_ = clock_->stopped();
    }
    byte(data[i]);
  }
}

void RtfTextReader::finish() {
  if (stopped_) return;
  switch (state_) {
    case State::kEscape:  // a backslash ends the data: it is a character
      state_ = State::kText;
      text(CodePagePoint(page_, '\\'));
      break;
    case State::kWord:
    case State::kDigits: control(); break;
    case State::kHex2: {  // "\\'" and one digit: the \' is dropped, the digit is text
      state_ = State::kText;
      byte(hex_);
      finish();
      break;
    }
    default: break;
  }
  state_ = State::kText;
  if (markPending_) out_->append(FormatListNumber(++notes_[0], NumberFormat::kDecimal));
  markPending_ = false;
  out_->append(listText_);  // a {\listtext} never closed: what it took is text
  listText_.clear();
  if (footnotes_.empty() && endnotes_.empty()) return;
  if (!out_->empty() && out_->back() != '\n') out_->append("\r\n");
  out_->append(footnotes_);
  out_->append(endnotes_);
  footnotes_.clear();
  endnotes_.clear();
}

void RtfTextReader::text(char32_t c) {
  const Group& g = stack_.back();
  if (g.dest == Dest::kLevelText) {  // the pattern of a list level, level marks and all
    if (pendingSkip_ > 0) {
      --pendingSkip_;
    } else {
      lists_.levelTextChar(c);
    }
    return;
  }
  if (g.dest == Dest::kPnBefore || g.dest == Dest::kPnAfter) {  // a paragraph number's text
    if (pendingSkip_ > 0) {
      --pendingSkip_;
    } else if (IsTextCharacter(c)) {
      pn_.textChar(g.dest == Dest::kPnBefore, c);
    }
    return;
  }
  if (g.skip) return;
  if (pendingSkip_ > 0) {
    --pendingSkip_;
    return;
  }
  if (!IsTextCharacter(c)) return;
  startParagraph(g);
  AppendUtf8(*target(g), c);
}

std::string* RtfTextReader::target(const Group& g) {
  if (g.dest == Dest::kListText) return &listText_;
  if (g.dest == Dest::kNote) return g.endnote ? &endnotes_ : &footnotes_;
  return out_;
}

void RtfTextReader::startParagraph(const Group& g) {
  if (g.dest != Dest::kDocument) return;
  if (markPending_) {  // a note mark with no note after it
    markPending_ = false;
    out_->append(FormatListNumber(++notes_[0], NumberFormat::kDecimal));
  }
  if (paragraphStarted_) return;
  paragraphStarted_ = true;
  // Counted even when {\listtext} or {\pntext} gave it.
  const std::string number = g.ls > 0 ? lists_.next(g.ls, g.ilvl) : pn_.next(g.pnKind);
  if (!listTextWritten_) out_->append(number);
}

std::string RtfTextReader::noteMark(bool endnote) {
  if (!noteNumbered_) {
    noteNumbered_ = true;
    mark_ = FormatListNumber(++notes_[endnote ? 1 : 0], noteFormat_[endnote ? 1 : 0]);
    if (markPending_) out_->append(mark_);
    markPending_ = false;
  }
  return mark_;
}

void RtfTextReader::closeGroup(const Group& closed) {
  const Group& parent = stack_.back();
  if (closed.dest == Dest::kListText && parent.dest != Dest::kListText) {
    const bool blank = listText_.find_first_not_of(" \t\xC2\xA0") == std::string::npos;
    if (!blank && parent.dest == Dest::kDocument) {
      listTextWritten_ = true;
      startParagraph(parent);
      out_->append(listText_);
      // A raw TAB byte is no RTF text: some writers put one there for \tab.
      if (listText_.back() != '\t' && listText_.back() != ' ') out_->push_back('\t');
    }
    listText_.clear();
  }
  if (closed.dest == Dest::kPn && parent.dest != Dest::kPn) stack_.back().pnKind = pn_.end();
  if (closed.dest == Dest::kNote && parent.dest != Dest::kNote) {
    if (markPending_) noteMark(closed.endnote);
    std::string& notes = closed.endnote ? endnotes_ : footnotes_;
    if (!notes.empty() && notes.back() != '\n') notes.append("\r\n");
    noteNumbered_ = false;
  }
}

void RtfTextReader::byte(uint8_t c) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  switch (state_) {
    case State::kText:
      if (c == '{') {
        if (stack_.size() < kMaxDepth) {
          stack_.push_back(stack_.back());
        } else {
          ++overflow_;
        }
      } else if (c == '}') {
        if (overflow_ > 0) {
          --overflow_;
        } else if (stack_.size() > 1) {
          const Group closed = stack_.back();
          stack_.pop_back();
          closeGroup(closed);
        }
        pendingSkip_ = 0;
      } else if (c == '\\') {
        state_ = State::kEscape;
      } else if (c >= 0x20 && c != 0x7F) {
        text(CodePagePoint(page_, c));
      }
      return;
    case State::kEscape:
      state_ = State::kText;
      if (letter) {
        word_.assign(1, char(c));
        negative_ = hasParam_ = false;
        param_ = 0;
        state_ = State::kWord;
      } else if (c == '\'') {
        state_ = State::kHex1;
      } else {
        if (c == '*') stack_.back().skip = true;
        if (c == '\\' || c == '{' || c == '}') text(c);
        if (c == '~') text(0xA0);
        if (c == '_') text('-');
      }
      return;
    case State::kWord:
      if (letter && word_.size() < kMaxWord) {
        word_.push_back(char(c));
        return;
      }
      state_ = State::kDigits;
      if (c == '-') {
        negative_ = true;
        return;
      }
      [[fallthrough]];
    case State::kDigits:
      if (c >= '0' && c <= '9') {
        if (param_ < 100000000) param_ = param_ * 10 + (c - '0');
        hasParam_ = true;
        return;
      }
      control();
      if (c != ' ') byte(c);  // one space ends a control word and belongs to it
      return;
    case State::kBinary:  // the data of \binN, never text
      if (--binaryLeft_ == 0) state_ = State::kText;
      return;
    case State::kHex1:  // a \' without two hex digits after it is dropped
      if (Hex(c) < 0) {
        state_ = State::kText;
        byte(c);
        return;
      }
      hex_ = c;
      state_ = State::kHex2;
      return;
    case State::kHex2:
      state_ = State::kText;
      if (Hex(c) < 0) {
        byte(hex_);
        byte(c);
        return;
      }
      text(CodePagePoint(page_, uint8_t(Hex(hex_) * 16 + Hex(c))));
      return;
  }
}

void RtfTextReader::control() {
  state_ = State::kText;
  const std::string_view word = word_;
  const long param = negative_ ? -param_ : param_;
  Group& g = stack_.back();
  if (word == "par" || word == "line" || word == "page" || word == "sect" || word == "row") {
    if (!g.skip) {
      startParagraph(g);  // an empty list paragraph keeps its number
      target(g)->append("\r\n");
      if (g.dest == Dest::kDocument && word != "line" && word != "page") paragraphStarted_ = listTextWritten_ = false;
    }
  } else if (word == "tab" || word == "cell") {
    if (!g.skip) {
      startParagraph(g);
      target(g)->push_back('\t');
      if (g.dest == Dest::kDocument && word == "cell") paragraphStarted_ = listTextWritten_ = false;
    }
  } else if (word == "u" && hasParam_) {
    const long v = param < 0 ? param + 65536 : param;
    if (g.dest == Dest::kLevelText) {
      if (v < 0x110000) lists_.levelTextChar(char32_t(v));
    } else if (g.dest == Dest::kPnBefore || g.dest == Dest::kPnAfter) {
      if (v < 0x110000 && IsTextCharacter(char32_t(v))) pn_.textChar(g.dest == Dest::kPnBefore, char32_t(v));
    } else if (!g.skip && v < 0x110000 && !(v >= 0xD800 && v <= 0xDFFF) && IsTextCharacter(char32_t(v))) {
      startParagraph(g);
      AppendUtf8(*target(g), char32_t(v));
    }
    pendingSkip_ = g.uc;
  } else if (word == "uc" && hasParam_) {
    g.uc = param < 0 ? 0 : int(std::min(param, 8L));
  } else if (word == "ansicpg" && hasParam_) {
    page_ = PageFor(int(param));
  } else if (word == "emdash") {
    text(0x2014);
  } else if (word == "endash") {
    text(0x2013);
  } else if (word == "lquote" || word == "rquote") {
    text(word == "lquote" ? 0x2018 : 0x2019);
  } else if (word == "ldblquote" || word == "rdblquote") {
    text(word == "ldblquote" ? 0x201C : 0x201D);
  } else if (word == "bullet") {
    text(0x2022);
  } else if (word == "bin" && param > 0) {
    state_ = State::kBinary;  // the N bytes after \binN (its space aside) are binary data
    binaryLeft_ = param;
  } else if (listControl(g, word, param)) {
    return;
  } else if (Skipped(word)) {
    g.skip = true;
  }
}

bool RtfTextReader::listControl(Group& g, std::string_view word, long param) {
  if (g.dest == Dest::kListTable || g.dest == Dest::kLevelText) {
    if (word == "leveltext") g.dest = Dest::kLevelText;
    lists_.control(RtfLists::Table::kLists, word, hasParam_, param);
    return true;
  }
  if (g.dest == Dest::kOverrideTable) {
    lists_.control(RtfLists::Table::kOverrides, word, hasParam_, param);
    return true;
  }
  if (g.dest == Dest::kPn || g.dest == Dest::kPnBefore || g.dest == Dest::kPnAfter) {
    if (word == "pntxtb" || word == "pntxta") {
      g.dest = word == "pntxtb" ? Dest::kPnBefore : Dest::kPnAfter;
    } else {
      pn_.control(word, hasParam_, param);
    }
    return true;
  }
  if (word == "listtable" || word == "listoverridetable") {
    g.skip = true;
    g.dest = word == "listtable" ? Dest::kListTable : Dest::kOverrideTable;
  } else if (word == "listtext" || word == "pntext") {
    if (g.dest == Dest::kDocument) {
      g.dest = Dest::kListText;
      listText_.clear();
    } else {
      g.skip = true;
    }
  } else if (word == "pn") {
    g.skip = true;  // never text
    if (g.dest == Dest::kDocument || g.dest == Dest::kNote) {
      g.dest = Dest::kPn;
      pn_.begin();
    }
  } else if (word == "pard") {
    g.ls = g.ilvl = 0;
    g.pnKind = RtfPnNumbers::kNone;
  } else if (word == "ls") {
    g.ls = param;
  } else if (word == "ilvl") {
    g.ilvl = param;
  } else if (word == "footnote") {
    if (g.dest == Dest::kDocument) {
      g.dest = Dest::kNote;
      noteNumbered_ = false;
    }
  } else if (word == "ftnalt") {
    g.endnote = true;
  } else if (word == "chftn") {
    if (g.skip) return true;
    if (g.dest == Dest::kNote) {
      target(g)->append(noteMark(g.endnote));
    } else if (g.dest == Dest::kDocument) {
      startParagraph(g);
      markPending_ = true;
    }
  } else if (NoteFormat(word, &noteFormat_[0], &noteFormat_[1])) {
    return true;
  } else {
    return false;
  }
  return true;
}

void AppendRtfText(const uint8_t* data, size_t size, YieldClock* clock, std::string* out) {
  RtfTextReader reader(clock, out);
  reader.feed(data, size);
  reader.finish();
}

}  // namespace kw
