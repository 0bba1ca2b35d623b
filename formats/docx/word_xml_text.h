// SPDX-License-Identifier: Apache-2.0
#pragma once
// WordXmlText: the plain text of a WordprocessingML part (a document,
// header, footer, footnotes, endnotes or comments), in one streaming pass.
//
// Paragraphs end in CR LF, as do w:br and w:cr; w:tab is a TAB; table cells
// are separated by TAB and rows end in CR LF; w:noBreakHyphen is "-",
// w:softHyphen is dropped, w:sym is its character; deleted text
// (w:delText), field instructions (w:instrText) and the fallback copies of
// alternate content are not text. Entities are decoded and UTF-8 is kept.
//
// The part may come in pieces (what a damaged stream still gave). A piece is
// read up to its last complete element. A piece that does not begin at the
// part's start, and may hold unknown bytes (kUnknownByte), gives only the
// text whose markup is whole: a run's text is kept when its w:t start and end
// tags are both intact and it holds no unknown byte.

#include <cstdint>
#include <string>
#include <string_view>

namespace kw {

class YieldClock;

class WordXmlText {
 public:
  explicit WordXmlText(std::string* out) : out_(out) {}

  // Reads one piece. `fromStart`: it begins at the part's start. Ticks
  // `clock` (may be null) and stops where it sees the job cancelled.
  void addPiece(std::string_view xml, bool fromStart, YieldClock* clock = nullptr);

  // Text bytes dropped because their markup was damaged (for the report).
  int64_t droppedBytes() const { return dropped_; }

 private:
  void tag(std::string_view tag);
  void text(std::string_view text);
  void endParagraph();
  void flushParagraph();

  std::string* out_;
  std::string para_;  // the current paragraph's text
  std::string run_;   // the current w:t's text, kept when its end tag comes
  bool fromStart_ = true;
  bool inText_ = false;      // inside w:t
  bool runDamaged_ = false;  // the current w:t holds an unknown byte
  bool inTabs_ = false;      // inside w:tabs (tab stops, not tab characters)
  int fallbackDepth_ = 0;    // inside mc:Fallback
  int cellDepth_ = 0;        // inside w:tc
  bool cellHasParagraph_ = false;
  int64_t dropped_ = 0;
};

// Decodes the five XML entities and character references in `text`,
// appending to *out; an unknown entity is kept as written.
void AppendXmlText(std::string_view text, std::string* out);

}  // namespace kw
