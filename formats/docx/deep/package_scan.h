// SPDX-License-Identifier: Apache-2.0
#pragma once
// ScanPackage: every entry of a ZIP package that can still be found.
//
// The whole file is scanned for local headers, central directory headers,
// data descriptors and end records by their signatures, so a package whose
// directory is lost, or whose first entries are damaged, still gives the
// rest. Each central directory record is matched to its local header
// (entry_placement.h: where the directory places it, where it lies when
// the package moved, or where a header of its name lies) and the two are
// merged: when one of them is damaged (a garbled name, a broken signature,
// a size that cannot be) the other's numbers are used. When the file holds
// a complete central directory (package_directory.h), an entry it does not
// list, or one that another directory lists, came from another file and is
// marked foreign. Where an entry's data
// ends is taken from the sizes that agree with the next header found, else
// from the next header itself, else the file's end (the entry is then cut).
// An entry of the package's directory whose size lands on a later header
// holds another file's bytes, with a header among them: it is read to that
// size, and the headers inside are part of its damage, not entries.
// Every rejected or repaired header is reported (reader "zip").

#include <cstdint>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/status.h"

namespace kw {

class YieldClock;

struct PackageEntry {
  std::string name;            // empty when no header gives a readable one
  int64_t headerOffset = 0;    // 0-based offset of the local header
  int64_t dataOffset = 0;      // 0-based: where the stored or deflated data begins
  int64_t dataEnd = 0;         // 0-based, exclusive: where reading it stops
  uint16_t method = 8;         // 0 stored, 8 deflated
  std::vector<uint32_t> crcs;  // each CRC a header gives for it
  bool cut = false;            // its data runs past the end of the file
  bool foreign = false;        // the package's complete directory does not list it: bytes of another file
};

struct PackageScan {
  std::vector<PackageEntry> entries;  // in file order
  int64_t headersFound = 0;           // signatures that looked like headers, used or not
};

// An I/O error only when the file cannot be read; damage is reported.
Status ScanPackage(SourceFile& file, YieldClock* clock, DamageReport* damage, PackageScan* scan);

}  // namespace kw
