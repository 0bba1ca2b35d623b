// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocxLists: the list definitions of a .docx package, from its numbering
// part (w:abstractNum levels: start, number format, level text, suffix; and
// w:num instances with their level overrides and restarts) and its styles
// part (paragraph styles that carry numbering, how headings are numbered;
// numbering styles, through which a list may take another's levels).
//
// Both parts are read tag by tag, tolerant of a cut: what comes before the
// damage is kept. The tables are capped (kMaxLists, kMaxStyles), so a
// hostile part costs linear time and bounded memory.
//
// DocxNumberer gives each numbered paragraph its number, in document order.

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/list_numbers.h"

namespace kw {

struct DocxLists {
  struct Instance {
    int32_t abstractId = -1;
    ListLevels overrides;  // a level given whole in w:lvlOverride (defined), else the abstract's
    std::array<int32_t, kListLevels> startOverride;  // kNoStart where none
  };
  struct Style {
    std::string basedOn;
    int32_t numId = -1;  // -1: not given here
    int32_t ilvl = -1;
  };
  static constexpr int32_t kNoStart = INT32_MIN;
  static constexpr size_t kMaxLists = 4096;
  static constexpr size_t kMaxStyles = 8192;

  std::unordered_map<int32_t, ListLevels> abstracts;       // by w:abstractNumId
  std::unordered_map<int32_t, Instance> instances;         // by w:numId
  std::unordered_map<std::string, Style> styles;           // paragraph styles, by w:styleId
  std::unordered_map<std::string, int32_t> styleLevels;    // a level's w:pStyle: the level it numbers
  std::unordered_map<int32_t, std::string> styleLinks;     // an abstract list's w:numStyleLink
  std::unordered_map<std::string, Style> numberingStyles;  // numbering styles, by w:styleId

  // How notes are numbered (the settings part's w:footnotePr and w:endnotePr).
  NumberFormat footnoteFormat = NumberFormat::kDecimal;
  NumberFormat endnoteFormat = NumberFormat::kLowerRoman;
  int32_t footnoteStart = 1;
  int32_t endnoteStart = 1;

  bool empty() const { return instances.empty(); }
};

// The raw value of attribute `name` ("w:val") in a tag's bytes; "" when absent.
std::string_view XmlAttribute(std::string_view raw, std::string_view name);
// The same as a decimal number; `fallback` when absent or no number.
int32_t XmlIntAttribute(std::string_view raw, std::string_view name, int32_t fallback);

// Reads word/numbering.xml (or what is left of it) into *lists.
void ReadNumberingXml(std::string_view xml, DocxLists* lists);
// Reads word/styles.xml (or what is left of it) into *lists.
void ReadStylesXml(std::string_view xml, DocxLists* lists);
// Reads the note numbering of word/settings.xml into *lists.
void ReadSettingsXml(std::string_view xml, DocxLists* lists);

class DocxNumberer {
 public:
  explicit DocxNumberer(const DocxLists& lists) : lists_(lists) {}

  // The number text, then its suffix (a TAB unless the level says a space
  // or nothing), of the next paragraph with numbering `numId` and level
  // `ilvl` (-1 where the paragraph gives none) and paragraph style `style`
  // ("" for none); "" when it has no number.
  std::string next(int32_t numId, int32_t ilvl, const std::string& style);

 private:
  const DocxLists& lists_;
  // Instances of one abstract list count on together; an instance with a
  // start override restarts the count where it is first used.
  struct Resolved {
    ListLevels levels;
    int32_t counter = 0;  // the abstract list's id, or the instance's where that is unknown
    std::array<bool, kListLevels> used{};
  };
  std::unordered_map<int32_t, ListCounter> counters_;
  std::unordered_map<int32_t, Resolved> resolved_;
};

}  // namespace kw
