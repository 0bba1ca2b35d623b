// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/document_text.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

std::string Body(const std::string& inner) {
  return "<?xml version=\"1.0\"?><w:document><w:body>" + inner + "</w:body></w:document>";
}

TEST(DocumentText, Utf8WithWindows1252ForStrayBytes) {
  EXPECT_EQ(DecodeUtf8Lenient("caf\xC3\xA9 \xD0\x9F \xE6\xBC\xA2 \xF0\x9F\x98\x80"),
            "caf\xC3\xA9 \xD0\x9F \xE6\xBC\xA2 \xF0\x9F\x98\x80");
  // Bytes outside a valid sequence: 0xE9 is é, 0x80 the euro sign.
  EXPECT_EQ(DecodeUtf8Lenient("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  // Cut, overlong and surrogate sequences are no UTF-8 either.
  EXPECT_EQ(DecodeUtf8Lenient("\xC3"), "\xC3\x83");
  EXPECT_EQ(DecodeUtf8Lenient("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(DecodeUtf8Lenient("\xED\xA0\x80").size(), 7u);
  EXPECT_EQ(DecodeUtf8Lenient("\xEF\xBB\xBFx"), "x");  // byte-order mark
}

TEST(DocumentText, ParagraphsTabsAndBreaks) {
  const std::string xml = Body(
      "<w:p><w:pPr><w:pStyle w:val=\"Title\"/><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
      "<w:r><w:t>One</w:t><w:tab/><w:t>two</w:t></w:r></w:p>"
      "<w:p/>"
      "<w:p w:rsidR=\"00A1\"><w:r><w:t>Line</w:t><w:br "
      "w:type=\"page\"/><w:t>next</w:t><w:cr/><w:t>last</w:t></w:r></w:p>");
  EXPECT_EQ(DocumentXmlToText(xml), "One\ttwo\r\n\r\nLine\r\nnext\r\nlast\r\n");
}

TEST(DocumentText, ReferencesDecodedBeforeTheQuotePass) {
  const std::string xml = Body(
      "<w:p><w:r><w:t>5 &lt; 6 &amp; 7 &gt; 3, &quot;q&quot; &apos;a&apos; &#233;&#xE9; &#x1F600; "
      "&amp;lt; &bogus; &#0; &#xD800; &#12</w:t></w:r></w:p>");
  // &quot; becomes a double quote and then, as every double quote, an
  // apostrophe; "&amp;lt;" is decoded once only; what is no reference stays,
  // and the "&#" pass still applies to it.
  EXPECT_EQ(DocumentXmlToText(xml),
            "5 < 6 & 7 > 3, 'q' 'a' \xC3\xA9\xC3\xA9 \xF0\x9F\x98\x80 &lt; &bogus; #0; #xD800; #12\r\n");
}

TEST(DocumentText, StrayGreaterThanDoesNotStopTagRemoval) {
  const std::string xml = Body("<w:p><w:r><w:t>a > b</w:t></w:r></w:p><w:p><w:r><w:t>c</w:t></w:r></w:p>");
  EXPECT_EQ(DocumentXmlToText(xml), "a > b\r\nc\r\n");
}

TEST(DocumentText, HtmlRulesStillApply) {
  // "%20" to a space and the "<p" rule before picture elements, as for any
  // markup.
  const std::string xml = Body("<w:p><w:r><w:t>50%20off</w:t><pic:pic/><w:t>x</w:t></w:r></w:p>");
  EXPECT_EQ(DocumentXmlToText(xml), "50 off\r\n\r\nx\r\n");
}

TEST(DocumentText, DamagedMarkupGivesTextNotACrash) {
  EXPECT_EQ(DocumentXmlToText(""), "");
  EXPECT_EQ(DocumentXmlToText("<w:p><w:t>cut off <w:"), "cut off <w:");
  EXPECT_EQ(DocumentXmlToText("<w:p><w:t>x</w:t></w:p><w:tab/></w:tabs><w:tab/>"), "x\r\n\t\t");
}

TEST(DocumentText, AMillionUnclosedLessThanSigns) {
  // Each "<" once made the break marking search the rest of the document
  // for a ">": hours on a few MiB. The run is one tag for the removal.
  const std::string xml = "a>b" + std::string(1 << 20, '<') + "c>d<w:p/>e";
  EXPECT_EQ(MarkBreaks(xml), "a&gt;b" + std::string(1 << 20, '<') + "c>d<w:p/>&#13;&#10;e");
  EXPECT_EQ(DocumentXmlToText(xml), "a>bd\r\ne");
  EXPECT_EQ(DocumentXmlToText(std::string(1 << 20, '<')), std::string(1 << 20, '<'));
}

}  // namespace
}  // namespace kw
