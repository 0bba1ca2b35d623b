// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/word_xml_text.h"

#include <gtest/gtest.h>

#include "formats/docx/deep/tolerant_inflate.h"

namespace kw {
namespace {

std::string Text(std::string_view xml) {
  std::string out;
  WordXmlText(&out).addPiece(xml, true);
  return out;
}

std::string InRun(std::string_view inner) { return "<w:p><w:r>" + std::string(inner) + "</w:r></w:p>"; }

TEST(WordXmlText, RunsBreaksTabsAndHyphens) {
  EXPECT_EQ(Text(InRun("<w:t>a</w:t><w:br/><w:t xml:space=\"preserve\">b </w:t><w:tab/><w:t>c</w:t><w:cr/>")),
            "a\r\nb \tc\r\n\r\n");
  EXPECT_EQ(Text(InRun("<w:t>co</w:t><w:softHyphen/><w:t>op</w:t><w:noBreakHyphen/><w:t>x</w:t>")), "coop-x\r\n");
  EXPECT_EQ(Text("<w:p/><w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>" +
                 InRun("<w:t>t</w:t>").substr(5)),
            "\r\nt\r\n");
}

TEST(WordXmlText, EntitiesAndUtf8) {
  EXPECT_EQ(Text(InRun("<w:t>&amp;&lt;&gt;&quot;&apos;&#65;&#x42;&#x1F600;&#0;&bogus; \xC3\xA9</w:t>")),
            "&<>\"'AB\xF0\x9F\x98\x80\xEF\xBF\xBD&bogus; \xC3\xA9\r\n");
}

// No control character reaches the text, written raw or as a reference:
// TAB stays, a line end inside a run is a space, the others go (C0, DEL,
// C1, U+FFFE), and so does a w:sym that names one.
TEST(WordXmlText, ControlCharactersAreNoText) {
  EXPECT_EQ(Text(InRun("<w:t>a&#1;b\x02"
                       "c&#x7F;d\xC2\x85"
                       "e&#xFFFE;f\tg\r\nh\ni&#13;j</w:t>")),
            "abcdef\tg h i j\r\n");
  // Bytes that are no UTF-8 are kept as they are, not taken for a C1 control;
  // and what a removal brings together is no control either (fuzzer finds).
  EXPECT_EQ(Text(InRun("<w:t>\xC2\xC2x\xC2</w:t>")), "\xC2\xC2x\xC2\r\n");
  EXPECT_EQ(Text(InRun("<w:t>\xC2\xC2\x82\x89x</w:t>")), "x\r\n");
  EXPECT_EQ(Text(InRun("<w:t>a\xC2\x01\x94"
                       "b\xEF\xBF\x02\xBF</w:t>")),
            "ab\r\n");
  EXPECT_EQ(Text(InRun("<w:t>c\xC2</w:t><w:t>\x85"
                       "d\xEF</w:t><w:t>\xBF\xBF"
                       "e</w:t>")),
            "cde\r\n");
  // Nor what a paragraph break brings together (a table opened in a cell):
  // a paragraph cannot begin inside a character, so its continuation bytes go.
  EXPECT_EQ(Text("<w:tbl><w:tr><w:tc><w:p><w:r><w:t>c\xC2</w:t></w:r></w:p><w:tbl><w:tr><w:tc><w:p><w:r><w:t>\x85"
                 "d</w:t></w:r></w:p></w:tc></w:tr></w:tbl></w:tc></w:tr></w:tbl>"),
            "c\xC2"
            "d\r\n\r\n");
  EXPECT_EQ(Text(InRun("<w:t>k</w:t><w:sym w:char=\"0007\"/><w:sym w:char=\"0081\"/><w:t>l</w:t>")), "kl\r\n");
  // In a long run, wherever it stands (the search goes sixteen bytes at a time).
  for (size_t at = 0; at < 40; ++at) {
    std::string run(40, 'x');
    run.replace(at, 1, "\x01");
    EXPECT_EQ(Text(InRun("<w:t>" + run + "</w:t>")), std::string(39, 'x') + "\r\n") << at;
  }
  std::string streamed;
  WordXmlText reader(&streamed);
  reader.beginStream();
  for (const char c : InRun("<w:t>a&#1;b\x02"
                            "c</w:t>"))
    reader.feed(std::string_view(&c, 1));
  reader.endStream();
  EXPECT_EQ(streamed, "abc\r\n");
}

TEST(WordXmlText, DeletedTextFieldCodesAndFallbacksAreNotText) {
  EXPECT_EQ(Text(InRun("<w:delText>gone</w:delText><w:instrText> PAGE </w:instrText><w:t>kept</w:t>")), "kept\r\n");
  EXPECT_EQ(Text("<mc:AlternateContent><mc:Choice>" + InRun("<w:t>box</w:t>") + "</mc:Choice><mc:Fallback>" +
                 InRun("<w:t>box</w:t>") + "</mc:Fallback></mc:AlternateContent>"),
            "box\r\n");
}

TEST(WordXmlText, EquationTextInReadingOrder) {
  EXPECT_EQ(Text("<w:p><w:r><w:t xml:space=\"preserve\">Area </w:t></w:r><m:oMath><m:r><m:t>A=</m:t></m:r>"
                 "<m:sSup><m:e><m:r><m:t>r</m:t></m:r></m:e><m:sup><m:r><m:t>2</m:t></m:r></m:sup></m:sSup>"
                 "</m:oMath></w:p><w:p><m:oMathPara><m:oMath><m:f><m:num><m:r><m:t>a</m:t></m:r></m:num>"
                 "<m:den><m:r><m:t>b</m:t></m:r></m:den></m:f></m:oMath></m:oMathPara></w:p>"),
            "Area A=r2\r\nab\r\n");
}

TEST(WordXmlText, TableCellsAndRows) {
  const std::string cell1 = "<w:tc><w:p><w:r><w:t>a</w:t></w:r></w:p><w:p><w:r><w:t>b</w:t></w:r></w:p></w:tc>";
  const std::string cell2 = "<w:tc><w:p><w:r><w:t>c</w:t></w:r></w:p></w:tc>";
  EXPECT_EQ(Text("<w:tbl><w:tr>" + cell1 + cell2 + "</w:tr><w:tr>" + cell2 + cell2 + "</w:tr></w:tbl>" +
                 InRun("<w:t>after</w:t>")),
            "a b\tc\r\nc\tc\r\nafter\r\n");
}

TEST(WordXmlText, SymbolsMapToPlainCharacters) {
  EXPECT_EQ(Text(InRun("<w:sym w:font=\"Symbol\" w:char=\"F0B7\"/><w:sym w:font=\"Symbol\" w:char=\"F061\"/>"
                       "<w:sym w:font=\"Wingdings\" w:char=\"F0FC\"/><w:sym w:font=\"Arial\" w:char=\"F041\"/>"
                       "<w:sym w:font=\"Wingdings\" w:char=\"F021\"/><w:sym w:char=\"zz\"/>")),
            "\xE2\x80\xA2\xCE\xB1\xE2\x9C\x93"
            "A\xEF\x80\xA1\r\n");
}

// A piece cut by damage is read to its last complete element; a run that the
// cut ends keeps its words clear of the cut's last 32 bytes, which codes out
// of step may have written before the break showed.
TEST(WordXmlText, CutPieceKeepsTheWordsOfItsCutRunClearOfTheCut) {
  EXPECT_EQ(Text(InRun("<w:t>whole</w:t>") + "<w:p><w:r><w:t>half a ru"), "whole\r\n");
  EXPECT_EQ(Text(InRun("<w:t>one</w:t><w:t>two</w:t>") + "<w:p><w:r><w:t>x</w:t></w:r><w:r><w:t"), "onetwo\r\nx\r\n");
  std::string out;
  WordXmlText reader(&out);
  reader.addPiece("<w:p><w:r><w:t>these words lie well before the cut, and th&amp;se within its re", true);
  EXPECT_EQ(out, "these words lie well before \r\n");
  EXPECT_EQ(reader.droppedBytes(), 32);  // "the cut, and th&se within its re"
}

// A resumed piece: a run whose tags hold an unknown byte is dropped; of one
// whose text holds one, the words clear of it are kept.
TEST(WordXmlText, ResumedPieceKeepsWordsClearOfUnknownBytes) {
  const std::string u(1, kUnknownByte);
  std::string out;
  WordXmlText reader(&out);
  reader.addPiece("xt>lost</w:t></w:r></w:p>" + InRun("<w:t>ke" + u + "pt</w:t>") + "<w:p><w:r><w:t" + u +
                      ">unsure</w:t></w:r></w:p><w:p/>" + InRun("<w:t>sure</w:t>") +
                      InRun("<w:t>one tw" + u + u + " three " + u + "</w:t>"),
                  false);
  EXPECT_EQ(out, "sure\r\none three \r\n");
  EXPECT_EQ(reader.droppedBytes(), 5 + 5 + 1);  // "ke?pt", "tw?? " and "?"
}

// Tags with unknown bytes: a w:t start tag whose name is whole opens its run
// (the text is what follows the unknown bytes or the ">" that the tag still
// shows, less the word they touch), and so does the end of a run's text
// close it; a start tag whose name may go on, or any other tag, loses the run.
TEST(WordXmlText, RunWithDamagedTagsKeepsItsKnownWords) {
  const std::string u(4, kUnknownByte);
  std::string out;
  WordXmlText reader(&out);
  reader.addPiece(InRun("<w:t xml:sp" + u + "Lo mur belo</w:t>") +
                      InRun("<w:t xml:space=\"pre" + u + "\">kept whole</w:t>") +
                      InRun("<w:t>ends here</w:t" + u + "</w:r>") + InRun("<w:t" + u + "maybe a table</w:t>") +
                      InRun("<w:t>gone<w:r" + u + ">"),
                  false);
  EXPECT_EQ(out, "mur belo\r\nkept whole\r\nends here\r\n");
  EXPECT_EQ(reader.droppedBytes(), 7 + 4);  // "????Lo " and "gone"
}

// Tags whose name is unknown too: a start tag that fits the forms writers
// use for w:t, where the bytes left tell it from other tags, opens a run,
// even with its "<" unknown; a tag that fits the end tag closes it, and one
// that fits a paragraph's end ends the paragraph. A tag that fits no form,
// or a run that no end tag closes, gives nothing.
TEST(WordXmlText, RunWhoseTagNamesAreUnknownKeepsItsKnownWords) {
  const auto u = [](size_t n) { return std::string(n, kUnknownByte); };
  std::string out;
  WordXmlText reader(&out);
  reader.addPiece(InRun("<w:" + u(5) + ":spac" + u(3) + "preserve\">kept words</" + u(2) + "t>") + "</" + u(2) + "p>" +
                      u(3) + "r>" + u(3) + "t>after lost tags</" + u(2) + "t></" + u(2) + "r></" + u(2) + "p>" +
                      InRun(std::string(1, '<') + u(2) + "t>short form</w:t>") +
                      InRun("<w:" + u(1) + ">a paragraph</w:r>") + InRun("<w:" + u(20) + "\">an attribute</w:t>") +
                      InRun(u(3) + "t>not closed<w:r/>") +
                      InRun("<w:t xml:" + u(5) + "=\"preserve" + u(2) + "end hidden too</w:t>") +
                      InRun("<w:t" + u(2) + "a table</w:t>"),
                  false);
  // The last but one: its ">" is unknown too, and its text runs on from the form's end.
  EXPECT_EQ(out, "kept words\r\nafter lost tags\r\nshort form\r\nend hidden too\r\n");
}

// A resumed piece whose runs' end tags were copied from before it: no tag
// comes inside a run's text, so a run ends where the unknown bytes could
// first hide "</w:t>", and its words before there are kept, less the one
// they touch. So is a run whose start tag shows only "t>", but not one
// whose text reads as an attribute, holds bytes no text holds, or that no
// unknown bytes close.
TEST(WordXmlText, RunClosedByUnknownBytesKeepsItsKnownWords) {
  const std::string u3(3, kUnknownByte), u9(9, kUnknownByte);
  std::string piece = u3 + "t>Zemijo jot";
  piece += kUnknownByte;
  piece += "ka fa" + u9 + "t>Lo mu " + u9;
  piece += "<w:p><w:r><w:t>known start, end hid" + u9 + "<w:p>";
  piece += u3 + "t>w:val=\"x\" no" + u9;
  piece += "t>bad \xC3\x28 byte" + u9;
  piece += "t>at the end";
  std::string out;
  WordXmlText reader(&out);
  reader.addPiece(piece, false);
  EXPECT_EQ(out, "Zemijo Lo mu known start, end \r\n");
}

}  // namespace
}  // namespace kw
