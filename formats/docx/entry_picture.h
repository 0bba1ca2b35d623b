// SPDX-License-Identifier: Apache-2.0
#pragma once
// EntryPicture: a picture inside a package, kept as the entry it comes from
// (a span of the file) instead of its bytes, so that Deep Recovery holds no
// picture, however many the package has and however far they inflate.
//
// ProbeEntry reads an entry once, as ReadEntryData would (entry_data.h),
// keeping only its first bytes (to tell what it is), how many bytes it gave
// and whether it is whole; stored and cleanly inflated data is streamed, and
// only damaged data is read whole, for a moment, to learn where it stops.
// EntryPictureMaker gives the same bytes again when the picture is written:
// copied or inflated a piece at a time, or, for damaged data, read whole.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/picture_record.h"
#include "base/source_file.h"
#include "base/status.h"
#include "formats/docx/entry_data.h"
#include "formats/docx/package_scan.h"

namespace kw {

class YieldClock;

struct EntryProbe {
  std::string head;       // the first kEntryHead bytes
  size_t produced = 0;    // bytes the entry gave
  bool complete = false;  // whole, and its CRC matches when one is known
  bool streamed = false;  // given as it was read: copied, or inflated up to its end or the limit
  bool whole = false;     // stored: every byte was there; deflated: the stream ended
  size_t limit = 0;       // the most deflated data may inflate to
};

inline constexpr size_t kEntryHead = size_t{1} << 20;

// An I/O error only when the file cannot be read; nothing is reported.
Status ProbeEntry(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options, YieldClock* clock,
                  EntryProbe* probe);

// Reports what ReadEntryData reports of a probed entry that is not complete
// (reading it again whole only when it is damaged).
Status ReportEntryDamage(SourceFile& file, const PackageEntry& entry, const EntryReadOptions& options,
                         const EntryProbe& probe, YieldClock* clock, DamageReport* damage);

class EntryPictureMaker final : public PictureMaker {
 public:
  // `options` as the entry was probed with (a picture is never repaired).
  EntryPictureMaker(PackageEntry entry, EntryReadOptions options, const EntryProbe& probe)
      : entry_(std::move(entry)), options_(options), size_(probe.produced), streamed_(probe.streamed) {
    options_.repairs = nullptr;
  }
  int64_t size() const override { return static_cast<int64_t>(size_); }
  Status make(SourceFile& source, const std::function<Status(std::string_view)>& out, YieldClock* clock) const override;

 private:
  PackageEntry entry_;
  EntryReadOptions options_;
  size_t size_;
  bool streamed_;
};

}  // namespace kw
