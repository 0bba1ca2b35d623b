// SPDX-License-Identifier: Apache-2.0
#pragma once
// FindCentralEntry: the central directory's record of one local entry.
//
// Used only to check an entry whose sizes follow its data (data-descriptor
// flag) when the descriptor itself is damaged. The directory is not walked
// from its end record, which may be missing from a cut-off package: the
// file is scanned forward for central directory headers instead, and the one
// that points at the entry's local header is taken.

#include <cstdint>
#include <optional>

#include "base/source_file.h"

namespace kw {

class YieldClock;

struct ZipEntrySums {
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
};

// Scans `file` from the 1-based position `from` for the central directory
// header whose local-header offset is `localHeaderOffset` (0-based, as the
// package stores it). Nothing when there is none or the file cannot be read.
std::optional<ZipEntrySums> FindCentralEntry(SourceFile& file, int64_t from, int64_t localHeaderOffset,
                                             YieldClock* clock = nullptr);

}  // namespace kw
