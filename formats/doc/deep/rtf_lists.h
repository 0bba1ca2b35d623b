// SPDX-License-Identifier: Apache-2.0
#pragma once
// RtfLists: the list numbers of an RTF document, for the paragraphs whose
// number the writer left out of {\listtext} (some writers leave it blank).
// The list table ({\listtable}: each {\list} a \listid and up to nine
// {\listlevel} with \levelnfc, \levelstartat, \levelfollow, \levellegal and
// {\leveltext}, its length first, then the pattern with the levels' numbers
// as characters 0-8) and the override table ({\listoverridetable}: each
// {\listoverride} a \listid, its \ls and {\lfolevel} start overrides) are
// taken as the reader passes them; a paragraph with \lsN\ilvlM then gets its
// number. Overrides of one list count on together. Tables past their caps
// and unknown \ls numbers give no number; the text is never touched.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/list_numbers.h"

namespace kw {

class RtfLists {
 public:
  enum class Table : unsigned char { kLists, kOverrides };
  // A control word met inside one of the tables.
  void control(Table table, std::string_view word, bool hasParam, long param);
  // A character of a {\leveltext} group of the list table, control
  // characters (the level marks) included.
  void levelTextChar(char32_t c);
  // The number of the next paragraph of list override `ls` at level
  // `ilvl`, with what follows it (a TAB by default); "" when it has none.
  std::string next(long ls, long ilvl);

 private:
  static constexpr size_t kMaxLists = 4096;
  static constexpr size_t kMaxPattern = 64;  // characters of a {\leveltext}
  struct List {
    ListLevels levels;
    int level = -1;  // the {\listlevel} being read
  };
  struct Override {
    long listId = 0;
    std::array<int32_t, kListLevels> start{};
    std::array<bool, kListLevels> restart{}, used{};
    int level = -1;  // the {\lfolevel} being read
  };

  std::vector<List> lists_;
  long textLeft_ = 0;  // characters of the {\leveltext} still to come; -1 before its length
  std::unordered_map<long, size_t> listById_;
  std::vector<Override> overrides_;
  std::unordered_map<long, size_t> overrideByLs_;
  std::unordered_map<long, ListCounter> counters_;  // by list id
};

}  // namespace kw
