// SPDX-License-Identifier: Apache-2.0
#pragma once
// Embedded documents across the two formats. The readers never read one
// another: the .doc reader lists the packages a .doc embeds (records of
// reader "package"), and the package reader leaves a .docx's
// word/embeddings alone; this job step hands each embedded file to the
// reader of its kind, through a working copy that is unlinked as soon as it
// is open.
//
// - A .docx inside a .doc: read with the package reader; its text follows
//   after a blank line, its pictures follow the document's, made again from
//   the .doc when written (the package is copied out once more then).
// - A .docx's word/embeddings: a Word 97-2003 document (a compound file with
//   a WordDocument stream) read with the .doc reader, a .docx with the
//   package reader, their text after a blank line and their pictures kept
//   (their bytes, as the copy does not outlast the job); any other file kept
//   as an attachment under its own name.
// Pictures so added are named "picture-NNN" after the numbered ones. Damage
// inside an embedded document is reported under its name.

#include <string>
#include <vector>

#include "base/picture_record.h"
#include "base/status.h"

namespace kw {

class DamageReport;
class SourceFile;
class TextSink;
class YieldClock;

// `text` gets the embedded documents' text, or `sink` when given.
Status ReadDocPackages(SourceFile& source, YieldClock* clock, DamageReport* damage, std::string* text, TextSink* sink,
                       std::vector<PictureRecord>* pictures);

Status ReadDocxEmbeddings(SourceFile& source, YieldClock* clock, DamageReport* damage, std::string* text,
                          TextSink* sink, std::vector<PictureRecord>* pictures);

}  // namespace kw
