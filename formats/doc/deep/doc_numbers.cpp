// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/doc_numbers.h"

#include <algorithm>
#include <array>

#include "base/cp1252.h"
#include "base/list_numbers.h"
#include "formats/doc/deep/piece_table.h"
#include "formats/doc/deep/stream_source.h"
#include "formats/doc/deep/word6_numbers.h"
#include "formats/doc/deep/word_text.h"

namespace kw {

namespace {

constexpr size_t kMaxTable = size_t{8} << 20;   // bytes of one table read
constexpr size_t kMaxLevels = size_t{4} << 20;  // bytes of list levels read after the list table
// Numbered paragraphs (16 bytes each) kept at most: a real document has far fewer.
constexpr size_t kMaxParagraphs = TextInserts::kMaxInserts;
constexpr size_t kMaxLists = 4096;
constexpr size_t kMaxStyles = 4096;
constexpr size_t kMaxPieces = size_t{1} << 16;  // a fast-saved file with more: no list numbers
constexpr int kMaxStyleChain = 16;
constexpr size_t kMaxPattern = 64;  // characters of a level's text kept
constexpr size_t kPage = 512;       // a formatted disk page (FKP)

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

}  // namespace

std::vector<uint8_t> ReadRange(StreamSource& s, uint32_t fc, uint32_t lcb, size_t tail) {
  std::vector<uint8_t> out;
  if (lcb == 0 || lcb > kMaxTable || int64_t{fc} + lcb > s.size()) return out;
  lcb = uint32_t(std::min<int64_t>(s.size() - fc, int64_t{lcb} + int64_t(tail)));
  if (s.inHole(fc, int64_t{fc} + lcb)) return out;
  out.resize(lcb);
  for (size_t at = 0; at < lcb;) {
    const size_t n = std::min<size_t>(lcb - at, size_t{1} << 20);
    std::copy_n(s.view(fc + int64_t(at), n), n, out.begin() + int64_t(at));
    at += n;
  }
  return out;
}

namespace {

// A paragraph's list (1-based override index) and level, where given.
struct ListRef {
  int32_t ilfo = -1;
  int32_t ilvl = -1;
};

// Reads the list properties among a property list's sprms (sprmPIlvl,
// sprmPIlfo); stops where an operand runs past the end.
void ScanSprms(const uint8_t* p, size_t n, ListRef* ref) {
  size_t i = 0;
  while (i + 2 <= n) {
    const uint16_t sprm = U16(p + i);
    i += 2;
    size_t len = 0;
    switch (sprm >> 13) {
      case 0:
      case 1: len = 1; break;
      case 2:
      case 4:
      case 5: len = 2; break;
      case 3: len = 4; break;
      case 7: len = 3; break;
      default:                 // 6: variable, after its length
        if (sprm == 0xD608) {  // a table definition: a 16-bit length
          if (i + 2 > n) return;
          len = size_t{U16(p + i)} + 1;
        } else {
          if (i >= n || (sprm == 0xC615 && p[i] == 255)) return;  // tab changes of the long form: not needed
          len = size_t{p[i]} + 1;
        }
    }
    if (i + len > n) return;
    if (sprm == 0x260A) ref->ilvl = p[i];
    if (sprm == 0x460B) ref->ilfo = static_cast<int16_t>(U16(p + i));
    i += len;
  }
}

struct StyleRef {
  uint16_t base = 0x0FFF;  // none
  ListRef list;
};

// The style sheet's paragraph styles: their base and list properties.
std::vector<StyleRef> ReadStyles(const std::vector<uint8_t>& d) {
  std::vector<StyleRef> styles;
  if (d.size() < 6) return styles;
  const size_t cbStshi = U16(d.data());
  const size_t count = std::min<size_t>(U16(d.data() + 2), kMaxStyles);
  const size_t cbBase = U16(d.data() + 4);
  if (cbStshi < 4 || cbBase < 10) return styles;
  size_t pos = 2 + cbStshi;
  for (size_t istd = 0; istd < count && pos + 2 <= d.size(); ++istd) {
    const size_t cb = U16(d.data() + pos);
    pos += 2;
    if (pos + cb > d.size()) break;
    StyleRef style;
    const uint8_t* s = d.data() + pos;
    if (cb >= cbBase + 2) {
      const bool paragraph = (U16(s + 2) & 0x0F) == 1;
      style.base = U16(s + 2) >> 4;
      const size_t upx = cbBase + 2 + 2 * size_t{U16(s + cbBase)} + 2;
      const size_t at = upx + (upx & 1);
      if (paragraph && (U16(s + 4) & 0x0F) >= 1 && at + 2 <= cb) {
        const size_t len = U16(s + at);
        if (len >= 2 && at + 2 + len <= cb) ScanSprms(s + at + 4, len - 2, &style.list);
      }
    }
    styles.push_back(style);
    pos += cb;
  }
  return styles;
}

// One LVL at d[*pos]: read into *level and passed over; false when cut.
bool ReadLevel(const std::vector<uint8_t>& d, size_t* pos, ListLevel* level) {
  const uint8_t* p = d.data() + *pos;
  if (*pos + 28 > d.size()) return false;
  *level = ListLevel();
  level->defined = true;
  level->start = static_cast<int32_t>(U32(p));
  level->format = NumberFormatOfCode(p[4]);
  level->follow = p[15] == 0 ? '\t' : p[15] == 1 ? ' ' : '\0';
  level->legal = (p[5] & 0x04) != 0;
  if ((p[5] & 0x08) != 0) level->restartLimit = std::min<int>(p[26], kListLevels);  // fNoRestart, ilvlRestartLim
  size_t at = *pos + 28 + p[24] + p[25];
  if (at + 2 > d.size()) return false;
  const size_t cch = U16(d.data() + at);
  at += 2;
  if (at + 2 * cch > d.size()) return false;
  const bool bullet = level->format == NumberFormat::kBullet;
  for (size_t k = 0; k < std::min(cch, kMaxPattern); ++k) {
    const char32_t c = U16(d.data() + at + 2 * k);
    if (c < kListLevels) {
      level->pattern.push_back(static_cast<char>(c + 1));  // a level's number
    } else if (IsTextCharacter(c) && (c < 0xD800 || c > 0xDFFF)) {
      AppendUtf8(level->pattern, bullet ? BulletChar(c) : c);
    }
  }
  *pos = at + 2 * cch;
  return true;
}

struct DocList {
  uint32_t lsid = 0;
  ListLevels levels;
};

std::vector<DocList> ReadLists(const std::vector<uint8_t>& d) {
  std::vector<DocList> lists;
  if (d.size() < 2) return lists;
  const size_t count = std::min<size_t>(U16(d.data()), kMaxLists);
  if (2 + 28 * count > d.size()) return lists;
  std::vector<bool> simple(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = d.data() + 2 + 28 * i;
    DocList list;
    list.lsid = U32(p);
    simple[i] = p[26] & 1;
    lists.push_back(list);
  }
  size_t pos = 2 + 28 * count;
  for (size_t i = 0; i < count; ++i) {
    for (int k = 0; k < (simple[i] ? 1 : kListLevels); ++k) {
      if (!ReadLevel(d, &pos, &lists[i].levels[k])) return lists;
    }
  }
  return lists;
}

// A list override: the list it applies to, and levels restarted or redefined.
struct DocOverride {
  int32_t list = -1;  // index into the lists
  ListLevels levels;  // the list's, with the overrides applied
  std::array<bool, kListLevels> restart{};
};

std::vector<DocOverride> ReadOverrides(const std::vector<uint8_t>& d, const std::vector<DocList>& lists) {
  std::vector<DocOverride> out;
  if (d.size() < 4) return out;
  const size_t count = std::min<size_t>(U32(d.data()), kMaxLists);
  if (4 + 16 * count > d.size()) return out;
  size_t pos = 4 + 16 * count;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = d.data() + 4 + 16 * i;
    DocOverride o;
    const uint32_t lsid = U32(p);
    for (size_t k = 0; k < lists.size(); ++k) {
      if (lists[k].lsid == lsid) {
        o.list = static_cast<int32_t>(k);
        o.levels = lists[k].levels;
        break;
      }
    }
    out.push_back(o);
  }
  // Each override's data: a position, then its level overrides.
  for (size_t i = 0; i < count; ++i) {
    const size_t levels = d[4 + 16 * i + 12];
    if (pos + 4 > d.size()) break;
    pos += 4;
    for (size_t j = 0; j < levels; ++j) {
      if (pos + 8 > d.size()) return out;
      const int32_t start = static_cast<int32_t>(U32(d.data() + pos));
      const uint8_t flags = d[pos + 4];
      pos += 8;
      const int k = flags & 0x0F;
      ListLevel level;
      if ((flags & 0x20) != 0 && !ReadLevel(d, &pos, &level)) return out;
      if (k >= kListLevels) continue;
      if ((flags & 0x20) != 0) out[i].levels[k] = level;
      if ((flags & 0x10) != 0) {
        out[i].levels[k].start = start;
        out[i].restart[k] = true;
      }
    }
  }
  return out;
}

struct NumberedParagraph {
  uint64_t cp = 0;
  uint32_t ilfo = 0;
  uint8_t ilvl = 0;
};

// The paragraphs whose properties, or style, put them in a list.
std::vector<NumberedParagraph> ReadParagraphs(StreamSource& main, const std::vector<uint8_t>& bte,
                                              const std::vector<StyleRef>& styles, size_t overrides,
                                              const std::vector<Piece>& byOffset) {
  std::vector<NumberedParagraph> out;
  if (bte.size() < 4 || overrides == 0) return out;
  const size_t n = std::min<size_t>((bte.size() - 4) / 8, size_t(main.size() / int64_t{kPage}) + 1);
  const auto styleList = [&](uint16_t istd) {
    ListRef ref;
    for (int depth = 0; istd < styles.size() && depth < kMaxStyleChain; ++depth) {
      const ListRef& s = styles[istd].list;
      if (ref.ilfo < 0) ref.ilfo = s.ilfo;
      if (ref.ilvl < 0) ref.ilvl = s.ilvl;
      istd = styles[istd].base;
    }
    return ref;
  };
  std::array<uint8_t, kPage> page;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t pn = U32(bte.data() + 4 * (n + 1) + 4 * i) & 0x3FFFFF;
    const int64_t at = int64_t{pn} * int64_t{kPage};
    if (at + int64_t{kPage} > main.size() || main.inHole(at, at + int64_t{kPage})) continue;
    std::copy_n(main.view(at, kPage), kPage, page.begin());
    const size_t runs = page[kPage - 1];
    if (4 * (runs + 1) + 13 * runs > kPage - 1) continue;
    for (size_t r = 0; r < runs; ++r) {
      const size_t bx = size_t{page[4 * (runs + 1) + 13 * r]} * 2;
      ListRef own;
      uint16_t istd = 0;
      if (bx > 0 && bx + 1 < kPage - 1) {
        size_t start = bx + 1, len = size_t{page[bx]} * 2;
        if (page[bx] == 0) {
          start = bx + 2;
          len = size_t{page[bx + 1]} * 2;
        } else {
          len -= 1;
        }
        if (len >= 2 && start + len <= kPage - 1) {
          istd = U16(page.data() + start);
          ScanSprms(page.data() + start + 2, len - 2, &own);
        }
      }
      const ListRef style = (own.ilfo < 0 || own.ilvl < 0) ? styleList(istd) : ListRef();
      const int32_t ilfo = own.ilfo >= 0 ? own.ilfo : style.ilfo;
      const int32_t ilvl = own.ilvl >= 0 ? own.ilvl : std::max(style.ilvl, 0);
      if (ilfo <= 0 || size_t(ilfo) > overrides || ilvl >= kListLevels) continue;
      const int64_t cp = CpOf(byOffset, U32(page.data() + 4 * r));
      if (cp >= 0 && out.size() < kMaxParagraphs) out.push_back({uint64_t(cp), uint32_t(ilfo), uint8_t(ilvl)});
    }
  }
  std::sort(out.begin(), out.end(), [](const NumberedParagraph& a, const NumberedParagraph& b) { return a.cp < b.cp; });
  return out;
}

