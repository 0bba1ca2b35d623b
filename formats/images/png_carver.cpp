// SPDX-License-Identifier: Apache-2.0
#include "formats/images/png_carver.h"

#include <algorithm>
#include <vector>

#include "base/byte_search.h"
#include "base/pattern_scan.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/images/carver_scan.h"
#include "formats/images/image_table.h"

namespace kw {

namespace {

constexpr size_t kChunk = 256 << 10;

// One of the two sequences: the occurrences of `marker` that a search from
// position 1, then from each result plus `step`, finds one after the other.
// Keeps the results (one more than each occurrence's position) of those a
// job can list; counts all.
class MarkerSequence {
 public:
  MarkerSequence(std::string marker, int64_t step) : marker_(std::move(marker)), step_(step) {}

  // Finds the sequence's occurrences in data[0, size), which holds the
  // bytes from the 1-based position `pos`.
  void scan(const uint8_t* data, size_t size, int64_t pos) {
    while (next_ - pos < static_cast<int64_t>(size)) {
      const size_t from = static_cast<size_t>(std::max<int64_t>(0, next_ - pos));
      const size_t at = from + FindPattern(data + from, size - from, marker_);
      if (at >= size) return;
      const int64_t found = pos + static_cast<int64_t>(at) + 1;  // as FindInFile counts
      if (results_.size() < static_cast<size_t>(kMaxImageEntries)) results_.push_back(static_cast<int32_t>(found));
      ++count_;
      next_ = found + step_;
    }
  }
  int64_t count() const { return count_; }
  // The k-th result, or -1 when it was not kept.
  int32_t result(int64_t k) const { return k < static_cast<int64_t>(results_.size()) ? results_[k] : -1; }
  size_t length() const { return marker_.size(); }

 private:
  std::string marker_;
  int64_t step_;
  int64_t next_ = 1;  // where the next search begins
  std::vector<int32_t> results_;
  int64_t count_ = 0;
};

}  // namespace

Status CarvePngs(RecoveryJobState& job, JobContext& context, int64_t* unlisted) {
  YieldClock clock(context.progress);
  clock.now();
  // Next start search from S + 3, next end search from E + 8.
  MarkerSequence starts(MarkerBytes({"&H89", "&H50", "&H4E"}), 3);
  MarkerSequence ends(MarkerBytes({"&H49", "&H45", "&H4E", "&H44", "&HAE", "&H42", "&H60", "&H82"}), 8);
  clock.now();
  SourceFile file;
  const Status opened = BeginCarverScan(job, context, &file);
  if (!opened.ok()) return opened;
  clock.now();
  job.vPngStart = 0;
  job.lPngEnd = 0;
  const int32_t length = static_cast<int32_t>(file.size());
  PendingPairs pending;

  // The two sequences go on independently of each other, so one forward read
  // of the file finds both; the k-th start is paired with the k-th end as
  // soon as both are known, in order.
  const size_t keep = std::max(starts.length(), ends.length()) - 1;
  // A small file is read in one piece of its size: no larger buffer is made and cleared.
  const size_t chunk = std::min(kChunk, static_cast<size_t>(std::max<int64_t>(file.size(), 1)));
  std::vector<uint8_t> buffer(keep + chunk);
  size_t held = 0;
  int64_t bufferPos = 1;
  int64_t paired = 0;
  bool failed = false;
  while (true) {
    const int64_t n = file.readAt(bufferPos + static_cast<int64_t>(held), buffer.data() + held, chunk);
    if (n < 0) {
      failed = true;
      break;
    }
    const size_t size = held + static_cast<size_t>(n);
    starts.scan(buffer.data(), size, bufferPos);
    ends.scan(buffer.data(), size, bufferPos);
    for (; paired < std::min(starts.count(), ends.count()); ++paired) {
      if (pending.full()) {
        pending.addBeyond();
        continue;
      }
      job.vPngStart = starts.result(paired);
      job.lPngEnd = ends.result(paired);
      pending.add(job.vPngStart - 1, job.lPngEnd + 6);
      context.progress.setProgressValue(job.vPngStart);
    }
    if (static_cast<size_t>(n) < chunk) break;  // the end of the file
    const size_t carry = std::min(keep, size);
    std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(size - carry),
              buffer.begin() + static_cast<std::ptrdiff_t>(size), buffer.begin());
    bufferPos += static_cast<int64_t>(size - carry);
    held = carry;
    clock.tick();
    if (clock.stopped()) break;
  }
  if (!failed && !clock.stopped()) {
    // The pass that ended the scan: a marker was not found.
    job.vPngStart = paired < starts.count() ? starts.result(paired) : -1;
    job.lPngEnd = paired < ends.count() ? ends.result(paired) : -1;
    if (job.vPngStart != -1 && job.lPngEnd == -1) ReportNoEnd(context, job.vPngStart - 1, length, "png", "PNG");
    context.progress.setProgressValue(length);
  }

  clock.now();
  const int64_t notListed = ListPictures(job, context, pending, PictureRecord::Kind::kPng, "Grid", "png");
  if (unlisted != nullptr) *unlisted += notListed;
  clock.now();
  if (failed) return file.lastError();
  return Status::OK();
}

}  // namespace kw
