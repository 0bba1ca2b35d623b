// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/numbering_xml.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "base/cp1252.h"
#include "base/utf8_sequence.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {

namespace {

constexpr size_t kMaxPattern = 64;  // bytes of a level's text kept
constexpr int kMaxStyleChain = 16;  // w:basedOn links followed

// One tag of a part: its element name, whether it closes, and its bytes.
struct XmlTag {
  std::string_view name;
  std::string_view raw;
  bool closing = false;
  bool empty = false;
};

// Calls `visit` for each whole tag of `xml`, in order; a cut tag ends it.
template <typename Visit>
void ForEachTag(std::string_view xml, Visit visit) {
  size_t at = 0;
  while (true) {
    const size_t open = xml.find('<', at);
    if (open == std::string_view::npos) return;
    const size_t close = xml.find('>', open);
    if (close == std::string_view::npos) return;
    XmlTag t;
    t.raw = xml.substr(open, close - open + 1);
    size_t i = open + 1;
    if (i < close && xml[i] == '/') {
      t.closing = true;
      ++i;
    }
    size_t end = i;
    while (end < close && std::strchr(" /\t\r\n", xml[end]) == nullptr) ++end;
    t.name = xml.substr(i, end - i);
    t.empty = close > open && xml[close - 1] == '/';
    visit(t);
    at = close + 1;
  }
}

NumberFormat FormatByName(std::string_view name) {
  static const struct {
    const char* name;
    NumberFormat format;
  } kNames[] = {{"decimal", NumberFormat::kDecimal},
                {"upperRoman", NumberFormat::kUpperRoman},
                {"lowerRoman", NumberFormat::kLowerRoman},
                {"upperLetter", NumberFormat::kUpperLetter},
                {"lowerLetter", NumberFormat::kLowerLetter},
                {"ordinal", NumberFormat::kOrdinal},
                {"decimalZero", NumberFormat::kDecimalZero},
                {"bullet", NumberFormat::kBullet},
                {"none", NumberFormat::kNone}};
  for (const auto& n : kNames) {
    if (name == n.name) return n.format;
  }
  return NumberFormat::kDecimal;  // the formats of other scripts: their digits, written as decimal
}

// "%1.%2)" with "%n" as level mark n-1; a bullet's symbol-font code as the bullet a reader sees.
std::string LevelPattern(std::string_view raw, bool bullet) {
  std::string decoded;
  AppendXmlText(raw.substr(0, kMaxPattern), &decoded);
  std::string pattern;
  // Whole characters only: dropping a control character must not join the
  // bytes around it into another.
  for (size_t i = 0; i < decoded.size();) {
    const std::string_view rest = std::string_view(decoded).substr(i);
    if (rest[0] == '%' && rest.size() > 1 && rest[1] >= '1' && rest[1] <= '9') {
      pattern.push_back(static_cast<char>(rest[1] - '0'));
      i += 2;
      continue;
    }
    const size_t n = Utf8SequenceLength(rest);
    if (n == 0) {
      ++i;
      continue;
    }
    const auto b = [&](size_t k) { return static_cast<uint8_t>(rest[k]); };
    const bool control = (b(0) < 0x20 && b(0) != '\t') || b(0) == 0x7F || (b(0) == 0xC2 && b(1) < 0xA0);
    const bool notCharacter = b(0) == 0xEF && b(1) == 0xBF && b(2) >= 0xBE;  // U+FFFE, U+FFFF
    if (!control && !notCharacter) pattern.append(rest.substr(0, n));
    i += n;
  }
  if (!bullet) return pattern;
  // U+F000-U+F0FF are EF 80-83 xx in UTF-8.
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const auto b = [&](size_t k) { return static_cast<uint8_t>(pattern[k]); };
    if (b(i) == 0xEF && i + 2 < pattern.size() && (b(i + 1) & 0xFC) == 0x80) {
      AppendUtf8(out, BulletChar(0xF000 + ((b(i + 1) & 0x03) << 6) + (b(i + 2) & 0x3F)));
      i += 2;
    } else if (b(i) == 0xC2 && i + 1 < pattern.size() && b(i + 1) == 0xB7) {
      AppendUtf8(out, BulletChar(0xB7));
      ++i;
    } else {
      out.push_back(pattern[i]);
    }
  }
  return out;
}

}  // namespace

