#pragma once
// The carved-image table: the picture list LstPicture, whose entry texts are
// the records, and the listing step that fills it after each carver's scan.
//
// An entry text reads "  Image #" n "  >     " sMark "|" eMark "|" ImgName
// "|" ImgExt, for instance "  Image #3  >     512|980|Grid0|png": n counts
// the pictures of the whole job (iImageCount), sMark and eMark are the
// 1-based positions of the picture's first and last byte in the source file,
// ImgName is the carver's prefix ("GridJ", "Grid") followed by the picture's
// index among that carver's finds, from 0.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/job_host.h"
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

struct ImageEntry {
  std::string sMark, eMark, ImgName, ImgExt;
};

// The entry text of picture n.
std::string ImageEntryText(int32_t n, int32_t sMark, int32_t eMark, std::string_view ImgName, std::string_view ImgExt);

// How the preview reads an entry: the text after the first ">" up to a second
// ">" (if any), trimmed of spaces, split at "|", the first four pieces in the
// order sMark, eMark, ImgName, ImgExt. False when fewer than four are there.
bool ParseImageEntry(std::string_view entryText, ImageEntry* entry);

// Lists the pictures of one scan: for each pair, in order, increases
// job.iImageCount and adds its entry through host.addPictureEntry, naming it
// `prefix` followed by its index in the scan. Stops when iImageCount reaches
// kMaxImageEntries; returns how many pictures were not listed for that.
int64_t ListPictures(RecoveryJobState& job, WizardView& host, const PendingPairs& pairs, std::string_view prefix,
                     std::string_view extension);

}  // namespace kw
