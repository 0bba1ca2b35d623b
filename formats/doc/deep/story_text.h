// SPDX-License-Identifier: Apache-2.0
#pragma once
// AppendStories: the text of a Word document from its main stream and its
// pieces, story by story (main text, footnotes, headers and footers,
// comments, endnotes, text boxes), each story after a blank line.
//
// A piece, or part of one, that lies outside the main stream or in a part of
// it that could not be read is left out and reported to the DamageReport
// (reader "doc"), as is a piece table that ends before the text does. The
// text read never exceeds the main stream's size in characters.
//
// The pieces are taken in order, once; the stream is read and translated a megabyte at a time; with a TextSink
// the text is handed over as it grows (WordTextWriter), and what is left of
// it in *text at the end is the caller's to hand over.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/doc/deep/doc_numbers.h"
#include "formats/doc/deep/fib.h"
#include "formats/doc/deep/piece_table.h"
#include "formats/doc/deep/stream_source.h"

namespace kw {

class DamageReport;
class TextSink;
class WordTextWriter;
class YieldClock;

struct StoryStats {
  int64_t chars = 0;  // characters read
  int64_t lost = 0;   // characters the pieces name but the stream lacks
};

// Text that goes in after a piece, such as the scan's finds in the bytes
// that follow it in the stream: called with 0 before any text, with each
// piece's end as that piece has been written whole (rising), and with
// UINT64_MAX once the stories are written; it writes through
// WordTextWriter::putLines.
using AfterPiece = std::function<void(uint64_t cpEnd, WordTextWriter& writer)>;

// 8-bit pieces are read in `page`. Appends UTF-8 to *text; `sink` may be null.
// `inserts` (sorted by position; may be null) go in before their characters,
// as the document's own would.
StoryStats AppendStories(StreamSource& main, const Fib& fib, PieceTable& pieces, CodePage page, YieldClock* clock,
                         DamageReport* damage, std::string* text, TextSink* sink = nullptr,
                         const TextInserts* inserts = nullptr, const AfterPiece* after = nullptr);

}  // namespace kw