// Appends `utf8` as UTF-16 to *out.
void AppendUtf16(const std::string& utf8, std::u16string* out) {
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<uint8_t>(utf8[i]);
    const size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + len > utf8.size()) break;
    char32_t c = len == 1 ? b : b & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k) c = (c << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
    if (c < 0x10000) {
      out->push_back(static_cast<char16_t>(c));
    } else {
      out->push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    i += len;
  }
}

// Footnote or endnote numbers: at each auto-numbered reference of the main
// text, and at the start of its note in the story beginning at `storyCp`.
void AddNotes(StreamSource& table, uint32_t fcRef, uint32_t lcbRef, uint32_t fcTxt, uint32_t lcbTxt, uint64_t mainEnd,
              uint64_t storyCp, NumberFormat format, TextInserts* out) {
  const std::vector<uint8_t> refs = ReadRange(table, fcRef, lcbRef);
  if (refs.size() < 10) return;
  const size_t n = (refs.size() - 4) / 6;
  const std::vector<uint8_t> txt = ReadRange(table, fcTxt, lcbTxt);
  const size_t starts = txt.size() / 4;
  int64_t number = 0;
  for (size_t k = 0; k < std::min(n, TextInserts::kMaxInserts); ++k) {
    if (static_cast<int16_t>(U16(refs.data() + 4 * (n + 1) + 2 * k)) <= 0) continue;  // a custom mark: text
    const std::string mark = FormatListNumber(++number, format);
    const uint32_t cp = U32(refs.data() + 4 * k);
    if (cp < mainEnd) out->add(cp, mark);
    if (k + 1 < starts) out->add(storyCp + U32(txt.data() + 4 * k), mark);
  }
}

