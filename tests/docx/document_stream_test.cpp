// SPDX-License-Identifier: Apache-2.0
// DocumentTextStream against the literal passes (DocumentXmlToText): the
// same text, byte for byte, however the document is cut into pieces.

#include "formats/docx/text/document_stream.h"

#include <gtest/gtest.h>

#include <random>

#include "formats/docx/text/document_text.h"
#include "formats/docx/text/tag_stream.h"
#include "formats/docx/text/text_tail.h"

namespace kw {
namespace {

// The stream's text, or "(literal)" when it hands the document back.
std::string Streamed(std::string_view xml, const std::vector<size_t>& cuts, bool everyRound = false) {
  DocumentTextStream stream(nullptr, xml.size(), everyRound);
  size_t at = 0;
  for (const size_t cut : cuts) {
    stream.feed(xml.substr(at, cut - at));
    at = cut;
  }
  stream.feed(xml.substr(at));
  return stream.finish() ? stream.takeText() : "(literal)";
}

// The stream that follows every round of tag removal never hands back, and
// gives the literal text however the document is cut.
void ExpectEveryRound(std::string_view xml, const std::string& expected) {
  const std::string whole = Streamed(xml, {}, true);
  ASSERT_EQ(whole, expected) << "every round: " << xml;
  for (size_t k = 1; k < xml.size(); ++k) {
    ASSERT_EQ(Streamed(xml, {k}, true), expected) << "every round, cut at " << k << ": " << xml;
  }
}

// Whole, one byte at a time, and in two pieces cut at every position.
void ExpectSameEverywhere(std::string_view xml, bool streams = true) {
  const std::string expected = DocumentXmlToText(xml);
  ExpectEveryRound(xml, expected);
  const std::string whole = Streamed(xml, {});
  if (whole == "(literal)") {
    EXPECT_FALSE(streams) << "handed back: " << xml;
    return;
  }
  ASSERT_EQ(whole, expected) << "document: " << xml;
  std::vector<size_t> bytes;
  for (size_t k = 1; k < xml.size(); ++k) bytes.push_back(k);
  ASSERT_EQ(Streamed(xml, bytes), expected) << "byte by byte: " << xml;
  for (size_t k = 1; k < xml.size(); ++k) ASSERT_EQ(Streamed(xml, {k}), expected) << "cut at " << k << ": " << xml;
}

TEST(DocumentStream, CraftedDocuments) {
  for (const char* xml : {
           "",
           "\xEF\xBB\xBF<w:p><w:r><w:t>caf\xC3\xA9 \xE9\x80 \xF0\x9F\x98\x80</w:t></w:r></w:p>",
           "\xEF\xBB",
           "<w:p><w:pPr><w:tabs><w:tab w:val=\"left\"/></w:tabs></w:pPr><w:r><w:t>a</w:t><w:tab/><w:br/></w:r></w:p>",
           "<w:p\r\n/><w:\nbr/><w:cr w:x=\"1111111111111111111111111\"/>x<w:tab\n/></w:tab>",
           "a > b &gt;&amp;lt; &#233;&#xE9;&#x1F600; &#0; &#xD800; &#123456789; &bogus; &#12 &#x; &",
           "  \r\n &quot;q&quot; %20%2%%20 &&#35; &amp;#65; %%2%20 &lt;br&gt; trailing   ",
           "&am<x>p; &#3<y>3; % <z> 20 %2<z>0 &<w:p/>#9;",
           "<html><head><title>t</title></head><body><p>one<br>two<br />three<br/></p><div>d</div><span>s</span>",
           "</head>x</head>y<HEAD>",
           "x</head>y<head>",
           "<b\nr>x<b\r\nr />y<br\n/>z<di\nv>",
           "<w:p><w:t>cut off <w:",
           "text <unclosed and more text",
           "<<<<<<<<<<<<<<<<<<<<<<<<p<<br>x<div",
           "<w:t>a</w:t><x y<p q<br/>z",
           "<a>>>><<b>",
           "<x<a>y>",
           "<w:p>\x80\x81\xC3<w:tab/>\xE2\x82",
       }) {
    ExpectSameEverywhere(xml, false);
  }
}

TEST(DocumentStream, OnlyMergingTagsGoBackToTheLiteralPasses) {
  // Well-formed markup and a last "<" never closed always stream.
  ExpectSameEverywhere("<w:p><w:r><w:t>x &amp; y</w:t></w:r></w:p><w:p/>", true);
  ExpectSameEverywhere("<head><title>t</title></head><p>x</p>", true);
  ExpectSameEverywhere("<p>x</p><<<<<<<<<", true);
  EXPECT_EQ(Streamed("<x<a>y>", {}), "(literal)");
  EXPECT_EQ(Streamed("x</head>y<head>", {}), "(literal)");
  // Following every round, nothing goes back: a "<head" after the first
  // "</head>" chooses between the text with the cut and without it.
  EXPECT_EQ(Streamed("<x<a>y>", {}, true), DocumentXmlToText("<x<a>y>"));
  EXPECT_EQ(Streamed("x</head>y<head>", {}, true), DocumentXmlToText("x</head>y<head>"));
  EXPECT_EQ(Streamed("x</head>y", {}, true), DocumentXmlToText("x</head>y"));
}

// Merging tags in long documents, against the literal passes: rounds whose
// tags hold many "<", text held back over many segments, a loop that ends
// at a stray ">".
TEST(DocumentStream, EveryRoundOnLongMergingDocuments) {
  static const char* const kTokens[] = {"<",       ">",     "<a>",   "<b>",    "<a",    "b>",  "x", "<x<a>y>",
                                        "<<<<<a>", "<a<a>", "&amp;", "</w:p>", "<w:p>", "%20", " ", "<b<a<a<a<a>"};
  std::mt19937 random(20261209);
  for (int round = 0; round < 300; ++round) {
    std::string xml;
    const int count = 20 + static_cast<int>(random() % 300);
    for (int k = 0; k < count; ++k) xml += kTokens[random() % std::size(kTokens)];
    const std::string expected = DocumentXmlToText(xml);
    ASSERT_EQ(Streamed(xml, {}, true), expected) << xml;
    ASSERT_EQ(Streamed(xml, {xml.size() / 3, xml.size() / 2}, true), expected) << xml;
  }
}

// Rounds past those remembered still remove their own tag; only the copies
// that come after the loop has ended stay in the text, and only theirs.
TEST(DocumentStream, RoundsPastThoseRememberedRemoveOnlyTheirOwnTag) {
  const auto removed = [](std::string_view text, uint32_t remembered) {
    std::string out;
    TextTail tail(&out);
    TagRemovalStream rounds(&tail, remembered);
    for (const char c : text) rounds.put(c);
    rounds.finish();
    tail.finish();
    return out;
  };
  const std::string text = "<<t0><t1><t2><t3><t4><t5>a>b<t1>c<t4>d<t5>e";
  EXPECT_EQ(removed(text, TagRemovalStream::kRememberedRounds), "a>bcde");
  EXPECT_EQ(removed(text, 3), "a>bc<t4>d<t5>e");  // rounds 1-3: "<<t0>", "<t1>", "<t2>"
}

TEST(DocumentStream, LongTagsAndTextSpillIntoTheTail) {
  const std::string xml = "x<w:p " + std::string(100000, 'a') + "/>y";
  for (const size_t cut : {size_t{3}, size_t{65540}, size_t{100003}}) {
    EXPECT_EQ(Streamed(xml, {cut}), "x\r\ny");
  }
  EXPECT_EQ(Streamed("x <" + std::string(200000, 'a'), {70000, 140000}),
            DocumentXmlToText("x <" + std::string(200000, 'a')));
}

TEST(DocumentStream, RandomDocuments) {
  static const char* const kTokens[] = {
      "<w:p>",     "</w:p>",  "<w:p/>",   "<w:t>",    "</w:t>",  "<w:tab/>", "<w:tabs>",
      "</w:tabs>", "<w:br/>", "<w:cr/>",  "<br>",     "<br />",  "<p",       "<div",
      "<span>",    "<head>",  "</head>",  "<HEAD",    "</HeAd>", "<",        ">",
      "\r",        "\n",      "&amp;",    "&lt;",     "&gt;",    "&quot;",   "&apos;",
      "&#",        "&#x",     "&#65;",    "&#x263A;", ";",       "&",        "\"",
      "%",         "%2",      "%20",      "0",        "2",       " ",        "  ",
      "a",         "text",    "\xC3\xA9", "\xE9",     "\x80",    "\xE2\x82", "\xEF\xBB\xBF",
      "x",         "/"};
  std::mt19937 random(20261207);
  int streamed = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string xml;
    const int count = static_cast<int>(random() % 24);
    const size_t tokens = round % 2 == 0 ? 22 : std::size(kTokens);  // half well-formed markup
    for (int k = 0; k < count; ++k) xml += kTokens[random() % tokens];
    ExpectEveryRound(xml, DocumentXmlToText(xml));
    const std::string whole = Streamed(xml, {});
    if (whole == "(literal)") continue;
    ++streamed;
    ASSERT_EQ(whole, DocumentXmlToText(xml)) << "document: " << xml;
    for (size_t k = 1; k < xml.size(); ++k) ASSERT_EQ(Streamed(xml, {k}), whole) << "cut at " << k << ": " << xml;
  }
  EXPECT_GT(streamed, 1000);
}

// Long runs, which the scans take eight bytes at a time: plain text with
// the tail's special bytes anywhere, and text after merged tags with "<"
// before every byte that a break rule may begin with.
TEST(DocumentStream, LongRunsAcrossWords) {
  static const char* const kTokens[] = {"<",          "<<", "b",  "d", "s",     "p",   "h",  "H",  "/", "x",
                                        "plain text", "&",  "\"", "%", "&amp;", "%20", "\r", "\n", " "};
  std::mt19937 random(20261208);
  for (int round = 0; round < 400; ++round) {
    std::string xml = round % 2 == 0 ? "<x<" : "";
    const int count = 8 + static_cast<int>(random() % 40);
    for (int k = 0; k < count; ++k) xml += kTokens[random() % (round % 2 == 0 ? 11 : std::size(kTokens))];
    ExpectSameEverywhere(xml, false);
  }
}

}  // namespace
}  // namespace kw
