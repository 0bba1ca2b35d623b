// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/html_to_text.h"

#include <gtest/gtest.h>

#include <random>

#include "formats/docx/text/tag_removal.h"
#include "formats/docx/text/tag_rounds.h"

namespace kw {
namespace {

TEST(HtmlToText, BreakTagsAndBlockStarts) {
  EXPECT_EQ(HtmlToText("a<br>b<br />c<br/>d"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(HtmlToText("a<BR>b"), "ab");  // upper case: an ordinary tag
  EXPECT_EQ(HtmlToText("a<div>b<span>c"), "a\r\n\r\nb\r\n\r\nc");
  // Every tag beginning with "<p" counts, pictures with the pic: prefix too;
  // namespace-prefixed paragraphs do not.
  EXPECT_EQ(HtmlToText("a<pre>b<pic:pic/>c"), "a\r\n\r\nb\r\n\r\nc");
  EXPECT_EQ(HtmlToText("<w:p><w:t>one</w:t></w:p><w:p><w:t>two</w:t></w:p>"), "onetwo");
}

TEST(HtmlToText, InputLineBreaksNeverSurvive) {
  EXPECT_EQ(HtmlToText("a\r\nb\nc\rd"), "abcd");
  EXPECT_EQ(HtmlToText("<b\n>x</b\r\n>"), "x");  // joined first, then removed as tags
}

TEST(HtmlToText, HeadCut) {
  EXPECT_EQ(HtmlToText("intro<HEAD><title>T</title></Head>body"), "body");
  // Without its end nothing is cut; the tags still go.
  EXPECT_EQ(HtmlToText("<head><title>T</title>body"), "Tbody");
  // The end is searched from the second character on.
  EXPECT_EQ(HtmlToText("x</head>y<head>z"), "yz");
}

TEST(HtmlToText, TagRemovalRules) {
  EXPECT_EQ(HtmlToText("<a><b></b></a>"), "");
  // The first ">" before the first "<": every tag stays.
  EXPECT_EQ(HtmlToText("x>y<b>z</b>"), "x>y<b>z</b>");
  // Removal stops at a stray ">" that comes before the first remaining tag,
  // but every copy of a removed tag goes, also after it.
  EXPECT_EQ(HtmlToText("<i>a>b</i><i><u>c"), "a>b</i><u>c");
  // A lone "<" opens a tag up to the next ">", and every copy of that
  // stretch goes too.
  EXPECT_EQ(HtmlToText("1 < 2 <b>x</b> 1 < 2 <b>y"), "1 x 1 y");
}

TEST(HtmlToText, CharacterPasses) {
  EXPECT_EQ(HtmlToText("say \"hi\"%20now"), "say 'hi' now");
  // Named references stay; numeric ones lose their ampersand.
  EXPECT_EQ(HtmlToText("&amp; &lt; &gt; &quot; &#233; &#x41;"), "&amp; &lt; &gt; &quot; #233; #x41;");
  // Passes run on the text left by tag removal.
  EXPECT_EQ(HtmlToText("<b>&</b>#1 %<i>20x"), "#1  x");
  // Spaces go from both ends, then line breaks from the start only; spaces
  // that uncovers stay.
  EXPECT_EQ(HtmlToText("  <br>  x\t <br>  "), "  x\t \r\n");
}

TEST(ReplaceAll, LeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("<p<p", "<p", "x<p"), "x<px<p");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
}

// Random texts over a small alphabet: "<" and ">" unbalanced, tags that
// merge after a removal, ">" before the first "<", repeated tag texts.
std::string RandomText(std::mt19937& random, bool wellFormed) {
  static const char* kTokens[] = {"<a>", "<b>", "</a>", "<a x>", "<>", "<p>", "x", "y", " ", ">"};
  static const char kChars[] = "<>ab/ ";
  std::string text;
  const int length = static_cast<int>(random() % 24);
  for (int i = 0; i < length; ++i) {
    if (wellFormed || random() % 2 == 0) {
      text += kTokens[random() % std::size(kTokens)];
    } else {
      text += kChars[random() % (std::size(kChars) - 1)];
    }
  }
  if (wellFormed && random() % 4 == 0) text += "<tail";  // a last "<" never closed
  return text;
}

TEST(RemoveTags, SweepAgreesWithTheLiteralLoop) {
  std::mt19937 random(20240501);
  int swept = 0;
  for (int i = 0; i < 40000; ++i) {
    const bool wellFormed = i % 2 == 0;
    const std::string text = RandomText(random, wellFormed);
    if (wellFormed) {
      ASSERT_TRUE(TagsCannotMerge(text)) << text;
    }
    if (TagsCannotMerge(text)) ++swept;
    ASSERT_EQ(RemoveTags(text), RemoveTagsLiteral(text)) << "input: " << text;
  }
  EXPECT_GT(swept, 20000);
}

TEST(RemoveTags, AfterTheFirstStrayOnlyCopiesOfEarlierTagsGo) {
  // Only the tags before the stray are remembered; a text of millions of
  // distinct tags without a stray (every .docx) remembers none.
  EXPECT_EQ(RemoveTags("<a>x>y<a><b>z<a>"), "x>y<b>z");
  EXPECT_EQ(RemoveTags("<a><b>x>"), "x>");
  EXPECT_EQ(RemoveTags(">x<a><b>"), ">x<a><b>");
  std::string distinct;
  for (int i = 0; i < 100000; ++i) distinct += "<t" + std::to_string(i) + ">.";
  EXPECT_EQ(RemoveTags(distinct), std::string(100000, '.'));
}

TEST(RemoveTags, MergingTagsGiveWhatTheLiteralLoopGives) {
  // Removing "<a>" joins "<x" and "y>" into a new tag "<xy>".
  const std::string text = "<a>1<x<a>y>2<xy>";
  EXPECT_FALSE(TagsCannotMerge(text));
  EXPECT_EQ(RemoveTagsLiteral(text), "12");
  EXPECT_EQ(RemoveTags(text), "12");
  // Texts made of the pieces that merge: open and closed tags, lone "<" and
  // ">", tags with several "<" that share their ending.
  std::mt19937 random(20261207);
  const char* pieces[] = {"<a>", "<b>", "<", ">", "x", "<a", "b>", "<p <q>", "<<", ">>"};
  for (int i = 0; i < 20000; ++i) {
    std::string t;
    for (int n = random() % (i < 15000 ? 12 : 200); n > 0; --n) t += pieces[random() % 10];
    ASSERT_EQ(RemoveTagsInRounds(t), RemoveTagsLiteral(t)) << "input: " << t;
  }
}

}  // namespace
}  // namespace kw