void AddListNumbers(StreamSource& main, StreamSource& table, const Fib& fib, PieceTable& pieces, TextInserts* out) {
  // The lists' levels follow their table, outside the range the FIB gives it.
  const std::vector<DocList> lists = ReadLists(ReadRange(table, fib.fcPlfLst, fib.lcbPlfLst, kMaxLevels));
  const std::vector<DocOverride> overrides = ReadOverrides(ReadRange(table, fib.fcPlfLfo, fib.lcbPlfLfo), lists);
  if (overrides.empty() || pieces.size() > kMaxPieces) return;
  std::vector<Piece> byOffset;
  Piece p;
  pieces.rewind();
  while (pieces.next(&p)) byOffset.push_back(p);
  std::sort(byOffset.begin(), byOffset.end(), [](const Piece& a, const Piece& b) { return a.offset < b.offset; });
  const std::vector<NumberedParagraph> paragraphs =
      ReadParagraphs(main, ReadRange(table, fib.fcBtePapx, fib.lcbBtePapx),
                     ReadStyles(ReadRange(table, fib.fcStshf, fib.lcbStshf)), overrides.size(), byOffset);
  // Overrides of one list count on together; one that restarts a level
  // does so where it is first used.
  std::vector<ListCounter> counters(lists.size());
  std::vector<std::array<bool, kListLevels>> used(overrides.size());
  uint64_t last = UINT64_MAX;
  for (const NumberedParagraph& para : paragraphs) {
    if (para.cp == last) continue;  // one paragraph in runs of a fast save
    last = para.cp;
    const DocOverride& o = overrides[para.ilfo - 1];
    if (o.list < 0) continue;
    ListCounter& counter = counters[size_t(o.list)];
    if (o.restart[para.ilvl] && !used[para.ilfo - 1][para.ilvl]) counter.restart(para.ilvl);
    used[para.ilfo - 1][para.ilvl] = true;
    std::string number = counter.next(o.levels, para.ilvl);
    if (number.empty()) continue;
    if (o.levels[para.ilvl].follow != '\0') number.push_back(o.levels[para.ilvl].follow);
    out->add(para.cp, number);
  }
}

}  // namespace

