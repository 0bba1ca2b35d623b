// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/word6_numbers.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/cp1252.h"
#include "base/list_numbers.h"
#include "formats/doc/deep/code_page.h"
#include "formats/doc/deep/piece_table.h"
#include "formats/doc/deep/stream_source.h"
#include "formats/doc/deep/word6_outline.h"

namespace kw {

namespace {

constexpr size_t kPage = 512;                   // a formatted disk page (FKP)
constexpr size_t kMaxPieces = size_t{1} << 16;  // a fast-saved file with more: no numbers
constexpr size_t kAnldText = 32;                // ANLD.rgxch: 8-bit characters
constexpr size_t kAnldHead = 20;                // the fields before it

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

struct Word6Paragraph {
  uint64_t cp = 0;
  Word6Numbering numbering;  // its style's, then its own properties'
};

// Every paragraph's numbering, by character position.
std::vector<Word6Paragraph> ReadWord6Paragraphs(StreamSource& main, const Fib& fib, const std::vector<Piece>& byOffset,
                                                const std::vector<Word6Numbering>& styles) {
  std::vector<Word6Paragraph> out;
  const uint32_t fc = fib.fcBtePapx, lcb = fib.lcbBtePapx;
  if (lcb < 10 || int64_t{fc} + lcb > main.size() || main.inHole(fc, int64_t{fc} + lcb)) return out;
  // The bin table: n + 1 positions, then n two-byte page numbers.
  const size_t n = std::min<size_t>((lcb - 4) / 6, size_t(main.size() / int64_t{kPage}) + 1);
  std::vector<uint8_t> bte(4 * (n + 1) + 2 * n);
  std::copy_n(main.view(fc, bte.size()), bte.size(), bte.begin());
  std::array<uint8_t, kPage> page;
  for (size_t i = 0; i < n; ++i) {
    const int64_t at = int64_t{U16(bte.data() + 4 * (n + 1) + 2 * i)} * int64_t{kPage};
    if (at + int64_t{kPage} > main.size() || main.inHole(at, at + int64_t{kPage})) continue;
    std::copy_n(main.view(at, kPage), kPage, page.begin());
    const size_t runs = page[kPage - 1];
    if (4 * (runs + 1) + 7 * runs > kPage - 1) continue;
    for (size_t r = 0; r < runs && out.size() < TextInserts::kMaxInserts; ++r) {
      Word6Paragraph p;
      const size_t bx = size_t{page[4 * (runs + 1) + 7 * r]} * 2;
      // A PAPX: its size in words, the style (two bytes), the sprms; none: style 0.
      size_t istd = 0, len = 0;
      if (bx > 0 && bx + 2 < kPage - 1) {
        istd = U16(page.data() + bx + 1);
        len = std::min(size_t{page[bx]} * 2, kPage - 1 - (bx + 1));
      }
      if (istd < styles.size()) p.numbering = styles[istd];
      if (len > 2) ScanWord6Sprms(page.data() + bx + 3, len - 2, &p.numbering);
      const int64_t cp = CpOf(byOffset, U32(page.data() + 4 * r));
      if (cp < 0) continue;
      p.cp = uint64_t(cp);
      out.push_back(p);
    }
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const Word6Paragraph& a, const Word6Paragraph& b) { return a.cp < b.cp; });
  return out;
}

// The level an ANLD describes, as a list level at `level`.
ListLevel LevelOf(const uint8_t* anld, int level, bool outline, CodePage page) {
  ListLevel l;
  l.defined = true;
  l.format = NumberFormatOfCode(anld[0]);
  l.start = static_cast<int16_t>(U16(anld + 10));
  const bool bullet = l.format == NumberFormat::kBullet;
  const size_t before = std::min<size_t>(anld[1], kAnldText);
  const size_t after = std::min<size_t>(anld[2], kAnldText - before);
  const uint8_t* text = anld + kAnldHead;
  const auto put = [&](size_t from, size_t to) {
    for (size_t k = from; k < to; ++k) {
      const uint8_t b = text[k];
      // A bullet is mostly a symbol font's character.
      const char32_t c = bullet && b >= 0x80 ? BulletChar(0xF000 | b) : CodePagePoint(page, b);
      if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) AppendUtf8(l.pattern, c);
    }
  };
  put(0, before);
  if (!bullet) {
    if (outline && (anld[3] & 0x04) != 0) {  // fPrev: the levels above first
      for (int k = 0; k < level; ++k) {
        l.pattern.push_back(static_cast<char>(k + 1));
        l.pattern.push_back('.');
      }
    }
    l.pattern.push_back(static_cast<char>(level + 1));
  }
  put(before, before + after);
  return l;
}

}  // namespace

void AddWord6Numbers(StreamSource& main, const Fib& fib, PieceTable& pieces, TextInserts* out) {
  if (pieces.size() > kMaxPieces) return;
  std::vector<Piece> byOffset;
  Piece piece;
  pieces.rewind();
  while (pieces.next(&piece)) byOffset.push_back(piece);
  std::sort(byOffset.begin(), byOffset.end(), [](const Piece& a, const Piece& b) { return a.offset < b.offset; });
  const std::vector<Word6Paragraph> paragraphs = ReadWord6Paragraphs(main, fib, byOffset, ReadWord6Styles(main, fib));
  const std::vector<Word6Section> sections = ReadWord6Sections(main, fib);
  size_t section = 0;
  ListCounter outline, list;
  bool inList = false;
  uint64_t last = UINT64_MAX;
  for (const Word6Paragraph& p : paragraphs) {
    if (p.cp == last) continue;  // one paragraph in runs of a fast save
    last = p.cp;
    while (section < sections.size() && p.cp >= sections[section].cpEnd) {
      if (++section < sections.size() && sections[section].restart) outline = ListCounter();
    }
    const Word6Numbering& n = p.numbering;
    const bool isOutline = n.kind >= 1 && n.kind <= kListLevels;
    const int level = isOutline ? n.kind - 1 : 0;
    // A heading takes its number's form from its section's outline description.
    const bool fromSection = isOutline && section < sections.size() && sections[section].hasOlst;
    if (n.kind == 0 || (!n.hasAnld && !fromSection)) {
      inList = false;
      continue;
    }
    if (!isOutline && !inList) list = ListCounter();
    inList = !isOutline;
    const Anld& anld = fromSection ? sections[section].levels[size_t(level)] : n.anld;
    ListLevels levels;
    levels[size_t(level)] = LevelOf(anld.data(), level, isOutline, fib.codePage);
    std::string number = (isOutline ? outline : list).next(levels, level);
    if (number.empty()) continue;
    number.push_back('\t');
    out->add(p.cp, number);
  }
}

}  // namespace kw
