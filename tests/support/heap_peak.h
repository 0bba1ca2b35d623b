// SPDX-License-Identifier: Apache-2.0
#pragma once
// HeapPeak: the most heap memory a test program held at once, counted by
// its own operator new and delete (heap_peak.cpp, linked into the programs
// that use it), so that a test can hold a reader to its memory bound on a
// hostile input without timing anything.

#include <cstdint>

namespace kw::test {

class HeapPeak {
 public:
  // Starts counting from the memory in use now.
  HeapPeak();
  // The most memory in use since then, above what was in use at the start.
  int64_t bytes() const;

 private:
  int64_t base_;
};

}  // namespace kw::test
