// SPDX-License-Identifier: Apache-2.0
// List numbers and note marks in Deep Recovery's .docx text.
#include <gtest/gtest.h>

#include "base/list_numbers.h"
#include "tests/deep_docx/deep_package.h"

namespace kw {
namespace {

using test::MakeEntry;
using test::Package;
using test::ReadDeep;

const char kW[] = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

// <w:lvl> of an abstract list: "fmt" "text" start.
std::string Lvl(int level, const char* format, const char* text, int start = 1, const char* extra = "") {
  return "<w:lvl w:ilvl=\"" + std::to_string(level) + "\"><w:start w:val=\"" + std::to_string(start) +
         "\"/><w:numFmt w:val=\"" + format + "\"/>" + extra + "<w:lvlText w:val=\"" + text +
         "\"/><w:rPr><w:rFonts w:ascii=\"Symbol\"/></w:rPr></w:lvl>";
}

std::string Numbering(const std::string& inner) {
  return std::string("<?xml version=\"1.0\"?><w:numbering ") + kW + ">" + inner + "</w:numbering>";
}

std::string Abstract(int id, const std::string& levels) {
  return "<w:abstractNum w:abstractNumId=\"" + std::to_string(id) + "\">" + levels + "</w:abstractNum>";
}

std::string Num(int id, int abstractId, const std::string& overrides = "") {
  return "<w:num w:numId=\"" + std::to_string(id) + "\"><w:abstractNumId w:val=\"" + std::to_string(abstractId) +
         "\"/>" + overrides + "</w:num>";
}

// A paragraph: `props` inside its w:pPr, `runs` after.
std::string P(const std::string& props, const std::string& text, const std::string& runs = "") {
  return "<w:p><w:pPr>" + props + "</w:pPr><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>" + runs + "</w:p>";
}

std::string Item(int numId, int level, const std::string& text) {
  return P("<w:numPr><w:ilvl w:val=\"" + std::to_string(level) + "\"/><w:numId w:val=\"" + std::to_string(numId) +
               "\"/></w:numPr>",
           text);
}

std::string Document(const std::string& body) {
  return std::string("<?xml version=\"1.0\"?><w:document ") + kW + "><w:body>" + body + "</w:body></w:document>";
}

std::string Deep(const std::string& body, const std::string& numbering, const std::string& styles = "") {
  std::vector<test::LocalEntry> entries = {MakeEntry(Document(body))};
  if (!numbering.empty()) entries.push_back(MakeEntry(numbering, 8, "word/numbering.xml"));
  if (!styles.empty()) entries.push_back(MakeEntry(styles, 8, "word/styles.xml"));
  const test::DeepResult r = ReadDeep(Package(entries));
  EXPECT_TRUE(r.status.ok()) << r.status.message();
  return r.text;
}

TEST(ListNumbers, FormatsAndTheirLimits) {
  EXPECT_EQ(FormatListNumber(1994, NumberFormat::kUpperRoman), "MCMXCIV");
  EXPECT_EQ(FormatListNumber(4, NumberFormat::kLowerRoman), "iv");
  EXPECT_EQ(FormatListNumber(4000, NumberFormat::kLowerRoman), "4000");
  EXPECT_EQ(FormatListNumber(26, NumberFormat::kLowerLetter), "z");
  EXPECT_EQ(FormatListNumber(28, NumberFormat::kUpperLetter), "BB");
  EXPECT_EQ(FormatListNumber(0, NumberFormat::kLowerLetter), "0");
  EXPECT_EQ(FormatListNumber(2, NumberFormat::kOrdinal), "2nd");
  EXPECT_EQ(FormatListNumber(13, NumberFormat::kOrdinal), "13th");
  EXPECT_EQ(FormatListNumber(23, NumberFormat::kOrdinal), "23rd");
  EXPECT_EQ(FormatListNumber(7, NumberFormat::kDecimalZero), "07");
  EXPECT_EQ(FormatListNumber(12, NumberFormat::kDecimalZero), "12");
  EXPECT_EQ(FormatListNumber(-3, NumberFormat::kDecimal), "-3");
  EXPECT_EQ(FormatListNumber(5, NumberFormat::kBullet), "");
  EXPECT_EQ(BulletChar(0xF0B7), U'\u2022');
  EXPECT_EQ(BulletChar('o'), U'o');
}

TEST(DocxNumbering, EachFormatNestedLevelsAndBullets) {
  const std::string numbering = Numbering(
      Abstract(1, Lvl(0, "decimal", "%1.") + Lvl(1, "lowerLetter", "%2)") + Lvl(2, "lowerRoman", "%1.%2.%3")) +
      Abstract(2, Lvl(0, "upperRoman", "%1.") + Lvl(1, "upperLetter", "(%2)")) +
      Abstract(3, Lvl(0, "bullet", "\xEF\x82\xB7") + Lvl(1, "bullet", "o")) +
      Abstract(4, Lvl(0, "ordinal", "%1") + Lvl(1, "decimalZero", "%2.")) + Num(1, 1) + Num(2, 2) + Num(3, 3) +
      Num(4, 4));
  const std::string body = Item(1, 0, "one") + Item(1, 1, "one a") + Item(1, 1, "one b") + Item(1, 2, "deep") +
                           Item(1, 0, "two") + Item(1, 1, "two a") + Item(2, 0, "R1") + Item(2, 1, "RA") +
                           Item(2, 0, "R2") + Item(3, 0, "dot") + Item(3, 1, "circle") + Item(4, 0, "first") +
                           Item(4, 0, "second") + Item(4, 1, "zero") + P("", "plain");
  EXPECT_EQ(Deep(body, numbering),
            "1.\tone\r\na)\tone a\r\nb)\tone b\r\n1.b.i\tdeep\r\n2.\ttwo\r\na)\ttwo a\r\n"
            "I.\tR1\r\n(A)\tRA\r\nII.\tR2\r\n\xE2\x80\xA2\tdot\r\no\tcircle\r\n1st\tfirst\r\n2nd\tsecond\r\n"
            "01.\tzero\r\nplain\r\n");
}

TEST(DocxNumbering, StartValuesSuffixesAndNoNumber) {
  const std::string numbering = Numbering(Abstract(1, Lvl(0, "decimal", "(%1)", 5, "<w:suff w:val=\"space\"/>") +
                                                          Lvl(1, "none", "", 1, "<w:suff w:val=\"nothing\"/>")) +
                                          Num(1, 1));
  EXPECT_EQ(Deep(Item(1, 0, "five") + Item(1, 1, "none") + Item(1, 0, "six") + Item(7, 0, "unknown list") +
                     P("<w:numPr><w:numId w:val=\"0\"/></w:numPr>", "list removed"),
                 numbering),
            "(5) five\r\nnone\r\n(6) six\r\nunknown list\r\nlist removed\r\n");
}

// Controls in a level's text are dropped; a level past the ninth has no number, a negative one counts as not given.
TEST(DocxNumbering, ControlsInLevelTextAndLevelsOutOfRange) {
  const std::string numbering =
      Numbering(Abstract(1, Lvl(0, "decimal", "&#x85;%1&#7;&#xFFFF;.%x") + Lvl(1, "lowerLetter", "%2%9") +
                                // a control between the bytes of a cut character: they must not join into U+0080
                                Lvl(2, "decimal", "%3\xC2&#5;\x80\xF5.")) +
                Num(1, 1));
  EXPECT_EQ(Deep(Item(1, 0, "a") + Item(1, 1, "b") + Item(1, 2, "c") + Item(1, 12, "far") + Item(1, -5, "negative"),
                 numbering),
            "1.%x\ta\r\na\tb\r\n1.\tc\r\nfar\r\n2.%x\tnegative\r\n");
}

TEST(DocxNumbering, InstancesOfOneListCountOnUnlessTheyRestart) {
  const std::string restart = "<w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"1\"/></w:lvlOverride>";
  const std::string ten = "<w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"10\"/></w:lvlOverride>";
  const std::string whole = "<w:lvlOverride w:ilvl=\"0\">" + Lvl(0, "upperLetter", "%1:") + "</w:lvlOverride>";
  const std::string numbering = Numbering(Abstract(1, Lvl(0, "decimal", "%1.")) + Num(1, 1) + Num(2, 1) +
                                          Num(3, 1, restart) + Num(4, 1, ten) + Num(5, 1, whole));
  EXPECT_EQ(Deep(Item(1, 0, "a") + Item(1, 0, "b") + Item(2, 0, "c") + Item(3, 0, "d") + Item(3, 0, "e") +
                     Item(4, 0, "f") + Item(4, 0, "g") + Item(5, 0, "h"),
                 numbering),
            "1.\ta\r\n2.\tb\r\n3.\tc\r\n1.\td\r\n2.\te\r\n10.\tf\r\n11.\tg\r\nL:\th\r\n");
}

TEST(DocxNumbering, LevelsRestartAfterTheLevelTheirRestartNames) {
  // Level 1 never restarts; level 2 restarts after level 0 only (w:lvlRestart
  // is one-based), not after level 1; level 3 names a level below itself,
  // which is ignored: it restarts after every level above it.
  const std::string numbering =
      Numbering(Abstract(1, Lvl(0, "decimal", "%1.") + Lvl(1, "lowerLetter", "%2)", 1, "<w:lvlRestart w:val=\"0\"/>") +
                                Lvl(2, "lowerRoman", "%3.", 1, "<w:lvlRestart w:val=\"1\"/>") +
                                Lvl(3, "upperLetter", "%4.", 1, "<w:lvlRestart w:val=\"7\"/>")) +
                Num(1, 1));
  EXPECT_EQ(Deep(Item(1, 0, "p") + Item(1, 1, "q") + Item(1, 2, "r") + Item(1, 3, "s") + Item(1, 1, "t") +
                     Item(1, 2, "u") + Item(1, 3, "v") + Item(1, 0, "w") + Item(1, 1, "x") + Item(1, 2, "y"),
                 numbering),
            "1.\tp\r\na)\tq\r\ni.\tr\r\nA.\ts\r\nb)\tt\r\nii.\tu\r\nA.\tv\r\n2.\tw\r\nc)\tx\r\ni.\ty\r\n");
}

TEST(DocxNumbering, HeadingsNumberedThroughTheirStyles) {
  const std::string numbering =
      Numbering(Abstract(6, Lvl(0, "decimal", "%1", 1, "<w:pStyle w:val=\"Heading1\"/>") +
                                Lvl(1, "decimal", "%1.%2", 1, "<w:pStyle w:val=\"Heading2\"/>")) +
                Num(3, 6));
  const std::string styles =
      std::string("<?xml version=\"1.0\"?><w:styles ") + kW +
      "><w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:pPr><w:numPr><w:numId w:val=\"3\"/></w:numPr>"
      "</w:pPr></w:style><w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:basedOn w:val=\"Heading1\"/>"
      "<w:pPr><w:numPr><w:ilvl w:val=\"1\"/></w:numPr></w:pPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Quiet\"><w:basedOn w:val=\"Heading2\"/></w:style>"
      "<w:style w:type=\"character\" w:styleId=\"Heading1\"><w:pPr><w:numPr><w:numId w:val=\"9\"/></w:numPr>"
      "</w:pPr></w:style></w:styles>";
  const auto heading = [](const char* style, const char* text) {
    return P(std::string("<w:pStyle w:val=\"") + style + "\"/>", text);
  };
  EXPECT_EQ(Deep(heading("Heading1", "Intro") + heading("Heading2", "Scope") + heading("Quiet", "Based") +
                     heading("Heading1", "Method") + heading("Normal", "Body") +
                     P("<w:pStyle w:val=\"Heading2\"/><w:numPr><w:numId w:val=\"0\"/></w:numPr>", "Unnumbered"),
                 numbering, styles),
            "1\tIntro\r\n1.1\tScope\r\n1.2\tBased\r\n2\tMethod\r\nBody\r\nUnnumbered\r\n");
}

// A list that links to a numbering style takes the levels of the list that
// style numbers by, and counts with it; a legal level writes all in decimal.
TEST(DocxNumbering, ListsLinkedThroughNumberingStylesAndLegalLevels) {
  const std::string numbering =
      Numbering(Abstract(1, "<w:styleLink w:val=\"Outline\"/>" + Lvl(0, "upperRoman", "%1.") +
                                Lvl(1, "upperLetter", "%1.%2", 1, "<w:isLgl/>")) +
                "<w:abstractNum w:abstractNumId=\"2\"><w:numStyleLink w:val=\"Outline\"/></w:abstractNum>" + Num(1, 1) +
                Num(2, 2));
  const std::string styles = std::string("<?xml version=\"1.0\"?><w:styles ") + kW +
                             "><w:style w:type=\"numbering\" w:styleId=\"Outline\"><w:pPr><w:numPr>"
                             "<w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style></w:styles>";
  EXPECT_EQ(Deep(Item(1, 0, "one") + Item(2, 0, "two") + Item(2, 1, "legal"), numbering, styles),
            "I.\tone\r\nII.\ttwo\r\n2.1\tlegal\r\n");
}

TEST(DocxNumbering, PropertiesOfATrackedChangeAreNotTheParagraphs) {
  const std::string numbering = Numbering(Abstract(1, Lvl(0, "decimal", "%1.")) + Num(1, 1));
  EXPECT_EQ(Deep(P("<w:pPrChange><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"
                   "</w:pPrChange>",
                   "was a list item") +
                     Item(1, 0, "is one"),
                 numbering),
            "was a list item\r\n1.\tis one\r\n");
}

TEST(DocxNumbering, DamagedOrMissingDefinitionsKeepTheText) {
  const std::string body = Item(1, 0, "first") + Item(2, 0, "second");
  EXPECT_EQ(Deep(body, ""), "first\r\nsecond\r\n");
  // The part cut inside the second list: the first is still numbered.
  const std::string numbering = Numbering(Abstract(1, Lvl(0, "decimal", "%1.")) + Num(1, 1) +
                                          Abstract(2, Lvl(0, "upperRoman", "%1.")) + Num(2, 2));
  EXPECT_EQ(Deep(body, numbering.substr(0, numbering.find("<w:abstractNum w:abstractNumId=\"2\"") + 20)),
            "1.\tfirst\r\nsecond\r\n");
  EXPECT_EQ(Deep(body, "<w:numbering><w:num w:numId=\"1\"><w:abstractNumId w:val=\"99\"/></w:num><w:lvl"),
            "first\r\nsecond\r\n");
  // An abstract list left open, then an instance whose override names a
  // style: the style's level comes from no other list's level (and the
  // two instances of list 1 count on together).
  const std::string open = "<w:numbering><w:abstractNum w:abstractNumId=\"1\">" + Lvl(0, "decimal", "%1.") + Num(1, 1) +
                           "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/><w:lvlOverride w:ilvl=\"0\">" +
                           Lvl(0, "decimal", "(%1)", 1, "<w:pStyle w:val=\"H\"/>") + "</w:lvlOverride></w:num>";
  const std::string styles = std::string("<w:styles ") + kW +
                             "><w:style w:type=\"paragraph\" w:styleId=\"H\"><w:pPr><w:numPr><w:numId w:val=\"2\"/>"
                             "</w:numPr></w:pPr></w:style></w:styles>";
  EXPECT_EQ(Deep(Item(1, 0, "first") + P("<w:pStyle w:val=\"H\"/>", "styled"), open, styles),
            "1.\tfirst\r\n(2)\tstyled\r\n");
}

std::string Notes(const char* kind, const std::string& notes) {
  return std::string("<?xml version=\"1.0\"?><w:") + kind + "s " + kW + "><w:" + kind +
         " w:type=\"separator\" w:id=\"0\"><w:p><w:r><w:separator/></w:r></w:p></w:" + kind + ">" + notes +
         "</w:" + kind + "s>";
}

std::string Note(const char* kind, int id, const char* text) {
  return std::string("<w:") + kind + " w:id=\"" + std::to_string(id) + "\"><w:p><w:r><w:" + kind +
         "Ref/></w:r><w:r><w:t xml:space=\"preserve\"> " + text + "</w:t></w:r></w:p></w:" + kind + ">";
}

std::string Ref(const char* kind, int id, const char* extra = "") {
  return std::string("<w:r><w:") + kind + "Reference " + extra + "w:id=\"" + std::to_string(id) + "\"/></w:r>";
}

TEST(DocxNotes, MarksAtReferencesAndNoteStartsInReferenceOrder) {
  const std::string body =
      P("", "Alpha", Ref("footnote", 5)) + P("", "Beta", Ref("endnote", 2) + Ref("footnote", 3)) +
      P("", "Gamma", Ref("footnote", 4, "w:customMarkFollows=\"1\" ") + "<w:r><w:t>*</w:t></w:r>") +
      P("", "Delta", Ref("endnote", 7));
  // The notes part comes first in the package: numbers follow the references.
  // (Each notes part begins with its separator's empty paragraph.)
  const test::DeepResult r = ReadDeep(Package(
      {MakeEntry(Notes("footnote", Note("footnote", 3, "three") + Note("footnote", 5, "five") +
                                       "<w:footnote w:id=\"4\"><w:p><w:r><w:t>* custom</w:t></w:r></w:p></w:footnote>"),
                 8, "word/footnotes.xml"),
       MakeEntry(Document(body)),
       MakeEntry(Notes("endnote", Note("endnote", 2, "two") + Note("endnote", 7, "seven")), 8, "word/endnotes.xml")}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text,
            "Alpha1\r\nBetai2\r\nGamma*\r\nDeltaii\r\n\r\n"
            "\r\n2 three\r\n1 five\r\n* custom\r\n\r\n\r\ni two\r\nii seven\r\n");
}

// A row whose last cell lost its end tag: the TAB that ends the row's text
// goes, and a note mark placed after it stays before the line's end.
TEST(DocxNotes, AMarkAtARowsEndStaysBeforeTheLineEnd) {
  const test::DeepResult r =
      ReadDeep(Package({MakeEntry(Document("<w:tbl><w:tr><w:tc>" + P("", "a", "<w:r><w:tab/></w:r>") +
                                           P("", "", Ref("footnote", 1)) + "</w:tr></w:tbl>"))}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "a1\r\n");
}

TEST(DocxNotes, FormatsAndStartsFromTheSettings) {
  const std::string settings = std::string("<w:settings ") + kW +
                               "><w:footnotePr><w:numFmt w:val=\"upperLetter\"/><w:numStart w:val=\"3\"/>"
                               "</w:footnotePr><w:endnotePr><w:numFmt w:val=\"decimal\"/></w:endnotePr></w:settings>";
  const test::DeepResult r =
      ReadDeep(Package({MakeEntry(settings, 8, "word/settings.xml"),
                        MakeEntry(Document(P("", "A", Ref("footnote", 1) + Ref("footnote", 2) + Ref("endnote", 1))))}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "ACD1\r\n");
}

TEST(DocxNotes, ANoteWithoutReferenceGetsNoMark) {
  const test::DeepResult r =
      ReadDeep(Package({MakeEntry(Document(P("", "Text"))),
                        MakeEntry(Notes("footnote", Note("footnote", 1, "orphan")), 8, "word/footnotes.xml")}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "Text\r\n\r\n\r\n orphan\r\n");  // the separator's empty paragraph, then the note
}

}  // namespace
}  // namespace kw
