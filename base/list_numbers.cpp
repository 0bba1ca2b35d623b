// SPDX-License-Identifier: Apache-2.0
#include "base/list_numbers.h"

namespace kw {

namespace {

std::string Roman(int64_t value, bool upper) {
  static const struct {
    int value;
    const char* digits;
  } kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                 {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
  std::string out;
  for (const auto& d : kDigits) {
    for (; value >= d.value; value -= d.value) out += d.digits;
  }
  if (upper) {
    for (char& c : out) c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// a..z, then aa..zz, aaa..: the letter repeated once per round of the alphabet.
std::string Letters(int64_t value, bool upper) {
  const int64_t round = (value - 1) / 26;
  return std::string(static_cast<size_t>(round + 1), static_cast<char>((upper ? 'A' : 'a') + (value - 1) % 26));
}

const char* OrdinalSuffix(int64_t value) {
  if (value % 100 >= 11 && value % 100 <= 13) return "th";
  switch (value % 10) {
    case 1: return "st";
    case 2: return "nd";
    case 3: return "rd";
    default: return "th";
  }
}

}  // namespace

std::string FormatListNumber(int64_t value, NumberFormat format) {
  // Values a reader never sees written another way: past the formats' ranges, decimal.
  const bool small = value >= 1 && value < 4000;
  switch (format) {
    case NumberFormat::kBullet:
    case NumberFormat::kNone: return "";
    case NumberFormat::kUpperRoman:
    case NumberFormat::kLowerRoman:
      if (small) return Roman(value, format == NumberFormat::kUpperRoman);
      break;
    case NumberFormat::kUpperLetter:
    case NumberFormat::kLowerLetter:
      if (value >= 1 && value <= 780) return Letters(value, format == NumberFormat::kUpperLetter);
      break;
    case NumberFormat::kOrdinal:
      if (value >= 0) return std::to_string(value) + OrdinalSuffix(value);
      break;
    case NumberFormat::kDecimalZero:
      if (value >= 0 && value < 10) return "0" + std::to_string(value);
      break;
    case NumberFormat::kDecimal: break;
  }
  return std::to_string(value);
}

char32_t BulletChar(char32_t c) {
  if (c < 0xF000 || c > 0xF0FF) return c == 0xB7 ? 0x2022 : c;
  switch (c - 0xF000) {
    case 0xA7: return 0x25AA;  // a small square
    case 0xD8: return 0x27A2;  // an arrowhead
    case 0xFC: return 0x2713;  // a check mark
    case 0x76: return 0x2756;  // a diamond of four
    case 0x6E: return 0x25A0;  // a square
    case 0x6F: return 0x25A1;  // an empty square
    default: return 0x2022;    // the round bullet, also for the commonest, U+F0B7
  }
}

std::string ListCounter::next(const ListLevels& levels, int level) {
  if (level < 0 || level >= kListLevels || !levels[level].defined) return "";
  const auto startOf = [&](int k) { return int64_t{levels[k].start}; };
  value_[level] = started_[level] ? value_[level] + 1 : startOf(level);
  started_[level] = true;
  for (int k = level + 1; k < kListLevels; ++k) {
    if (level < levels[k].restartLimit) started_[k] = false;
  }
  std::string out;
  for (const char c : levels[level].pattern) {
    if (out.size() >= kMaxNumberText) break;
    if (c < 1 || c > kListLevels) {
      out.push_back(c);
      continue;
    }
    const int k = c - 1;
    if (k > level) continue;  // a deeper level has no number yet
    const bool decimal = !levels[k].defined || levels[level].legal;
    out += FormatListNumber(started_[k] ? value_[k] : startOf(k), decimal ? NumberFormat::kDecimal : levels[k].format);
  }
  return out;
}

}  // namespace kw
