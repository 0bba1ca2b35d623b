// SPDX-License-Identifier: Apache-2.0
#pragma once
// ReadDocxDeep: the Deep Recovery reader of .docx packages. Reads the
// package whole, surviving damage: every entry that can be found (by its
// local header, the central directory, or both), every text part inflated
// as far as damage allows, and every picture.
//
// *text is UTF-8: the main document's paragraphs, each ending in "\r\n",
// then the headers, footers, footnotes, endnotes and comments, each after a
// blank line. *pictures lists every picture found (word/media entries and
// any entry whose bytes open with a picture signature), with its bytes
// (PictureRecord::hasBytes), and partial when damage cut it. Everything
// skipped, repaired or cut goes into *damage (readers "zip" and "inflate";
// "docx" when no main document is found).
//
// Returns Invalid("... no ZIP entries ...") when the file holds no package
// structure at all (the caller then tries other readers, and *damage is left
// as it was); otherwise OK with
// whatever was found; an I/O error when the file cannot be read. A cancelled
// job (clock->stopped()) returns OK with what was found so far.

#include <string>
#include <vector>

#include "base/picture_record.h"
#include "base/status.h"
#include "formats/docx/tolerant_inflate.h"

namespace kw {

class SourceFile;
class YieldClock;
class DamageReport;

// `repairs`: the trial work all the package's damaged entries may spend on
// repairs together (tolerant_inflate.h).
Status ReadDocxDeep(SourceFile& file, YieldClock* clock, DamageReport* damage, std::string* text,
                    std::vector<PictureRecord>* pictures, const RepairBudget& repairs = RepairBudget());

}  // namespace kw
