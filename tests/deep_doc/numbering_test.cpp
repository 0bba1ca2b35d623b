// SPDX-License-Identifier: Apache-2.0
// List numbers and note marks in Deep Recovery's Word 97 text.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/doc/deep/deep_doc.h"
#include "tests/deep_doc/doc_builder.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

using namespace std::literals;
using test::Put16;
using test::Put32;

constexpr uint32_t kText = 0x400;   // where BuildWord97 puts the first piece
constexpr size_t kTables = 0x1000;  // where the tests' tables start in the table stream (a big stream)
constexpr size_t kBlob = 0x9A;      // the FIB's offset/length pairs
constexpr uint16_t kNoStyle = 0x0FFF;

void SetPair(std::string& main, int index, uint32_t fc, uint32_t lcb) {
  Put32(main, kBlob + 8 * size_t(index), fc);
  Put32(main, kBlob + 8 * size_t(index) + 4, lcb);
}

std::string U16(uint16_t v) {
  std::string s(2, '\0');
  Put16(s, 0, v);
  return s;
}
uint32_t Read32(const std::string& s, size_t at) {
  return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}
std::string U32(uint32_t v) {
  std::string s(4, '\0');
  Put32(s, 0, v);
  return s;
}

// A level: start value, number format code, its text (level marks as
// characters 0-8; a string view, as they hold NULs) and what follows the number (0 TAB, 1 space, 2 nothing).
std::string Level(int32_t start, uint8_t nfc, std::u16string_view text, uint8_t follow = 0, uint8_t flags = 0,
                  uint8_t restartLimit = 0) {
  std::string lvl(28, '\0');
  lvl[26] = char(restartLimit);  // with flag 0x08: restart only after the levels above this one
  Put32(lvl, 0, uint32_t(start));
  lvl[4] = char(nfc);
  lvl[5] = char(flags);  // 0x04: legal, every number in decimal
  lvl[15] = char(follow);
  lvl[25] = 2;  // a two-byte grpprlPapx to pass over
  lvl += "\x11\x22";
  lvl += U16(uint16_t(text.size()));
  for (const char16_t c : text) lvl += U16(c);
  return lvl;
}

struct ListSpec {
  uint32_t lsid;
  std::vector<std::string> levels;  // one for a simple list, else nine
};

// A paragraph: its list override (1-based, 0 none; -1 not given), level (-1 not given) and style.
struct ParaSpec {
  std::string text;  // ends with its paragraph mark
  int ilfo = -1;
  int ilvl = -1;
  uint16_t istd = 0;
};

