// SPDX-License-Identifier: Apache-2.0
// List numbers and note marks of RTF read under a .doc name.
#include <gtest/gtest.h>

#include <string>

#include "formats/doc/deep/rtf_text.h"

namespace kw {
namespace {

std::string Text(const std::string& rtf) {
  std::string out;
  AppendRtfText(reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size(), nullptr, &out);
  return out;
}

// A list table as some writers save it: list 7 decimal "%1." then "%1.%2)"
// in lower letters; list 8 lower roman from 4; list 9 bullets given as \uN
// with a fallback character. Overrides: ls1 and ls2 list 7 (ls2 restarting
// level 0 at 10), ls3 list 8, ls4 list 9.
const std::string kTables =
    "{\\rtf1\\ansi\\uc1{\\*\\listtable"
    "{\\list\\listtemplateid1{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
    "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'04\\'00.\\'01);}{\\levelnumbers\\'01\\'03;}}\\listid7}"
    "{\\list{\\listlevel\\levelnfc2\\levelstartat4{\\leveltext\\'02\\'00.;}}\\listid8}"
    "{\\list{\\listlevel\\levelnfc23\\levelfollow1{\\leveltext\\'01\\u8226 ;}}\\listid9}}"
    "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}"
    "{\\listoverride\\listid7\\listoverridecount1{\\lfolevel\\listoverridestartat\\levelstartat10}\\ls2}"
    "{\\listoverride\\listid8\\ls3}{\\listoverride\\listid9\\ls4}}";

TEST(RtfListsTest, BlankListTextGetsTheNumberFromTheListTables) {
  const std::string rtf = kTables +
                          "\\pard Title\\par"
                          "{\\listtext\\pard  \t}\\pard{\\ls1\\ilvl0 one\\par}"
                          "{\\listtext\\pard  \t}\\pard{\\ls1\\ilvl1 sub\\par}"
                          "{\\listtext\\pard  \t}\\pard{\\ls1\\ilvl1 sub\\par}"
                          "\\pard\\ls1\\ilvl0 two\\par"
                          "\\pard\\ls3 roman\\par\\pard\\ls3 again\\par"
                          "\\pard\\ls4 dot\\par"
                          "\\pard\\ls2 ten\\par\\pard\\ls1 eleven\\par"
                          "\\pard plain\\par}";
  EXPECT_EQ(Text(rtf),
            "Title\r\n1.\tone\r\n1.a)\tsub\r\n1.b)\tsub\r\n2.\ttwo\r\niv.\troman\r\nv.\tagain\r\n"
            "\xE2\x80\xA2 dot\r\n10.\tten\r\n11.\televen\r\nplain\r\n");
}

TEST(RtfListsTest, ListTextWrittenByTheWriterIsKeptAsItStands) {
  // {\listtext} before the text, or around a blank paragraph property group;
  // a bullet without a TAB after it gets one.
  const std::string rtf = kTables +
                          "\\pard\\ls1\\ilvl0{\\listtext\\pard\\plain 3.\\tab}three\\par"
                          "\\pard\\ls1\\ilvl0{\\listtext 4.\\tab}four\\par"
                          "{\\pntext\\bullet}\\pard old\\par}";
  EXPECT_EQ(Text(rtf), "3.\tthree\r\n4.\tfour\r\n\xE2\x80\xA2\told\r\n");
}

TEST(RtfListsTest, DamagedListTablesLeaveTheTextAlone) {
  // An unknown \ls, a level past the table's, a list table cut short (its
  // pattern longer than what follows) and an override naming no list.
  const std::string rtf =
      "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'40\\'00}"
      "{\\*\\listoverridetable{\\listoverride\\listid99\\ls5}}"
      "\\pard\\ls9 a\\par\\pard\\ls1\\ilvl12 b\\par\\pard\\ls5 c\\par}";
  EXPECT_EQ(Text(rtf), "");  // all inside the unclosed list table
  // A {\listtext} whose end is lost keeps what follows it, in order.
  EXPECT_EQ(Text(kTables + "\\pard\\ls1 a\\par{\\listtext 2.\\tab b\\par c{\\footnote\\chftn  n}\\par"),
            "1.\ta\r\n2.\tb\r\nc n\r\n");
  const std::string closed = kTables + "\\pard\\ls9 a\\par\\pard\\ls1\\ilvl12 b\\par\\pard\\ls1\\ilvl-3 c\\par}";
  EXPECT_EQ(Text(closed), "a\r\nb\r\nc\r\n");
}

// The older paragraph numbering: a {\pn} among the paragraph's properties
// and no {\pntext} (or a blank one) and no \ls.
TEST(RtfListsTest, PnParagraphNumbersWhereTheWriterLeftThemOut) {
  const std::string rtf =
      "{\\rtf1\\ansi\\pard Title\\par"
      "\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}one\\par"
      "{\\pntext  }\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}two\\par"
      "\\pard{\\*\\pn\\pnlvlcont}more\\par"
      "\\pard{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}three\\par"
      "\\pard plain\\par"
      "\\pard{\\*\\pn\\pnlvlbody\\pnlcltr\\pnstart2{\\pntxtb (}{\\pntxta )}}bee\\par"
      "\\pard{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb \\'b7}}dot\\par"
      "\\pard{\\*\\pn\\pnlvl1\\pnucrm{\\pntxta .}}Head\\par"
      "\\pard{\\*\\pn\\pnlvl2\\pndec\\pnprev{\\pntxta )}}Sub\\par"
      "\\pard{\\*\\pn\\pnlvl2\\pndec\\pnprev{\\pntxta )}}Sub\\par"
      "\\pard{\\*\\pn\\pnlvl1\\pnucrm{\\pntxta .}}Head\\par"
      "\\pard{\\*\\pn\\pnlvl2\\pnlcrm{\\pntxtb \\u8211 ?}}Sub\\par"
      "\\pard{\\*\\pn\\pnlvlbody\\pndec}{\\pntext 7.\\tab}kept\\par}";
  EXPECT_EQ(Text(rtf),
            "Title\r\n1.\tone\r\n2.\ttwo\r\nmore\r\n3.\tthree\r\nplain\r\n(b)\tbee\r\n\xE2\x80\xA2\tdot\r\n"
            "I.\tHead\r\n1.1)\tSub\r\n1.2)\tSub\r\nII.\tHead\r\n\xE2\x80\x93i\tSub\r\n7.\tkept\r\n");
  // A {\pn} naming no kind gives no number, nor one cut short (what follows
  // it is in its skipped group); \ls wins over {\pn}.
  EXPECT_EQ(Text("{\\rtf1\\pard{\\*\\pn\\pndec{\\pntxta .}}a\\par\\pard{\\*\\pn\\pnlvl99}b\\par"
                 "\\pard{\\*\\pn\\pnlvlbody{\\pntxta .}c\\par}"),
            "a\r\nb\r\n");
  EXPECT_EQ(Text(kTables + "\\pard\\ls3{\\*\\pn\\pnlvlbody\\pndec}x\\par}"), "iv.\tx\r\n");
}

TEST(RtfListsTest, NoteMarksAtTheReferenceAndTheNoteAfterTheText) {
  const std::string rtf =
      "{\\rtf1\\aftnnar Some words.{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} First note.}"
      " More{\\super\\chftn}{\\footnote\\ftnalt\\pard\\chftn  An endnote.\\par}\\par "
      "Custom{\\super *}{\\footnote\\pard *Starred.}\\par "
      "End{\\chftn}{\\footnote\\pard\\chftn  Second.}\\par}";
  EXPECT_EQ(Text(rtf),
            "Some words.1 More1\r\nCustom*\r\nEnd2\r\n"
            "1 First note.\r\n*Starred.\r\n2 Second.\r\n1 An endnote.\r\n");
}

}  // namespace
}  // namespace kw
