// SPDX-License-Identifier: Apache-2.0
#pragma once
// RunGuard: the last judgement on a run the text scan is about to keep. Bytes
// that are no text (a filled table, a fuzzed block) can pass the scan's
// reading as language when they repeat one letter with spaces between
// ("ÿÿ ÿÿ ÿÿ ..."): such a run is mostly one symbol, or a few symbols over and
// over, and real text is neither.
//
// The run's characters are added one at a time; memory is fixed.

#include <array>
#include <cstdint>

namespace kw {

class RunGuard {
 public:
  void add(char32_t c);
  // Whether the run is mostly one symbol, or only a few symbols repeated.
  bool junk() const;

 private:
  static constexpr int kSlots = 64;  // distinct characters tracked; more are "varied"
  struct Slot {
    char32_t c = 0;
    uint32_t count = 0;
  };
  std::array<Slot, kSlots> slots_{};
  int used_ = 0;
  bool varied_ = false;  // more distinct characters than slots
  uint32_t marks_ = 0;   // characters other than spaces
};

}  // namespace kw
