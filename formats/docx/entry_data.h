// SPDX-License-Identifier: Apache-2.0
#pragma once
// ReadEntryData: the content of one package entry, as much as damage left.
//
// Stored data is copied; deflated data is inflated cleanly when it can be,
// and otherwise, for text, with TolerantInflate (the output before each
// break is kept, and decoding resumes after it), or, for pictures, up to the
// first break. Every damaged span, cut end or failed CRC check is reported
// (reader "inflate"). Output is capped at a multiple of the compressed size
// and at an absolute limit.

#include <cstdint>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/status.h"
#include "formats/docx/package_scan.h"
#include "formats/docx/tolerant_inflate.h"

namespace kw {

class YieldClock;

struct EntryData {
  std::vector<InflatePiece> pieces;  // the first begins at the entry's start unless it was lost
  bool complete = false;             // whole, and its CRC matches when one is known
};

struct EntryReadOptions {
  bool textual = true;                       // XML: resume after damage
  size_t absoluteLimit = size_t{256} << 20;  // output bytes, whatever the ratio
  RepairBudget* repairs = nullptr;           // shared by the package's entries
};

// An I/O error only when the file cannot be read.
Status ReadEntryData(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options, YieldClock* clock,
                     DamageReport* damage, EntryData* data);

// The entry's name for messages: "word/document.xml", or "the entry at offset N".
std::string EntryLabel(const PackageEntry& entry);

}  // namespace kw