void ReadNumberingXml(std::string_view xml, DocxLists* lists) {
  ListLevels* levels = nullptr;  // the abstractNum or override being read
  int32_t abstractId = -1;
  DocxLists::Instance* instance = nullptr;
  ListLevel* level = nullptr;
  int32_t levelIndex = 0;  // of `level`
  int overrideLevel = -1;
  std::string_view text;  // the level's w:lvlText, read once its format is known
  bool haveText = false;
  ForEachTag(xml, [&](const XmlTag& t) {
    const std::string_view n = t.name;
    if (t.closing) {
      if (n == "w:lvl" && level != nullptr) {
        level->pattern = haveText ? LevelPattern(text, level->format == NumberFormat::kBullet) : std::string();
        level = nullptr;
      } else if (n == "w:abstractNum") {
        levels = nullptr;
      } else if (n == "w:num") {
        instance = nullptr;
      } else if (n == "w:lvlOverride") {
        overrideLevel = -1;
      }
      return;
    }
    if (n == "w:abstractNum") {
      const int32_t id = XmlIntAttribute(t.raw, "w:abstractNumId", -1);
      abstractId = id;
      levels = nullptr;
      instance = nullptr;  // an instance left open by damage ends here
      if (id >= 0 && (lists->abstracts.size() < DocxLists::kMaxLists || lists->abstracts.count(id) > 0)) {
        levels = &lists->abstracts[id];
      }
    } else if (n == "w:num") {
      const int32_t id = XmlIntAttribute(t.raw, "w:numId", -1);
      instance = nullptr;
      levels = nullptr;  // an abstract list left open by damage ends here
      if (id > 0 && (lists->instances.size() < DocxLists::kMaxLists || lists->instances.count(id) > 0)) {
        instance = &lists->instances[id];
        instance->startOverride.fill(DocxLists::kNoStart);
      }
    } else if (n == "w:numStyleLink" && levels != nullptr && lists->styleLinks.size() < DocxLists::kMaxLists) {
      lists->styleLinks[abstractId] = std::string(XmlAttribute(t.raw, "w:val"));
    } else if (n == "w:abstractNumId" && instance != nullptr) {
      instance->abstractId = XmlIntAttribute(t.raw, "w:val", -1);
    } else if (n == "w:lvlOverride" && instance != nullptr) {
      overrideLevel = XmlIntAttribute(t.raw, "w:ilvl", -1);
      if (overrideLevel >= kListLevels) overrideLevel = -1;
    } else if (n == "w:startOverride" && instance != nullptr && overrideLevel >= 0) {
      instance->startOverride[overrideLevel] = XmlIntAttribute(t.raw, "w:val", 0);
    } else if (n == "w:lvl") {
      const int32_t k = XmlIntAttribute(t.raw, "w:ilvl", -1);
      ListLevels* owner = instance != nullptr ? (overrideLevel >= 0 ? &instance->overrides : nullptr) : levels;
      level = owner != nullptr && k >= 0 && k < kListLevels ? &(*owner)[k] : nullptr;
      levelIndex = k;
      if (level != nullptr) {
        *level = ListLevel();
        level->defined = true;
        haveText = false;
      }
    } else if (level != nullptr) {
      if (n == "w:start") {
        level->start = XmlIntAttribute(t.raw, "w:val", 1);
      } else if (n == "w:numFmt") {
        level->format = FormatByName(XmlAttribute(t.raw, "w:val"));
      } else if (n == "w:lvlText") {
        text = XmlAttribute(t.raw, "w:val");
        haveText = true;
      } else if (n == "w:lvlRestart") {  // 1-based: restart after that level or one above it; 0 never
        level->restartLimit = std::clamp(XmlIntAttribute(t.raw, "w:val", kListLevels), 0, int32_t{kListLevels});
      } else if (n == "w:isLgl") {
        const std::string_view v = XmlAttribute(t.raw, "w:val");
        level->legal = v.empty() || v == "1" || v == "true" || v == "on";
      } else if (n == "w:suff") {
        const std::string_view v = XmlAttribute(t.raw, "w:val");
        level->follow = v == "space" ? ' ' : v == "nothing" ? '\0' : '\t';
      } else if (n == "w:pStyle" && levels != nullptr && lists->styleLevels.size() < DocxLists::kMaxStyles) {
        lists->styleLevels[std::string(XmlAttribute(t.raw, "w:val"))] = levelIndex;
      }
    }
  });
}

void ReadStylesXml(std::string_view xml, DocxLists* lists) {
  DocxLists::Style* style = nullptr;
  bool inParagraph = false;  // in the style's w:pPr
  ForEachTag(xml, [&](const XmlTag& t) {
    const std::string_view n = t.name;
    if (t.closing) {
      if (n == "w:style") style = nullptr;
      if (n == "w:pPr") inParagraph = false;
      return;
    }
    if (n == "w:style") {
      style = nullptr;
      inParagraph = false;
      const std::string_view type = XmlAttribute(t.raw, "w:type");
      if ((type != "paragraph" && type != "numbering") || lists->styles.size() >= DocxLists::kMaxStyles ||
          lists->numberingStyles.size() >= DocxLists::kMaxStyles) {
        return;
      }
      // Numbering styles (what a list linked to a style numbers by) are kept apart.
      const std::string id(XmlAttribute(t.raw, "w:styleId"));
      style = type == "paragraph" ? &lists->styles[id] : &lists->numberingStyles[id];
    } else if (style == nullptr) {
      return;
    } else if (n == "w:basedOn") {
      style->basedOn = std::string(XmlAttribute(t.raw, "w:val"));
    } else if (n == "w:pPr") {
      inParagraph = !t.empty;
    } else if (inParagraph && n == "w:numId") {
      style->numId = XmlIntAttribute(t.raw, "w:val", -1);
    } else if (inParagraph && n == "w:ilvl") {
      style->ilvl = XmlIntAttribute(t.raw, "w:val", -1);
    }
  });
}