class DocNumbering : public ::testing::Test {
 protected:
  // A Word 97 file of the paragraphs, with the lists, overrides (each
  // naming a list by lsid, then its level overrides as raw LFOLVL bytes)
  // and styles (each a base style and list properties as raw sprms).
  std::string Build(const std::vector<ParaSpec>& paras, const std::vector<ListSpec>& lists,
                    const std::vector<std::pair<uint32_t, std::string>>& overrides,
                    const std::vector<std::pair<uint16_t, std::string>>& styles = {}) {
    std::string text;
    for (const ParaSpec& p : paras) text += p.text;
    test::Word97 doc = test::BuildWord97({{text, true}}, uint32_t(text.size()));
    std::string& m = doc.main;
    std::string& t = doc.table;
    t.resize(kTables, '\0');
    // The list table, its levels after it.
    std::string lst = U16(uint16_t(lists.size()));
    std::string levels;
    for (const ListSpec& l : lists) {
      std::string lstf = U32(l.lsid) + U32(0);
      for (int k = 0; k < 9; ++k) lstf += U16(kNoStyle);
      lstf += std::string(1, l.levels.size() == 1 ? '\x01' : '\0') + '\0';
      lst += lstf;
      for (const std::string& v : l.levels) levels += v;
    }
    SetPair(m, 73, uint32_t(t.size()), uint32_t(lst.size()));
    t += lst + levels;
    // The overrides.
    std::string lfo = U32(uint32_t(overrides.size()));
    std::string data;
    for (const auto& [lsid, lvls] : overrides) {
      const size_t count = lvls.size() / 8;  // level overrides without formatting
      lfo += U32(lsid) + U32(0) + U32(0) + std::string(1, char(count)) + std::string(3, '\0');
      data += U32(0xFFFFFFFF) + lvls;
    }
    SetPair(m, 74, uint32_t(t.size()), uint32_t(lfo.size() + data.size()));
    t += lfo + data;
    // The style sheet.
    if (!styles.empty()) {
      std::string sh = U16(18) + U16(uint16_t(styles.size())) + U16(10) + std::string(14, '\0');
      for (const auto& [base, sprms] : styles) {
        std::string std = U16(0x0001 | 0) + U16(uint16_t(1 | (base << 4))) + U16(1) + std::string(4, '\0');
        std += U16(1) + U16('S') + U16(0);  // the name "S"
        std += U16(uint16_t(2 + sprms.size())) + U16(0) + sprms;
        if (std.size() & 1) std += '\0';
        sh += U16(uint16_t(std.size())) + std;
      }
      SetPair(m, 1, uint32_t(t.size()), uint32_t(sh.size()));
      t += sh;
    }
    // One paragraph bin table page, after the text.
    m.resize((m.size() + 511) / 512 * 512, '\0');
    const uint32_t pn = uint32_t(m.size() / 512);
    std::string page(512, '\0');
    const size_t runs = paras.size();
    uint32_t fc = kText;
    size_t papx = 511;
    for (size_t r = 0; r < runs; ++r) {
      Put32(page, 4 * r, fc);
      fc += uint32_t(paras[r].text.size());
      std::string grpprl = U16(paras[r].istd);
      if (paras[r].ilvl >= 0) grpprl += U16(0x260A) + char(paras[r].ilvl);
      if (paras[r].ilfo >= 0) grpprl += U16(0x460B) + U16(uint16_t(paras[r].ilfo));
      if (grpprl.size() % 2 == 0) grpprl += '\0';  // 2 * cb - 1 bytes
      papx = (papx - grpprl.size() - 1) & ~size_t{1};
      page[papx] = char((grpprl.size() + 1) / 2);
      page.replace(papx + 1, grpprl.size(), grpprl);
      page[4 * (runs + 1) + 13 * r] = char(papx / 2);
    }
    Put32(page, 4 * runs, fc);
    page[511] = char(runs);
    m += page;
    SetPair(m, 13, uint32_t(t.size()), 12);
    t += U32(kText) + U32(fc) + U32(pn);
    return test::BuildWord97File(doc, &layout);
  }

  std::string Read(const std::string& bytes) {
    SourceFile file;
    EXPECT_TRUE(SourceFile::Open(dir.write("a.doc", bytes), &file).ok());
    std::string text;
    DamageReport damage;
    EXPECT_TRUE(ReadDocDeep(file, nullptr, &damage, &text).ok());
    return text;
  }

  test::TempDir dir;
  test::CfbLayout layout;
};

// Nine levels: decimal "1.", letters "a)", roman "1.b.iii", the rest decimal.
ListSpec Outline(uint32_t lsid) {
  ListSpec l{lsid, {Level(1, 0, u"\x0000."sv), Level(1, 4, u"\x0001)"sv), Level(1, 2, u"\x0000.\x0001.\x0002"sv)}};
  while (l.levels.size() < 9) l.levels.push_back(Level(1, 0, u"\x0003"sv));
  return l;
}

TEST_F(DocNumbering, EachFormatAndNestedLevels) {
  const std::vector<ListSpec> lists = {
      Outline(10),
      {20, {Level(1, 1, u"\x0000."sv)}},
      {30, {Level(1, 3, u"(\x0000)"sv, 1)}},
      {40, {Level(1, 5, u"\x0000"sv, 2)}},
      {50, {Level(9, 22, u"\x0000."sv)}},
      {60, {Level(1, 23, u"\xF0B7"sv)}},
  };
  const std::string doc = Build({{"one\r", 1, 0},
                                 {"one a\r", 1, 1},
                                 {"one b\r", 1, 1},
                                 {"deep\r", 1, 2},
                                 {"two\r", 1, 0},
                                 {"R\r", 2, 0},
                                 {"R\r", 2, 0},
                                 {"L\r", 3, -1},
                                 {"ord\r", 4, 0},
                                 {"zero\r", 5, 0},
                                 {"zero\r", 5, 0},
                                 {"dot\r", 6, 0},
                                 {"plain\r"}},
                                lists, {{10, ""}, {20, ""}, {30, ""}, {40, ""}, {50, ""}, {60, ""}});
  EXPECT_EQ(Read(doc),
            "1.\tone\r\na)\tone a\r\nb)\tone b\r\n1.b.i\tdeep\r\n2.\ttwo\r\nI.\tR\r\nII.\tR\r\n(A) L\r\n1st"
            "ord\r\n09.\tzero\r\n10.\tzero\r\n\xE2\x80\xA2\tdot\r\nplain\r\n");
}