NumberFormat NumberFormatOfCode(long nfc) {
  switch (nfc) {
    case 1: return NumberFormat::kUpperRoman;
    case 2: return NumberFormat::kLowerRoman;
    case 3: return NumberFormat::kUpperLetter;
    case 4: return NumberFormat::kLowerLetter;
    case 5: return NumberFormat::kOrdinal;
    case 22: return NumberFormat::kDecimalZero;
    case 23: return NumberFormat::kBullet;
    case 255: return NumberFormat::kNone;
    default: return NumberFormat::kDecimal;  // other scripts' digits: written as decimal
  }
}

void TextInserts::add(uint64_t cp, const std::string& utf8) {
  if (list.size() >= kMaxInserts || text.size() >= kMaxUnits) return;
  TextInsert insert;
  insert.cp = cp;
  insert.begin = static_cast<uint32_t>(text.size());
  AppendUtf16(utf8, &text);
  insert.end = static_cast<uint32_t>(text.size());
  list.push_back(insert);
}

// The numbers of the paragraphs in lists, into *out.
TextInserts DocTextInserts(StreamSource& main, StreamSource& table, const Fib& fib, PieceTable& pieces) {
  TextInserts out;
  const uint64_t mainEnd = fib.ccp[kMainStory];
  if (fib.version == WordVersion::kWord6) {  // its footnote tables are in the main stream
    AddNotes(main, fib.fcFndRef, fib.lcbFndRef, fib.fcFndTxt, fib.lcbFndTxt, mainEnd, mainEnd, NumberFormat::kDecimal,
             &out);
    AddWord6Numbers(main, fib, pieces, &out);
  } else if (fib.version == WordVersion::kWord97) {
    AddNotes(table, fib.fcFndRef, fib.lcbFndRef, fib.fcFndTxt, fib.lcbFndTxt, mainEnd, mainEnd, NumberFormat::kDecimal,
             &out);
    uint64_t endnotes = 0;
    for (int s = 0; s < kEndnotes; ++s) endnotes += fib.ccp[s];
    AddNotes(table, fib.fcEndRef, fib.lcbEndRef, fib.fcEndTxt, fib.lcbEndTxt, mainEnd, endnotes,
             NumberFormat::kLowerRoman, &out);
    AddListNumbers(main, table, fib, pieces, &out);
  }
  std::stable_sort(out.list.begin(), out.list.end(),
                   [](const TextInsert& a, const TextInsert& b) { return a.cp < b.cp; });
  return out;
}

}  // namespace kw