// The raw value of attribute `name` ("w:val") in a tag; "" when absent.
void ReadSettingsXml(std::string_view xml, DocxLists* lists) {
  int kind = 0;  // 1 in w:footnotePr, 2 in w:endnotePr
  ForEachTag(xml, [&](const XmlTag& t) {
    const std::string_view n = t.name;
    if (n == "w:footnotePr" || n == "w:endnotePr") {
      kind = t.closing || t.empty ? 0 : n == "w:footnotePr" ? 1 : 2;
    } else if (kind != 0 && !t.closing && n == "w:numFmt") {
      (kind == 1 ? lists->footnoteFormat : lists->endnoteFormat) = FormatByName(XmlAttribute(t.raw, "w:val"));
    } else if (kind != 0 && !t.closing && n == "w:numStart") {
      (kind == 1 ? lists->footnoteStart : lists->endnoteStart) = XmlIntAttribute(t.raw, "w:val", 1);
    }
  });
}

std::string_view XmlAttribute(std::string_view raw, std::string_view name) {
  size_t at = 0;
  while ((at = raw.find(name, at)) != std::string_view::npos) {
    const size_t eq = at + name.size();
    if (at > 0 && std::strchr(" \t\r\n", raw[at - 1]) != nullptr && eq + 1 < raw.size() && raw[eq] == '=' &&
        (raw[eq + 1] == '"' || raw[eq + 1] == '\'')) {
      const size_t close = raw.find(raw[eq + 1], eq + 2);
      if (close == std::string_view::npos) return {};
      return raw.substr(eq + 2, close - eq - 2);
    }
    at = eq;
  }
  return {};
}

// A decimal attribute; `fallback` when absent or no number.
int32_t XmlIntAttribute(std::string_view raw, std::string_view name, int32_t fallback) {
  const std::string_view value = XmlAttribute(raw, name);
  int64_t v = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), v);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || v < -1000000000 ||
      v > 1000000000) {
    return fallback;
  }
  return static_cast<int32_t>(v);
}

std::string DocxNumberer::next(int32_t numId, int32_t ilvl, const std::string& style) {
  if (lists_.instances.empty() || numId == 0) return "";
  // The style and those it is based on give what the paragraph does not.
  auto s = numId > 0 && ilvl >= 0 ? lists_.styles.end() : lists_.styles.find(style);
  for (int depth = 0; s != lists_.styles.end() && depth < kMaxStyleChain && (numId < 0 || ilvl < 0); ++depth) {
    if (numId < 0) numId = s->second.numId;
    if (ilvl < 0) ilvl = s->second.ilvl;
    s = lists_.styles.find(s->second.basedOn);
  }
  if (numId <= 0) return "";
  if (ilvl < 0) {
    const auto linked = lists_.styleLevels.find(style);
    ilvl = linked != lists_.styleLevels.end() ? linked->second : 0;
  }
  if (ilvl < 0 || ilvl >= kListLevels) return "";
  const auto instance = lists_.instances.find(numId);
  if (instance == lists_.instances.end()) return "";
  auto resolved = resolved_.find(numId);
  if (resolved == resolved_.end()) {
    const DocxLists::Instance& in = instance->second;
    Resolved r;
    auto abstract = lists_.abstracts.find(in.abstractId);
    // A list defined by a numbering style: the levels of the list that style numbers by.
    const auto link = lists_.styleLinks.find(in.abstractId);
    if (link != lists_.styleLinks.end()) {
      const auto style = lists_.numberingStyles.find(link->second);
      const auto target =
          style == lists_.numberingStyles.end() ? lists_.instances.end() : lists_.instances.find(style->second.numId);
      if (target != lists_.instances.end() && lists_.abstracts.count(target->second.abstractId) > 0) {
        abstract = lists_.abstracts.find(target->second.abstractId);
      }
    }
    if (abstract != lists_.abstracts.end()) r.levels = abstract->second;
    r.counter = abstract != lists_.abstracts.end() ? abstract->first : -1 - numId;
    for (int k = 0; k < kListLevels; ++k) {
      if (in.overrides[k].defined) r.levels[k] = in.overrides[k];
      if (in.startOverride[k] != DocxLists::kNoStart) r.levels[k].start = in.startOverride[k];
    }
    resolved = resolved_.emplace(numId, std::move(r)).first;
  }
  Resolved& r = resolved->second;
  ListCounter& counter = counters_[r.counter];
  if (!r.used[ilvl] && instance->second.startOverride[ilvl] != DocxLists::kNoStart) counter.restart(ilvl);
  r.used[ilvl] = true;
  std::string number = counter.next(r.levels, ilvl);
  if (!number.empty() && r.levels[ilvl].follow != '\0') number.push_back(r.levels[ilvl].follow);
  return number;
}

}  // namespace kw