TEST_F(DocNumbering, LevelsThatDoNotRestart) {
  // Level 1 never restarts; level 2 restarts after level 0 only.
  ListSpec l{7,
             {Level(1, 0, u"\x0000."sv), Level(1, 4, u"\x0001)"sv, 0, 0x08, 0), Level(1, 2, u"\x0002."sv, 0, 0x08, 1)}};
  while (l.levels.size() < 9) l.levels.push_back(Level(1, 0, u"\x0003"sv));
  const std::string doc = Build({{"p\r", 1, 0},
                                 {"q\r", 1, 1},
                                 {"r\r", 1, 2},
                                 {"s\r", 1, 1},
                                 {"t\r", 1, 2},
                                 {"u\r", 1, 0},
                                 {"v\r", 1, 1},
                                 {"w\r", 1, 2}},
                                {l}, {{7, ""}});
  EXPECT_EQ(Read(doc), "1.\tp\r\na)\tq\r\ni.\tr\r\nb)\ts\r\nii.\tt\r\n2.\tu\r\nc)\tv\r\ni.\tw\r\n");
}

TEST_F(DocNumbering, OverridesCountOnRestartOrStartElsewhere) {
  // Override 2 shares list 10 with 1; 3 restarts it; 4 starts its first level at 7.
  std::string restart = U32(1) + std::string(1, '\x10') + std::string(3, '\0');
  std::string seven = U32(7) + std::string(1, '\x10') + std::string(3, '\0');
  const std::string doc = Build(
      {{"a\r", 1, 0}, {"b\r", 2, 0}, {"c\r", 3, 0}, {"d\r", 3, 0}, {"e\r", 4, 0}, {"none\r", 0, 0}, {"lost\r", 9, 0}},
      {Outline(10)}, {{10, ""}, {10, ""}, {10, restart}, {10, seven}});
  EXPECT_EQ(Read(doc), "1.\ta\r\n2.\tb\r\n1.\tc\r\n2.\td\r\n7.\te\r\nnone\r\nlost\r\n");
}

TEST_F(DocNumbering, LegalLevelWritesEveryNumberInDecimal) {
  const std::string doc =
      Build({{"I\r", 1, 0}, {"II\r", 1, 0}, {"legal\r", 1, 1}},
            {{10, {Level(1, 1, u"\x0000."sv), Level(1, 3, u"\x0000.\x0001"sv, 0, 0x04)}}}, {{10, ""}});
  EXPECT_EQ(Read(doc), "I.\tI\r\nII.\tII\r\n2.1\tlegal\r\n");
}

TEST_F(DocNumbering, HeadingsNumberedThroughTheirStyles) {
  // Style 1 is list 1 level 0; style 2 is based on it at level 1; style 3 on 2.
  const std::string list1 = U16(0x460B) + U16(1);
  const std::string level1 = U16(0x260A) + std::string(1, '\x01');
  const std::string doc = Build({{"Intro\r", -1, -1, 1},
                                 {"Scope\r", -1, -1, 2},
                                 {"Based\r", -1, -1, 3},
                                 {"Method\r", -1, -1, 1},
                                 {"Body\r"},
                                 {"Off\r", 0, -1, 1}},
                                {{10, {Level(1, 0, u"\x0000"sv), Level(1, 0, u"\x0000.\x0001"sv)}}}, {{10, ""}},
                                {{kNoStyle, ""}, {kNoStyle, list1}, {1, level1}, {2, ""}});
  EXPECT_EQ(Read(doc), "1\tIntro\r\n1.1\tScope\r\n1.2\tBased\r\n2\tMethod\r\nBody\r\nOff\r\n");
}

