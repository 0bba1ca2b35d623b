// SPDX-License-Identifier: Apache-2.0
#pragma once
// EntryPlacer: which local header a central directory record describes,
// when the two may disagree on where the entry lies.
//
// Bytes inserted into a package or removed from it move its local headers
// away from the offsets its directory gives, and a piece of another package
// can hold a second local header of the same name. The candidates for one
// record are the header at the record's offset, the header at that offset
// moved as far as the record's directory moved, and every local header of
// the same name (the nearest first). The first candidate whose name,
// method, CRC and sizes agree with the record is taken at once; failing
// that, the first whose data inflates to the record's CRC; failing that,
// the header at the record's offset (or the moved one) when it shares most
// of its fields with the record: this entry's own header, damaged. A
// candidate another record already took is passed over.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/source_file.h"
#include "formats/docx/deep/package_headers.h"

namespace kw {

class YieldClock;

enum class Placed {
  kNone,      // no candidate fits: the record's entry cannot be found
  kAgrees,    // a sound local header that agrees with the record
  kVerified,  // a local header whose data decodes to the record's CRC
  kDamaged,   // the header at the record's (or the moved) offset, damaged
};

struct Placement {
  Placed how = Placed::kNone;
  PackageHeader local;  // the local header chosen (read even when damaged)
};

class EntryPlacer {
 public:
  // `locals`: every local header read at a signature, in offset order.
  // Checking data costs at most `verifyBudget` bytes read, over all records.
  EntryPlacer(SourceFile& file, const std::vector<PackageHeader>& locals, int64_t verifyBudget, YieldClock* clock);

  // `shift`: how far the record's directory moved. `agreeOnly` places only
  // by agreement, without reading data (to rank directories).
  Placement place(const PackageHeader& record, int64_t shift, const std::set<int64_t>& taken, bool agreeOnly = false);

  // Whether a sound local header says what the record says.
  static bool Agrees(const PackageHeader& record, const PackageHeader& local);

 private:
  bool readLocal(int64_t offset, PackageHeader* local) const;
  bool dataMatches(const PackageHeader& record, const PackageHeader& local);

  std::vector<int64_t> nearest(const std::string& name, int64_t expected) const;

  SourceFile& file_;
  const std::vector<PackageHeader>& locals_;
  std::map<std::string, std::vector<int64_t>> byName_;  // offsets of the sound local headers of each name, in order
  int64_t verifyBudget_;
  YieldClock* clock_;
};

}  // namespace kw
