// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/entry_placement.h"

#include <algorithm>
#include <vector>

#include "base/yield_clock.h"
#include "formats/docx/raw_inflater.h"
#include "formats/docx/zip_codec.h"

namespace kw {

namespace {

constexpr size_t kNameCandidates = 16;  // local headers of one name tried per record
constexpr size_t kReadChunk = 64 << 10;
constexpr int kSharedFieldsOfOwnHeader = 3;
// What one check costs of the budget at least: starting an inflater is not free.
constexpr int64_t kLeastCheckCost = 4 << 10;

bool ZeroForDescriptor(const PackageHeader& local, uint64_t value) { return local.hasDescriptor() && value == 0; }

// How many of its fields a (possibly damaged) local header shares with the
// record; bytes of another file share none or one by chance.
int SharedFields(const PackageHeader& record, const PackageHeader& local) {
  const bool descriptor = local.hasDescriptor();
  return int{local.signatureOk} + int{local.version == record.version} + int{local.flags == record.flags} +
         int{local.method == record.method} + int{local.crc == record.crc || (descriptor && local.crc == 0)} +
         int{local.compressedSize == record.compressedSize} + int{local.uncompressedSize == record.uncompressedSize} +
         int{local.nameLength == record.nameLength} + int{local.nameReadable && local.name == record.name};
}

}  // namespace

EntryPlacer::EntryPlacer(SourceFile& file, const std::map<int64_t, PackageHeader>& locals, int64_t verifyBudget,
                         YieldClock* clock)
    : file_(file), locals_(locals), verifyBudget_(verifyBudget), clock_(clock) {
  for (const auto& [at, h] : locals_) {
    if (h.nameReadable) byName_[h.name].push_back(at);  // the map is in offset order
  }
}

// The offsets of up to kNameCandidates local headers named `name`, the nearest to `expected` first.
std::vector<int64_t> EntryPlacer::nearest(const std::string& name, int64_t expected) const {
  std::vector<int64_t> out;
  auto found = byName_.find(name);
  if (found == byName_.end()) return out;
  const std::vector<int64_t>& all = found->second;
  auto after = std::lower_bound(all.begin(), all.end(), expected);
  auto before = after;
  while (out.size() < kNameCandidates && (before != all.begin() || after != all.end())) {
    const bool takeAfter =
        before == all.begin() || (after != all.end() && *after - expected <= expected - *std::prev(before));
    out.push_back(takeAfter ? *after++ : *--before);
  }
  return out;
}

bool EntryPlacer::Agrees(const PackageHeader& record, const PackageHeader& local) {
  return local.signatureOk && local.problem.empty() && local.nameReadable && record.nameReadable &&
         local.name == record.name && local.method == record.method &&
         (local.crc == record.crc || ZeroForDescriptor(local, local.crc)) &&
         (local.compressedSize == record.compressedSize || ZeroForDescriptor(local, local.compressedSize)) &&
         (local.uncompressedSize == record.uncompressedSize || ZeroForDescriptor(local, local.uncompressedSize));
}

bool EntryPlacer::readLocal(int64_t offset, PackageHeader* local) const {
  auto found = locals_.find(offset);
  if (found != locals_.end()) {
    *local = found->second;
    return true;
  }
  return offset >= 0 && ReadLocalHeader(file_, offset, local);
}

// Whether the data after `local` is the record's: it inflates (or, stored,
// sums) to the record's CRC and size.
bool EntryPlacer::dataMatches(const PackageHeader& record, const PackageHeader& local) {
  if (record.method != 0 && record.method != 8) return false;
  const int64_t extra = local.signatureOk && local.extraLength <= 1024 ? local.extraLength : record.extraLength;
  const int64_t begin = local.offset + PackageHeader::kLocalSize + record.nameLength + extra;
  const int64_t size = static_cast<int64_t>(std::min<uint64_t>(record.compressedSize, INT64_MAX));
  const int64_t cost = std::max(size, kLeastCheckCost);
  if (begin + size > file_.size() || cost > verifyBudget_) return false;
  verifyBudget_ -= cost;
  uint32_t crc = 0;
  const uint64_t expected = record.uncompressedSize;
  RawInflater inflater(static_cast<size_t>(std::min<uint64_t>(expected, uint64_t{1} << 30)) + 1);
  inflater.setSink([&](std::string_view piece) { crc = Crc32(crc, piece.data(), piece.size()); });
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(kReadChunk, std::max<int64_t>(size, 1))));
  uint64_t produced = 0;
  for (int64_t at = 0; at < size;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size()), size - at));
    if (file_.readAt(begin + at + 1, buffer.data(), n) != static_cast<int64_t>(n)) return false;
    at += static_cast<int64_t>(n);
    if (clock_ != nullptr) {
      clock_->tick();
      if (clock_->stopped()) return false;
    }
    if (record.method == 0) {
      crc = Crc32(crc, buffer.data(), n);
      produced += n;
    } else if (!inflater.feed(buffer.data(), n)) {
      break;
    }
  }
  if (record.method == 8) {
    if (!inflater.ended()) return false;
    produced = inflater.produced();
  }
  return crc == record.crc && produced == expected;
}

Placement EntryPlacer::place(const PackageHeader& record, int64_t shift, const std::set<int64_t>& taken,
                             bool agreeOnly) {
  std::vector<int64_t> offsets = {record.localOffset};
  if (shift != 0) offsets.push_back(record.localOffset + shift);
  const int64_t expected = record.localOffset + shift;
  if (record.nameReadable) {
    const std::vector<int64_t> named = nearest(record.name, expected);
    offsets.insert(offsets.end(), named.begin(), named.end());
  }
  std::vector<PackageHeader> candidates;
  for (int64_t at : offsets) {
    PackageHeader local;
    if (taken.count(at) != 0 || !readLocal(at, &local)) continue;
    if (std::any_of(candidates.begin(), candidates.end(), [&](const PackageHeader& c) { return c.offset == at; }))
      continue;
    candidates.push_back(std::move(local));
  }
  for (const PackageHeader& c : candidates) {
    if (Agrees(record, c)) return {Placed::kAgrees, c};
  }
  if (agreeOnly) return {};
  auto atRecordsOffset = [&](const PackageHeader& c) { return c.offset == record.localOffset || c.offset == expected; };
  for (const PackageHeader& c : candidates) {
    const bool likely = atRecordsOffset(c) || SharedFields(record, c) >= kSharedFieldsOfOwnHeader;
    if (likely && dataMatches(record, c)) return {Placed::kVerified, c};
  }
  for (const PackageHeader& c : candidates) {
    if (atRecordsOffset(c) && SharedFields(record, c) >= kSharedFieldsOfOwnHeader) return {Placed::kDamaged, c};
  }
  // Nothing else in the file claims to be this entry: its header may be wiped out, its data still there.
  const bool othersNamed = std::any_of(candidates.begin(), candidates.end(), [&](const PackageHeader& c) {
    return !atRecordsOffset(c) && c.signatureOk && c.problem.empty();
  });
  if (!othersNamed) {
    for (const PackageHeader& c : candidates) {
      if (c.offset == expected) return {Placed::kDamaged, c};
    }
    for (const PackageHeader& c : candidates) {
      if (c.offset == record.localOffset) return {Placed::kDamaged, c};
    }
  }
  return {};
}

}  // namespace kw