TEST_F(DocNumbering, DamagedListTablesKeepTheText) {
  std::string doc = Build({{"one\r", 1, 0}, {"two\r", 1, 0}}, {Outline(10)}, {{10, ""}});
  const std::string plain = "one\r\ntwo\r\n";
  // The list table's count says more lists than there are bytes for.
  std::string cut = doc;
  const size_t table = size_t(test::CfbLayout::Offset(layout.start.at("1Table")));
  Put16(cut, table + kTables, 0xFFFF);
  EXPECT_EQ(Read(cut), plain);
  // The bin table points at a page past the stream's end.
  std::string far = Build({{"one\r", 1, 0}, {"two\r", 1, 0}}, {Outline(10)}, {{10, ""}});
  const size_t bte = far.find(U32(kText) + U32(kText + 8));
  ASSERT_NE(bte, std::string::npos);
  Put32(far, bte + 8, 0x3FFFFF);
  EXPECT_EQ(Read(far), plain);
}

// Main text with two auto-numbered footnotes and one with a custom mark,
// the footnote story, and an endnote.
TEST_F(DocNumbering, NoteMarksAtReferencesAndNoteStarts) {
  const std::string main = "Alpha\x02 beta*\x02 gamma\x02\x02.\r";  // footnotes at 5, 12, 19; an endnote at 20
  const std::string notes = "\x02 one\r*custom\r\x02 two\r\r";      // notes at 0, 6, 14
  const std::string ends = "\x02 end\r\r";
  std::string text = main + notes + ends;
  test::Word97 doc = test::BuildWord97({{text, true}}, uint32_t(main.size()), uint32_t(notes.size()));
  std::string& m = doc.main;
  std::string& t = doc.table;
  Put32(m, 0x60, uint32_t(ends.size()));  // the endnotes' length
  t.resize(kTables, '\0');
  SetPair(m, 2, uint32_t(t.size()), 4 * 4 + 2 * 3);
  t += U32(5) + U32(12) + U32(19) + U32(uint32_t(main.size())) + U16(1) + U16(0) + U16(2);
  SetPair(m, 3, uint32_t(t.size()), 5 * 4);
  t += U32(0) + U32(6) + U32(14) + U32(uint32_t(notes.size()) - 1) + U32(uint32_t(notes.size()));
  // The endnote's reference, after the first footnote's.
  SetPair(m, 46, uint32_t(t.size()), 2 * 4 + 2);
  t += U32(20) + U32(uint32_t(main.size())) + U16(1);
  SetPair(m, 47, uint32_t(t.size()), 3 * 4);
  t += U32(0) + U32(uint32_t(ends.size()) - 1) + U32(uint32_t(ends.size()));
  EXPECT_EQ(Read(test::BuildWord97File(doc, &layout)),
            "Alpha1 beta* gamma2i.\r\n\r\n1 one\r\n*custom\r\n2 two\r\n\r\n\r\ni end\r\n\r\n");
}

// Word 6.0/95: the footnote tables are in the main stream, at the same
// places of the FIB's pairs.
TEST_F(DocNumbering, Word6FootnoteMarks) {
  const std::string main = "One\x02 two\x02.\r";            // references at 3 and 8
  const std::string notes = "\x02 first\r\x02 second\r\r";  // notes at 0 and 8
  std::string m = test::BuildWord6(main + notes, 0x0409, false);
  Put32(m, 0x34, uint32_t(main.size()));
  Put32(m, 0x38, uint32_t(notes.size()));
  const auto ref = uint32_t(m.size());
  m += U32(3) + U32(8) + U32(uint32_t(main.size())) + U16(1) + U16(1);
  const auto txt = uint32_t(m.size());
  m += U32(0) + U32(8) + U32(uint32_t(notes.size()) - 1) + U32(uint32_t(notes.size()));
  Put32(m, 0x68, ref);
  Put32(m, 0x6C, 3 * 4 + 2 * 2);
  Put32(m, 0x70, txt);
  Put32(m, 0x74, 4 * 4);
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", m}}, &layout)), "One1 two2.\r\n\r\n1 first\r\n2 second\r\n\r\n");
}

// A Word 6 ANLD as sprmPAnld: format, text before and after, fPrev, start.
std::string Anld(uint8_t nfc, const std::string& before, const std::string& after, bool prev = false,
                 uint16_t start = 1) {
  std::string a(52, '\0');
  a[0] = char(nfc);
  a[1] = char(before.size());
  a[2] = char(after.size());
  a[3] = char(prev ? 0x04 : 0);
  Put16(a, 10, start);
  a.replace(20, before.size() + after.size(), before + after);
  return std::string(1, '\x0C') + char(a.size()) + a;
}

