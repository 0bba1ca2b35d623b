// SPDX-License-Identifier: Apache-2.0
#pragma once
// WordXmlText: the plain text of a WordprocessingML part (a document,
// header, footer, footnotes, endnotes or comments), in one streaming pass.
//
// Paragraphs end in CR LF, as do w:br and w:cr; w:tab is a TAB; table cells
// are separated by TAB and rows end in CR LF; w:noBreakHyphen is "-",
// w:softHyphen is dropped, w:sym is its character; an equation's text
// (m:t in m:oMath) is read in place like w:t; deleted text
// (w:delText), field instructions (w:instrText) and the fallback copies of
// alternate content are not text. Entities are decoded and UTF-8 is kept,
// but no control character: TAB stays, a line end inside w:t is a space,
// and the others (and U+FFFE, U+FFFF) are dropped.
//
// The part may come in pieces (what a damaged stream still gave). A piece is
// read up to its last complete element, and a run of text that its end cuts
// keeps the words clear of the cut. A piece that does not begin at the
// part's start, and may hold unknown bytes (kUnknownByte), gives only the
// text whose markup is known: a run's text is kept when its w:t start and
// end tags are known for what they are (their names known, or the bytes
// left fitting the forms writers use: TextStartTag), less the words that
// touch an unknown byte. A run whose end tag the unknown bytes may hide
// keeps its text up to where they could first hide it, when plainly text.
// Then the words between unknown bytes whose tags were lost, when plainly
// text (stranded_text.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/docx/deep/text_marks.h"

namespace kw {

class YieldClock;

class WordXmlText {
 public:
  explicit WordXmlText(std::string* out) : out_(out) {}

  // Reads one piece. `fromStart`: it begins at the part's start. Ticks
  // `clock` (may be null) and stops where it sees the job cancelled.
  void addPiece(std::string_view xml, bool fromStart, YieldClock* clock = nullptr);

  // The same part as one piece from its start, fed as it arrives: the text
  // is that of addPiece(all bytes joined, true), however they are cut
  // (word_xml_stream.cpp). Memory: up to kKeptTag bytes of a tag that spans
  // pieces, and the text. A longer w:sym tag, whose attributes may lie
  // anywhere in it, or an unknown byte, whose stranded text is judged over
  // the whole part, sets needsWhole(): the caller then reads the part with
  // addPiece on a fresh reader instead. Without `wholeOnUnknown` (a part too
  // large to hold) unknown bytes are read as they come: runs keep the words
  // clear of them, tags holding them are ignored, and no stranded text is taken.
  void beginStream(bool wholeOnUnknown = true);
  void feed(std::string_view bytes, YieldClock* clock = nullptr);
  void endStream();
  bool needsWhole() const { return needsWhole_; }
  static constexpr size_t kKeptTag = size_t{64} << 10;

  // Records where paragraph numbers and note marks go (text_marks.h) in
  // *marks as the part is read (word_xml_marks.cpp); off by default.
  void keepMarks(TextMarks* marks) { marks_ = marks; }

  // Text bytes dropped because their markup was damaged (for the report).
  int64_t droppedBytes() const { return dropped_; }

 private:
  void tag(std::string_view tag);
  void damagedTag(std::string_view raw, size_t unknown);
  void longTag();
  size_t streamText(std::string_view bytes, bool closed);
  void between(std::string_view bytes, std::string_view next);
  void text(std::string_view text);
  // A "<w:x>" or "</w:x>" known by its one-letter name x: read at once
  // (true), or left to tag() (false).
  bool shortTag(char name, bool closing);
  void openText();
  void closeText();
  void closeCutText();
  void appendParagraph();
  void endParagraph();
  void flushParagraph();
  // Numbering and note tags: true when `name` is one (word_xml_marks.cpp).
  bool markTag(std::string_view name, std::string_view raw, bool closing, bool empty);
  // The paragraph's marks, its text from byte `cut` on about to be appended
  // to *out_ (or dropped).
  void placeMarks(bool keep, size_t cut = 0);

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
  // The stream: inside a tag (its bytes so far, at most kKeptTag of them),
  // or in text (a reference cut by a piece's end, and the run's size where
  // this text began: text that no "<" follows is dropped at the end).
  bool streamInTag_ = false;
  std::string streamTag_;
  size_t streamTagLength_ = 0;
  char streamTagLast_ = 0;
  std::string streamCarry_;
  bool needsWhole_ = false;
  bool wholeOnUnknown_ = true;
  uint32_t streamSteps_ = 0;
  // Marks: the current paragraph's list numbering and style, its notes'
  // marks (offsets in para_), and the note being read.
  TextMarks* marks_ = nullptr;
  std::vector<TextMark> paraNotes_;
  int32_t paraNumId_ = -1;
  int8_t paraLevel_ = -1;
  int16_t paraStyle_ = -1;
  bool inParaProps_ = false;  // in w:pPr
  int propsChange_ = 0;       // in w:pPrChange (properties before a tracked change)
  int32_t note_ = -1;
  bool noteIsEnd_ = false;
};

// w:r starts and ends a run, w:p a paragraph, w:t a run's text.
inline bool WordXmlText::shortTag(char name, bool closing) {
  if (name == 'r' || (name == 'p' && !closing)) return true;  // nothing to do
  if (name != 't' && name != 'p') return false;
  if (fallbackDepth_ > 0) return true;
  if (name == 'p') {
    endParagraph();
  } else if (closing) {
    closeText();
  } else {
    openText();
  }
  return true;
}

// The length of the character at text[i] when it is no text: a C0 control
// (TAB too), DEL, a C1 control (U+0080-U+009F) or U+FFFE/U+FFFF; 0 for
// anything else.
size_t ControlCharacterAt(std::string_view text, size_t i);

// A tag read from a damaged part, some of its bytes unknown (kUnknownByte),
// from its "<" to its ">" (or to the next "<" when its ">" is unknown).
// TextStartTag: the size of the w:t start tag it is (0 when none): one
// whose name is whole, or one that fits "<w:t>" or the "<w:t
// xml:space=\"preserve\">" that writers use, where the bytes still known
// tell it from any other tag (its name and ">", or most of its attribute).
// TextEndTag: whether it fits the w:t end tag, or shows "</w:t" and then
// an unknown byte.
size_t TextStartTag(std::string_view raw);
constexpr size_t kShortTextTag = 5, kPreserveTextTag = 26;  // the sizes of those two forms
bool TextEndTag(std::string_view raw);
// Where the text at the end of `bytes` (bytes between tags) begins when a
// w:t start tag whose "<" is unknown ends just before it; npos when none.
size_t HiddenTextStart(std::string_view bytes);
// The same for the first such start tag anywhere in `bytes`.
size_t NextHiddenTextStart(std::string_view bytes);
// Where a run's text that holds unknown bytes may end first: at a "<", or
// at an unknown byte from which "</w:t>" fits (the end of `bytes` standing
// for more unknown ones); npos when nowhere.
size_t PossibleTextEnd(std::string_view bytes);
// Whether the known bytes of `text` are whole UTF-8 characters, none a
// control but TAB (a sequence that unknown bytes or the end cut counts).
bool WholeCharacters(std::string_view text);

// Decodes the five XML entities and character references in `text`,
// appending to *out; an unknown entity is kept as written.
void AppendXmlText(std::string_view text, std::string* out);

}  // namespace kw
