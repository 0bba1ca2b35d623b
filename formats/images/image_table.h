// SPDX-License-Identifier: Apache-2.0
#pragma once
// The carved-image table: the listing step that turns each carver's finds
// into the job's picture records.
//
// A carved picture is a byte range of the source: firstByte and lastByte
// (once named sMark and eMark) are the 1-based positions of its first and
// last byte. Its name is the carver's prefix ("GridJ", "Grid") followed by
// the picture's index among that carver's finds, from 0. A job lists at most
// kMaxImageEntries pictures (iImageCount, which counts them, is 16-bit).

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/job_context.h"
#include "base/job_state.h"

namespace kw {

// The most entries a job can list: iImageCount is 16-bit.
constexpr int32_t kMaxImageEntries = INT16_MAX;

// The pending pair list: the pictures one scan found, in order. It keeps no
// more pairs than a job can list and only counts the others, so a file full
// of markers cannot make it grow without bound.
class PendingPairs {
 public:
  void add(int32_t sMark, int32_t eMark) {
    if (!full()) {
      pairs_.emplace_back(sMark, eMark);
    } else {
      ++beyond_;
    }
  }
  // Counts a pair found when the list is already full.
  void addBeyond() { ++beyond_; }
  bool full() const { return pairs_.size() >= static_cast<size_t>(kMaxImageEntries); }
  const std::vector<std::pair<int32_t, int32_t>>& pairs() const { return pairs_; }
  // Pictures found but not kept.
  int64_t beyond() const { return beyond_; }

 private:
  std::vector<std::pair<int32_t, int32_t>> pairs_;
  int64_t beyond_ = 0;
};

// Lists the pictures of one scan: for each pair, in order, increases
// job.iImageCount and adds its record to context.pictures, naming it
// `prefix` followed by its index in the scan. Stops when iImageCount reaches
// kMaxImageEntries; returns how many pictures were not listed for that.
int64_t ListPictures(RecoveryJobState& job, JobContext& context, const PendingPairs& pairs, PictureRecord::Kind kind,
                     std::string_view prefix, std::string_view extension);

}  // namespace kw