// A Word 6 paragraph: its text, style and own sprms (sprmPNLvlAnm 13, sprmPAnld 12).
struct Word6Para {
  Word6Para(std::string t, uint16_t style = 0, std::string own = "")
      : text(std::move(t)), istd(style), sprms(std::move(own)) {}
  std::string text;
  uint16_t istd;
  std::string sprms;
};

// A Word 6 main stream of the paragraphs: the text, then their paragraph
// pages (seven paragraphs to a page) and the bin table.
std::string Word6Paragraphs(const std::vector<Word6Para>& paras) {
  std::string text;
  for (const Word6Para& p : paras) text += p.text;
  std::string m = test::BuildWord6(text, 0x0409, false);
  m.resize((m.size() + 511) / 512 * 512, '\0');
  std::string bte, pns;
  uint32_t fc = 0x200;
  for (size_t first = 0; first < paras.size(); first += 7) {
    bte += U32(fc);
    pns += U16(uint16_t(m.size() / 512));
    std::string page(512, '\0');
    const size_t runs = std::min<size_t>(7, paras.size() - first);
    size_t papx = 511;
    for (size_t r = 0; r < runs; ++r) {
      Put32(page, 4 * r, fc);
      fc += uint32_t(paras[first + r].text.size());
      std::string grpprl = U16(paras[first + r].istd) + paras[first + r].sprms;  // the style, then the sprms
      if (grpprl.size() % 2 == 1) grpprl += '\0';
      papx = (papx - grpprl.size() - 1) & ~size_t{1};
      page[papx] = char(grpprl.size() / 2);
      page.replace(papx + 1, grpprl.size(), grpprl);
      page[4 * (runs + 1) + 7 * r] = char(papx / 2);
    }
    Put32(page, 4 * runs, fc);
    page[511] = char(runs);
    m += page;
  }
  bte += U32(fc) + pns;
  Put32(m, 0xC0, uint32_t(m.size()));
  Put32(m, 0xC4, uint32_t(bte.size()));
  m += bte;
  return m;
}

TEST_F(DocNumbering, Word6AutonumberedParagraphs) {
  const std::string kList = "\x0D\x0A", kBullet = "\x0D\x0B";
  const std::string m = Word6Paragraphs({
      {"Intro\r"},
      {"one\r", 0, std::string("\x05\x01", 2) + Anld(0, "", ".") + kList},  // sprmPJc first
      {"two\r", 0, Anld(0, "", ".") + kList},
      {"Plain\r"},
      {"three\r", 0, Anld(4, "(", ")", false, 3) + kList},
      {"dot\r", 0, Anld(23, "\xB7", "") + kBullet},
      {"Head\r", 0, Anld(1, "", ".") + "\x0D\x01"},
      {"Sub\r", 0, Anld(0, "", ")", true) + "\x0D\x02"},
      {"Sub\r", 0, Anld(0, "", ")", true) + "\x0D\x02"},
      {"Body\r"},
      {"Head\r", 0, Anld(1, "", ".") + "\x0D\x01"},
      {"Sub\r", 0, Anld(0, "", ")", true) + "\x0D\x02"},
      {"Lost\r", 0, Anld(0, "", ".") + "\x0D"},  // cut: its level is missing
  });
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", m}}, &layout)),
            "Intro\r\n1.\tone\r\n2.\ttwo\r\nPlain\r\n(c)\tthree\r\n\xE2\x80\xA2\tdot\r\nI.\tHead\r\n1.1)\tSub\r\n"
            "1.2)\tSub\r\nBody\r\nII.\tHead\r\n2.1)\tSub\r\nLost\r\n");
}

// A Word 6 paragraph style: its base and its paragraph sprms.
std::string Word6Style(const std::string& name, uint16_t base, const std::string& sprms) {
  std::string entry = U16(0) + U16(uint16_t(1 | (base << 4))) + U16(2) + U16(0);  // sti, sgc and base, cupx, bchUpe
  entry += char(name.size()) + name + '\0';
  if (entry.size() % 2 == 1) entry += '\0';
  entry += U16(uint16_t(2 + sprms.size())) + U16(0) + sprms;  // the paragraph properties
  if (entry.size() % 2 == 1) entry += '\0';
  entry += U16(0);  // no character properties
  return U16(uint16_t(entry.size())) + entry;
}

