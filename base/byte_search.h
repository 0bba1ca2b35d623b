// SPDX-License-Identifier: Apache-2.0
#pragma once
// Byte search, marker bytes and temporary working files.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kw {

class YieldClock;

// FindInFile finds `pattern` in the file at `path`, searching forward from
// the 1-based position `start`. It returns one more than the position of the
// first byte of the first occurrence that begins at or after `start`, or -1
// when there is none or the file cannot be opened or read. On return `start`
// holds the position at which the last 20,000-byte block read began (blocks
// overlap by the pattern's length, so a match that spans two blocks is found
// in the second). The file is read in large buffers; the block positions
// reported are those of the 20,000-byte stepping. Ticks `clock` (when
// given) between buffers, so a long search keeps the window responsive.
int32_t FindInFile(const std::string& path, std::string_view pattern, int32_t& start, YieldClock* clock = nullptr);

constexpr int32_t kSearchBlock = 20000;

// The value of the hexadecimal digits of `text`, every character weighing as
// a place ("&HFF" gives 255; "FF&" gives 4080).
int32_t HexToLong(std::string_view text);

// A marker: each text ("&HFF") converted with HexToLong and taken as a byte.
std::string MarkerBytes(std::initializer_list<std::string_view> hexTexts);

// Creates a new empty file in the user's temporary folder (TMPDIR, else
// /tmp) whose name begins with `prefix` (its first three letters) and ends in
// ".tmp": exclusive create, mode 0600, never through a link. Returns its full
// path, or empty text when no file could be made (TMPDIR missing or not
// writable, a prefix holding "/").
std::string GetTempFile(std::string_view prefix);

}  // namespace kw
