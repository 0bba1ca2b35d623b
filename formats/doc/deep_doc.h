// SPDX-License-Identifier: Apache-2.0
#pragma once
// ReadDocDeep: the text of a Word 97-2003, 6.0/95 or 2.0 document read
// through its own structure (compound file, File Information Block, piece
// table), with a scan for text wherever that structure is lost.
//
// What it promises: it returns OK with whatever text it found (possibly
// none) and fails only when the file cannot be read at all. Every fallback
// and every part it had to skip is in the DamageReport (readers "cfb" and
// "doc"), with where and why. It ticks `clock` (may be null) in its long
// loops and, once the clock is stopped, returns what it has.

#include <string>
#include <vector>

#include "base/picture_record.h"
#include "base/status.h"

namespace kw {

class SourceFile;
class TextSink;
class YieldClock;
class DamageReport;

// *text is UTF-8, paragraphs ending in "\r\n"; the main text first, then
// footnotes, headers and footers, comments, endnotes and text boxes, each
// after a blank line. `damage` may be null. Given a `sink`, the text goes
// there instead, in order and as it is read (a long document's stories a
// quarter megabyte at a time, its main stream never held whole), and *text
// ends empty.
//
// The text of each embedded Word document follows the document's own, after
// a blank line. Given `pictures`, the pictures of the document and of its
// embedded documents are added there in document order, each once, named
// "picture-NNN" (doc_pictures.h), and so are the other embedded objects'
// files, under their own names: reader "package" for a package (a .docx
// inside, for the caller to read), "object" for any other file.
Status ReadDocDeep(SourceFile& file, YieldClock* clock, DamageReport* damage, std::string* text,
                   TextSink* sink = nullptr, std::vector<PictureRecord>* pictures = nullptr);

}  // namespace kw