// An OLST: each level's format, texts before and after and fPrev; the restart flag.
std::string Olst(const std::vector<std::tuple<uint8_t, std::string, std::string, bool>>& levels, bool restart) {
  std::string olst(212, '\0'), text;
  for (size_t k = 0; k < levels.size(); ++k) {
    const auto& [nfc, before, after, prev] = levels[k];
    olst[16 * k] = char(nfc);
    olst[16 * k + 1] = char(before.size());
    olst[16 * k + 2] = char(after.size());
    olst[16 * k + 3] = char(prev ? 0x04 : 0);
    Put16(olst, 16 * k + 10, 1);
    text += before + after;
  }
  olst[144] = char(restart);
  olst.replace(148, text.size(), text);
  return olst;
}

// Headings numbered through their styles (Heading 2 based on Heading 1)
// and the outline description of each section; the second restarts.
TEST_F(DocNumbering, Word6HeadingNumbersFromStylesAndSections) {
  const std::vector<Word6Para> paras = {
      {"Title\r"},   {"Alpha\r", 1}, {"Part\r", 2},
      {"Part\r", 2}, {"Body\r"},     {"Note\r", 1, "\x0D"s + '\0'},  // its own properties take the number away
      {"Beta\r", 1}, {"Part\r", 2},  {"Gamma\r", 1},
      {"Part\r", 2},
  };
  std::string m = Word6Paragraphs(paras);
  const auto stsh = uint32_t(m.size());
  m += U16(4) + U16(3) + U16(8) + Word6Style("Normal", kNoStyle, "") + Word6Style("heading 1", 0, "\x0D\x01") +
       Word6Style("heading 2", 1, "\x0D\x02");
  Put32(m, 0x60, stsh);
  Put32(m, 0x64, uint32_t(m.size() - stsh));
  const auto sepx1 = uint32_t(m.size());
  const std::string olst1 = Olst({{0, "", ".", false}, {0, "", "", true}}, false);
  m += U16(uint16_t{2 + 2 + 212}) + "\x83\x01" + "\x85\xD4" + olst1;  // sprmScnsPgn first
  const auto sepx2 = uint32_t(m.size());
  m += U16(uint16_t{2 + 212}) + "\x85\xD4" + Olst({{1, "", ")", false}, {4, "(", ")", false}}, true);
  uint32_t firstEnd = 0;
  for (size_t i = 0; i < 8; ++i) firstEnd += uint32_t(paras[i].text.size());
  const auto sed = uint32_t(m.size());
  const auto sedEntry = [](uint32_t fcSepx) { return U16(0) + U32(fcSepx) + U16(0) + U32(0); };
  m += U32(0) + U32(firstEnd) + U32(Read32(m, 0x34)) + sedEntry(sepx1) + sedEntry(sepx2);
  Put32(m, 0x88, sed);
  Put32(m, 0x8C, 3 * 4 + 2 * 12);
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", m}}, &layout)),
            "Title\r\n1.\tAlpha\r\n1.1\tPart\r\n1.2\tPart\r\nBody\r\nNote\r\n2.\tBeta\r\n2.1\tPart\r\n"
            "I)\tGamma\r\n(a)\tPart\r\n");
  // Damaged or absent tables: the numbers fall away, the text stays.
  const std::string plain = "Title\r\nAlpha\r\nPart\r\nPart\r\nBody\r\nNote\r\nBeta\r\nPart\r\nGamma\r\nPart\r\n";
  std::string noSections = m;
  Put32(noSections, 0x88, 0x7FFFFFF0);
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", noSections}}, &layout)), plain);
  std::string badStyles = m;
  Put16(badStyles, stsh + 6, 0xFFF0);  // the first style runs past the style sheet
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", badStyles}}, &layout)), plain);
  std::string cutOlst = m;
  cutOlst[sepx1 + 5] = 100;  // the OLST's length says less than it holds: the walk stops at the next bytes
  EXPECT_EQ(Read(test::BuildCfb({{"WordDocument", cutOlst}}, &layout)),
            plain.substr(0, plain.find("Gamma")) + "I)\tGamma\r\n(a)\tPart\r\n");
}

}  // namespace
}  // namespace kw
