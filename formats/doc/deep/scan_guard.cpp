// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/scan_guard.h"

namespace kw {

namespace {

constexpr uint32_t kLeastJudged = 8;     // shorter runs are left to the scan's own reading
constexpr uint32_t kFewSymbols = 3;      // this many distinct symbols at most ...
constexpr uint32_t kFewSymbolsRun = 12;  // ... over a run this long is a pattern, not text

bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == 0xA0 || c == 0x3000; }

}  // namespace

void RunGuard::add(char32_t c) {
  if (IsSpace(c)) return;
  ++marks_;
  for (int k = 0; k < used_; ++k) {
    if (slots_[k].c == c) {
      ++slots_[k].count;
      return;
    }
  }
  if (used_ == kSlots) {
    varied_ = true;
    return;
  }
  slots_[used_++] = Slot{c, 1};
}

bool RunGuard::junk() const {
  if (marks_ < kLeastJudged) return false;
  uint32_t most = 0;
  for (int k = 0; k < used_; ++k) most = slots_[k].count > most ? slots_[k].count : most;
  if (most * 2 > marks_) return true;
  return !varied_ && uint32_t(used_) <= kFewSymbols && marks_ >= kFewSymbolsRun;
}

}  // namespace kw
