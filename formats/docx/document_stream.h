// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocumentTextStream: the text of a .docx main document made in one pass
// over its bytes as they arrive, the same text that DocumentXmlToText gives
// on all of them joined (document_text.h), however they are cut in pieces.
//
// The literal passes each read and write the whole document; this pass
// keeps a few bytes of lookahead per step instead, and the text itself:
// memory is the text, plus the text of an unclosed "<" while it waits for
// its ">" (at most the document). Where the result of the literal passes
// depends on the document as a whole in a way one pass cannot follow (a "<"
// left open before another "<" and a ">" after both, so that tags may merge
// as they are removed; a "<head" after the first "</head>"), finish()
// returns false. The caller then runs the document again through a stream
// made with `everyRound`, which follows the rounds of tag removal one by one
// (tag_stream.h) and, from a "</head>" that may end a head, the text both
// with and without the head cut until a "<head" decides.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "formats/docx/tag_stream.h"
#include "formats/docx/text_tail.h"

namespace kw {

class YieldClock;

class DocumentTextStream {
 public:
  // `expectedSize`: the document's size when known, to reserve room for the
  // text (address space only, touched as the text is written). With
  // `everyRound`, tag removal follows the rounds of the literal loop
  // (TagRemovalStream) instead of handing the document back where tags
  // merge; every byte then takes the passes' byte-at-a-time path.
  explicit DocumentTextStream(YieldClock* clock = nullptr, size_t expectedSize = 0, bool everyRound = false);
  DocumentTextStream(const DocumentTextStream&) = delete;
  DocumentTextStream& operator=(const DocumentTextStream&) = delete;

  // Room for the text of a document of `expectedSize` bytes, as the
  // constructor reserves it; only before the first feed().
  void reserve(size_t expectedSize);

  // The next bytes of the document. Does nothing once the job is cancelled
  // or the literal passes are needed.
  void feed(std::string_view bytes);
  // After the last piece: true when text() is the document's text; false
  // when the literal passes are needed or the job was cancelled.
  bool finish();
  // True as soon as it is known that the literal passes are needed.
  bool needsLiteral() const { return literal_; }
  std::string takeText() { return std::move(text_); }

 private:
  enum class Tags : uint8_t { kOutside, kInTag, kMerged };

  bool stopped() const;
  void decodeUtf8(std::string_view bytes, bool final);
  void markup(std::string_view text);
  bool headIdle() const { return !mbInTag_ && bpSize_ == 0 && tags_ != Tags::kInTag; }
  void wholeTag(std::string_view tag);
  size_t mergedRun(std::string_view text, size_t i) const;
  void markBreaks(char c);
  void breakPasses(char c);
  void drainBreaks(bool final);
  // The break and head rules at a "<": `window` holds it and up to six
  // bytes after it (line breaks removed). Returns how many bytes it used.
  size_t breakStep(std::string_view window);
  void headEnd(bool first);
  void removeTags(char c);
  void flushPending();
  void cutHead();

  YieldClock* clock_;
  uint32_t steps_ = 0;
  bool literal_ = false;
  std::string text_;
  TextTail tail_;
  // UTF-8: bytes of a sequence (or of a possible byte-order mark) cut by the end of a piece.
  std::string carry_;
  bool bomChecked_ = false;
  std::string decoded_;
  // MarkBreaks: the tag open since the last "<", its first bytes and its last.
  bool mbInTag_ = false;
  std::array<char, 16> mbTag_{};
  size_t mbLength_ = 0;
  char mbLast_ = 0;
  int tabStops_ = 0;
  // The break passes: a "<" and the bytes after it, until the rules can judge it.
  std::array<char, 8> bp_{};
  size_t bpSize_ = 0;
  bool bpStarted_ = false;  // a byte has passed the break passes
  bool hasHead_ = false;
  bool headSeen_ = false;  // the first "</head>" after the first byte has passed
  bool headUndecided_ = false;
  // Tag removal: the open tag's text until it closes, or spilled into the tail.
  Tags tags_ = Tags::kOutside;
  std::string pending_;
  bool spilled_ = false;
  TextTail::Snapshot spillPoint_{};
  // Tag removal round by round, when the stream follows every round.
  std::unique_ptr<TagRemovalStream> rounds_;
  // Following every round, from the first "</head>" while no "<head" is
  // known: the text as it is if the head cut happens there, taken over as
  // soon as a "<head" shows it does.
  struct HeadCut {
    std::string text;
    TextTail tail{&text};
    std::unique_ptr<TagRemovalStream> rounds = std::make_unique<TagRemovalStream>(&tail);
  };
  std::unique_ptr<HeadCut> headCut_;
  void takeHeadCut();
};

}  // namespace kw
