// SPDX-License-Identifier: Apache-2.0
#pragma once
// StreamPartText: the text of one XML part of a package for Deep Recovery,
// read or inflated a piece at a time straight into a WordXmlText stream, so
// that neither the entry nor its inflated bytes are ever held whole.
//
// It gives what ReadEntryData (entry_data.h) followed by WordXmlText::addPiece
// on its one piece gives, with the same reports, wherever the entry yields
// that one piece from its start: stored data, deflated data that inflates
// cleanly (and checks against a CRC-32 the package gives), or that reaches
// the output limit. Deflated data that breaks or fails its CRC check needs
// TolerantInflate over the whole input, and a long w:sym tag needs the whole
// part, as do unknown bytes in a part of at most 16 MiB of input (a larger
// one reads them as they come, word_xml_text.h): then *whole is set, nothing
// is reported, and the caller drops the reader's text and takes
// ReadEntryData and addPiece instead.

#include <cstddef>
#include <string>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/status.h"
#include "formats/docx/deep/entry_data.h"
#include "formats/docx/deep/package_scan.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {

class YieldClock;

struct PartStream {
  bool whole = false;   // the caller must read the part whole (see above)
  size_t produced = 0;  // bytes read or inflated (what ReadEntryData's piece would hold)
  std::string head;     // the first kPartHead of them, for RoleByContent
};

inline constexpr size_t kPartHead = (size_t{64} << 10) + 8;

// An I/O error only when the file cannot be read.
Status StreamPartText(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options, YieldClock* clock,
                      DamageReport* damage, WordXmlText* reader, PartStream* result);

}  // namespace kw
