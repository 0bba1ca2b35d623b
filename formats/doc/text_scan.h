// SPDX-License-Identifier: Apache-2.0
#pragma once
// ScanForText: finds the text in bytes whose structure is lost (a main stream
// whose piece table is gone, or a whole file that is no container at all).
//
// It looks for runs of UTF-16LE characters (at even offsets) and, in what is
// left, runs of 8-bit characters in the given code page, and keeps a run only
// when it reads as language: enough letters, one script at a time (binary
// tables read as UTF-16 jump between scripts), vowels in Latin text, spaces
// in long runs. Kept runs go through WordTextWriter, in file order, each
// ending a line. The scan ticks `clock` (may be null) and stops when it is
// stopped, keeping what it found.
//
// The bytes are read a block at a time, a kept run's twice (once to judge
// it, once to write it): the scan keeps no copy of them, so that bytes left
// in the file (a ByteReader over a stream) cost no memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "formats/doc/code_page.h"

namespace kw {

class YieldClock;

struct ScanResult {
  size_t runs = 0;   // runs kept
  size_t bytes = 0;  // bytes they cover
};

// Gives [offset, offset + length) of the bytes scanned, good until the next call.
using ByteReader = std::function<const uint8_t*(size_t offset, size_t length)>;

ScanResult ScanForText(const ByteReader& read, size_t size, CodePage page, YieldClock* clock, std::string* out);
ScanResult ScanForText(const uint8_t* data, size_t size, CodePage page, YieldClock* clock, std::string* out);

}  // namespace kw
