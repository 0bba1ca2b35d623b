// SPDX-License-Identifier: Apache-2.0
#pragma once
// List numbers: how a numbered or bulleted paragraph's number is written,
// for both Word formats. A list has up to nine levels; each level has a
// number format, a start value and a pattern, the text before the paragraph
// ("%1.%2)" in .docx, a string with level marks in .doc) in which the bytes
// 0x01-0x09 stand for the current numbers of levels 0-8.
//
// ListCounter counts one list: a paragraph at level L advances L's number
// and restarts the deeper levels (those whose restartLimit is above L), as
// a reader of the document sees it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kw {

enum class NumberFormat : uint8_t {
  kDecimal,
  kUpperRoman,
  kLowerRoman,
  kUpperLetter,
  kLowerLetter,
  kOrdinal,      // 1st, 2nd, 3rd
  kDecimalZero,  // 01, 02, ... 10
  kBullet,       // the pattern is the bullet itself
  kNone,         // no number
};

constexpr int kListLevels = 9;
constexpr size_t kMaxNumberText = 80;

struct ListLevel {
  bool defined = false;
  NumberFormat format = NumberFormat::kDecimal;
  int32_t start = 1;
  std::string pattern;  // UTF-8, with level marks 0x01-0x09
  char follow = '\t';   // what follows the number: TAB, space, or 0 for nothing
  bool legal = false;   // every number in the pattern written in decimal ("2.1", not "II.A")
  // The level starts again after a paragraph at a level above it and above
  // this one (0-based): every level above by default, none when 0.
  int restartLimit = kListLevels;
};

using ListLevels = std::array<ListLevel, kListLevels>;

// `value` written in `format` ("iv", "AA", "3rd", "07"); "" for kBullet and kNone.
std::string FormatListNumber(int64_t value, NumberFormat format);

// The character a reader sees for a bullet stored as a symbol font's
// private-use code (U+F0B7 is "•"), else `c` itself.
char32_t BulletChar(char32_t c);

class ListCounter {
 public:
  // The number text of the next paragraph at `level` (0-8) of a list with
  // `levels`: its level's pattern with every level mark replaced by that
  // level's number; "" when the level is not defined. A hostile pattern
  // stops growing it past kMaxNumberText bytes.
  std::string next(const ListLevels& levels, int level);
  // The next paragraph at `level` starts that level again at its start value.
  void restart(int level) {
    if (level >= 0 && level < kListLevels) started_[level] = false;
  }

 private:
  std::array<int64_t, kListLevels> value_{};
  std::array<bool, kListLevels> started_{};
};

}  // namespace kw
