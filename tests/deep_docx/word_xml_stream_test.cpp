// SPDX-License-Identifier: Apache-2.0
// WordXmlText fed in pieces (beginStream, feed, endStream) against addPiece
// on the whole part: the same text and the same dropped count, however the
// part is cut; or, for a part with an unknown byte, a call to read it whole.

#include <gtest/gtest.h>

#include <random>

#include "formats/docx/deep/tolerant_inflate.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {
namespace {

struct Read {
  std::string text;
  int64_t dropped = 0;
  bool whole = false;
  bool operator==(const Read&) const = default;
};

Read Oracle(std::string_view xml) {
  Read r;
  if (xml.find(kUnknownByte) != std::string_view::npos) {
    r.whole = true;
    return r;
  }
  WordXmlText reader(&r.text);
  reader.addPiece(xml, true);
  r.dropped = reader.droppedBytes();
  return r;
}

Read Streamed(std::string_view xml, const std::vector<size_t>& cuts, bool wholeOnUnknown = true) {
  Read r;
  WordXmlText reader(&r.text);
  reader.beginStream(wholeOnUnknown);
  size_t at = 0;
  for (const size_t cut : cuts) {
    reader.feed(xml.substr(at, cut - at));
    at = cut;
  }
  reader.feed(xml.substr(at));
  reader.endStream();
  if (reader.needsWhole()) {
    r.text.clear();
    r.whole = true;
    return r;
  }
  r.dropped = reader.droppedBytes();
  return r;
}

// Whole, byte by byte, and in two pieces cut at every position.
void ExpectSameEverywhere(std::string_view xml) {
  const Read expected = Oracle(xml);
  ASSERT_EQ(Streamed(xml, {}), expected) << xml;
  std::vector<size_t> bytes;
  for (size_t k = 1; k < xml.size(); ++k) bytes.push_back(k);
  ASSERT_EQ(Streamed(xml, bytes), expected) << "byte by byte: " << xml;
  for (size_t k = 1; k < xml.size(); ++k) ASSERT_EQ(Streamed(xml, {k}), expected) << "cut at " << k << ": " << xml;
}

TEST(WordXmlStream, CraftedParts) {
  for (const char* xml : {
           "",
           "<w:p><w:r><w:t>a &amp; b &lt;&gt;&quot;&apos; &#x263A;&#9731; &#3&#x41; &bogus; &#xZZ; & ; "
           "&</w:t></w:r></w:p>",
           "<w:t>&amp&amp;&#1234567890123;&#x110000;&#0;&abcdefghijklmn;</w:t><w:p/>",
           "<w:p><w:t>ke\xFFpt</w:t><w:t>ok</w:t><w:\xFF/><w:t>gone</w:t></w:p>",
           "<w:p><w:pPr><w:tabs><w:tab/></w:tabs></w:pPr><w:r><w:t>x</w:t><w:tab/><w:br/><w:cr/>"
           "<w:noBreakHyphen/><w:softHyphen/><w:sym w:font=\"Symbol\" w:char=\"F0B7\"/></w:r></w:p>",
           "<w:tbl><w:tr><w:tc><w:p><w:t>a</w:t></w:p><w:p><w:t>b</w:t></w:p></w:tc><w:tc><w:p/></w:tc></w:tr></w:tbl>",
           "<mc:AlternateContent><mc:Choice><w:t>c</w:t></mc:Choice><mc:Fallback><w:p><w:t>f</w:t></w:p>"
           "</mc:Fallback></mc:AlternateContent><w:p/>",
           "<?xml version=\"1.0\"?><!-- c --><w:document><w:body><w:p><w:t>x</w:t></w:p>",
           "<w:p><w:t>open run with text and no end",
           "<w:p><w:t>text then a cut tag</w:",
           "<w:t<w:t>>x</w:t><<w:p/>>",
           "text before any tag<w:p/>text after the last",
       }) {
    ExpectSameEverywhere(xml);
  }
}

// Tags longer than what the stream keeps of them.
TEST(WordXmlStream, LongTags) {
  const std::string pad(WordXmlText::kKeptTag + 5, 'a');
  for (const std::string& xml :
       {"<w:p><w:t x=\"" + pad + "\">kept</w:t></w:p>", "<w:p><w:t>x</w:t><w:br y=\"" + pad + "\"/><w:t>y</w:t></w:p>",
        "<w:p><w:t>d</w:t><w:br y=\"" + pad + "\xFF\"/></w:p>", "<w:p" + pad + "/>", "<w:p><w:t>open " + pad}) {
    const Read expected = Oracle(xml);
    for (const size_t cut : {size_t{3}, size_t{20}, WordXmlText::kKeptTag, xml.size() - 4}) {
      EXPECT_EQ(Streamed(xml, {cut}), expected) << "cut at " << cut;
    }
    EXPECT_EQ(Streamed(xml, {}), expected);
  }
  // A long w:sym reads its attributes anywhere: the part must be read whole.
  const std::string sym = "<w:p><w:sym w:x=\"" + pad + "\" w:char=\"F0B7\" w:font=\"Symbol\"/></w:p>";
  EXPECT_TRUE(Streamed(sym, {100}).whole);
}

// A part too large to hold reads its unknown bytes as they come, however
// it is cut: words clear of them, tags holding them ignored, nothing stranded.
TEST(WordXmlStream, UnknownBytesInAPartTooLargeToHold) {
  const std::string xml =
      "<w:p><w:r><w:t>one tw\xFFo three</w:t></w:r><w:\xFF/><w:r><w:t>four</w:t></w:r></w:p>"
      "\xFF stranded words here \xFF<w:p><w:r><w:t>five</w:t></w:r></w:p>";
  const Read expected = Streamed(xml, {}, false);
  EXPECT_FALSE(expected.whole);
  EXPECT_EQ(expected.text, "one threefour\r\nfive\r\n");
  EXPECT_EQ(expected.dropped, 5);  // "tw\xFFo" and the space after it
  for (size_t k = 1; k < xml.size(); ++k) ASSERT_EQ(Streamed(xml, {k}, false), expected) << "cut at " << k;
}

TEST(WordXmlStream, RandomParts) {
  const std::vector<std::string> tokens = {"<w:p>",
                                           "</w:p>",
                                           "<w:p/>",
                                           "<w:t>",
                                           "</w:t>",
                                           "<w:tab/>",
                                           "<w:br/>",
                                           "<w:tc>",
                                           "</w:tc>",
                                           "<w:tr>",
                                           "</w:tr>",
                                           "<mc:Fallback>",
                                           "</mc:Fallback>",
                                           "<w:sym w:char=\"41\"/>",
                                           "&amp;",
                                           "&#x41;",
                                           "&",
                                           ";",
                                           "#",
                                           "<",
                                           ">",
                                           "a",
                                           " ",
                                           "\xFF",
                                           "\xC3\xA9",
                                           "<w:tabs>",
                                           "</w:tabs>"};
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    std::string xml;
    const int length = static_cast<int>(random() % 40);
    for (int k = 0; k < length; ++k) xml += tokens[random() % tokens.size()];
    std::vector<size_t> cuts;
    for (size_t at = 1 + random() % 5; at < xml.size(); at += 1 + random() % 9) cuts.push_back(at);
    ASSERT_EQ(Streamed(xml, cuts), Oracle(xml)) << xml;
    if (round % 20 == 0) ExpectSameEverywhere(xml);
  }
}

}  // namespace
}  // namespace kw
