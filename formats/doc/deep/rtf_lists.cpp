// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/rtf_lists.h"

#include <algorithm>

#include "base/cp1252.h"
#include "formats/doc/deep/doc_numbers.h"
#include "formats/doc/deep/word_text.h"

namespace kw {

namespace {

int32_t Clamp32(long v) { return static_cast<int32_t>(std::clamp(v, -1000000L, 1000000L)); }

}  // namespace

void RtfLists::control(Table table, std::string_view word, bool hasParam, long param) {
  const long value = hasParam ? param : 0;
  if (table == Table::kOverrides) {
    if (word == "listoverride") {
      if (overrides_.size() < kMaxLists) overrides_.emplace_back();
      return;
    }
    if (overrides_.empty()) return;
    Override& o = overrides_.back();
    if (word == "listid") {
      o.listId = value;
    } else if (word == "ls") {
      overrideByLs_.emplace(value, overrides_.size() - 1);
    } else if (word == "lfolevel") {
      o.level = std::min(o.level + 1, kListLevels);
    } else if (word == "levelstartat" && o.level >= 0 && o.level < kListLevels) {
      o.restart[size_t(o.level)] = true;
      o.start[size_t(o.level)] = Clamp32(value);
    }
    return;
  }
  if (word == "list") {
    if (lists_.size() < kMaxLists) lists_.emplace_back();
    return;
  }
  if (lists_.empty()) return;
  List& l = lists_.back();
  if (word == "listid") {
    listById_.emplace(value, lists_.size() - 1);
    return;
  }
  if (word == "listlevel") {
    l.level = std::min(l.level + 1, kListLevels);
    if (l.level < kListLevels) l.levels[size_t(l.level)].defined = true;
    return;
  }
  if (l.level < 0 || l.level >= kListLevels) return;
  ListLevel& level = l.levels[size_t(l.level)];
  if (word == "levelnfc" || word == "levelnfcn") {
    level.format = NumberFormatOfCode(value);
  } else if (word == "levelstartat") {
    level.start = Clamp32(value);
  } else if (word == "levelfollow") {
    level.follow = value == 0 ? '\t' : value == 1 ? ' ' : '\0';
  } else if (word == "levellegal") {
    level.legal = !hasParam || param != 0;
  } else if (word == "leveltext") {
    level.pattern.clear();
    textLeft_ = -1;
  }
}

void RtfLists::levelTextChar(char32_t c) {
  if (lists_.empty() || textLeft_ == 0) return;
  List& l = lists_.back();
  if (l.level < 0 || l.level >= kListLevels) return;
  if (textLeft_ < 0) {  // the first character is the pattern's length
    textLeft_ = std::min<long>(c, kMaxPattern);
    return;
  }
  --textLeft_;
  ListLevel& level = l.levels[size_t(l.level)];
  if (c < char32_t(kListLevels)) {
    level.pattern.push_back(static_cast<char>(c + 1));  // a level's number
  } else if (IsTextCharacter(c)) {
    AppendUtf8(level.pattern, level.format == NumberFormat::kBullet ? BulletChar(c) : c);
  }
}

std::string RtfLists::next(long ls, long ilvl) {
  const auto o = overrideByLs_.find(ls);
  if (o == overrideByLs_.end() || ilvl < 0 || ilvl >= kListLevels) return "";
  Override& over = overrides_[o->second];
  const auto l = listById_.find(over.listId);
  if (l == listById_.end()) return "";
  ListLevels levels = lists_[l->second].levels;
  const auto k = size_t(ilvl);
  for (size_t i = 0; i < size_t(kListLevels); ++i) {
    if (over.restart[i]) levels[i].start = over.start[i];
  }
  ListCounter& counter = counters_[over.listId];
  if (over.restart[k] && !over.used[k]) counter.restart(int(ilvl));
  over.used[k] = true;
  std::string number = counter.next(levels, int(ilvl));
  if (!number.empty() && levels[k].follow != '\0') number.push_back(levels[k].follow);
  return number;
}

}  // namespace kw
