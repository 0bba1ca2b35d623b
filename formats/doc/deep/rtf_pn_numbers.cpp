// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/rtf_pn_numbers.h"

#include <algorithm>

#include "base/cp1252.h"

namespace kw {

void RtfPnNumbers::control(std::string_view word, bool hasParam, long param) {
  static constexpr std::pair<std::string_view, NumberFormat> kFormats[] = {
      {"pndec", NumberFormat::kDecimal},       {"pnucrm", NumberFormat::kUpperRoman},
      {"pnlcrm", NumberFormat::kLowerRoman},   {"pnucltr", NumberFormat::kUpperLetter},
      {"pnlcltr", NumberFormat::kLowerLetter}, {"pnord", NumberFormat::kOrdinal}};
  for (const auto& [name, format] : kFormats) {
    if (word == name) reading_.format = format;
  }
  if (word == "pnlvl" && hasParam && param >= 1 && param <= kListLevels) readingKind_ = int(param);
  if (word == "pnlvlbody") readingKind_ = kBody;
  if (word == "pnlvlblt") readingKind_ = kBullet;
  if (word == "pnlvlcont") readingKind_ = kContinue;
  if (word == "pnprev") reading_.prev = !hasParam || param != 0;
  if (word == "pnstart" && hasParam) reading_.start = int32_t(std::clamp(param, -32768L, 32767L));
}

void RtfPnNumbers::textChar(bool before, char32_t c) {
  std::u32string& text = before ? reading_.before : reading_.after;
  if (text.size() < kMaxText) text.push_back(c);
}

int RtfPnNumbers::end() {
  if (readingKind_ != kNone && readingKind_ != kContinue) kinds_[size_t(readingKind_)] = reading_;
  return readingKind_;
}

std::string RtfPnNumbers::next(int kind) {
  if (kind == kContinue) return "";  // in the run, without a number
  if (kind <= kNone || kind > kBullet) {
    inList_ = false;
    return "";
  }
  const bool outline = kind <= kListLevels;
  const int level = outline ? kind - 1 : 0;
  if (!outline && !inList_) list_ = ListCounter();
  inList_ = !outline;
  const Description& d = kinds_[size_t(kind)];
  ListLevels levels;
  ListLevel& l = levels[size_t(level)];
  l.defined = true;
  l.format = kind == kBullet ? NumberFormat::kBullet : d.format;
  l.start = d.start;
  // A bullet is mostly a symbol font's character.
  const auto put = [&](const std::u32string& text) {
    for (const char32_t c : text) {
      AppendUtf8(l.pattern, kind == kBullet && c >= 0x80 && c < 0x100 ? BulletChar(0xF000 | c) : c);
    }
  };
  put(d.before);
  if (kind != kBullet) {
    for (int k = 0; outline && d.prev && k < level; ++k) {
      l.pattern.push_back(char(k + 1));
      l.pattern.push_back('.');
    }
    l.pattern.push_back(char(level + 1));
  }
  put(d.after);
  std::string number = (outline ? outline_ : list_).next(levels, level);
  if (!number.empty()) number.push_back('\t');
  return number;
}

}  // namespace kw
