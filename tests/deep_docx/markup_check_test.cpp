// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/markup_check.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kw {
namespace {

// How many bytes of `bytes` are accepted before the first that is not
// (all of them when none fails); `lost` starts as after an unknown byte.
size_t Accepted(std::string_view bytes, bool lost = false) {
  MarkupCheck check;
  if (lost) check.lose();
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (!check.accept(static_cast<uint8_t>(bytes[i]))) return i;
  }
  return bytes.size();
}

// Text out of step shows in its UTF-8 before its markup breaks: a lead byte
// without its continuation bytes, a continuation byte alone, or a byte no
// UTF-8 holds. After an unknown byte, continuation bytes may be its own.
TEST(MarkupCheck, TextMustBeUtf8) {
  const std::string_view good = "<w:t>\xC3\x87on \xE2\x80\x9Cq\xE2\x80\x9D \xF0\x9F\x98\x80</w:t>";
  EXPECT_EQ(Accepted(good), good.size());
  EXPECT_EQ(Accepted("<w:t>\xC3"
                     "eHe"),
            6u);
  EXPECT_EQ(Accepted("<w:t>p\xA7on"), 6u);
  EXPECT_EQ(Accepted("<w:t>\xE2\x80"
                     "x"),
            7u);
  EXPECT_EQ(Accepted("ab\xC0\x80"), 2u);
  EXPECT_EQ(Accepted("ab\xF5\x80\x80\x80"), 2u);
  EXPECT_EQ(Accepted("\x80\x80"
                     "abc\xC3\xA9",
                     true),
            7u);
  EXPECT_EQ(Accepted("\x80"
                     "a\x80",
                     true),
            2u);
  EXPECT_EQ(Accepted("<w:t w:val=\"\xC3\"/>"), 13u);  // in an attribute value too
}

// Bytes copied from the wrong place soon close an element that is not the
// innermost open one. What was opened before an unknown byte is not known,
// so an end tag past what is known passes.
TEST(MarkupCheck, EndTagsCloseTheInnermostKnownElement) {
  const std::string_view whole = "<w:p><w:r><w:t xml:space=\"preserve\">a</w:t><w:br/></w:r></w:p >";
  EXPECT_EQ(Accepted(whole), whole.size());
  const std::string_view crossed = "<w:p><w:r><w:t>a</w:r>";
  EXPECT_EQ(Accepted(crossed), crossed.size() - 1);
  EXPECT_EQ(Accepted("<w:p></w:pPr>"), 12u);
  EXPECT_EQ(Accepted("<w:p><//w:p>"), 7u);
  EXPECT_EQ(Accepted("<w:p></w:p a=\"1\">"), 11u);
  // After an unknown byte: the end tags of elements opened before it pass,
  // those opened after it are checked again.
  const std::string_view lostOpen = "</w:t></w:r><w:r><w:t>b</w:t></w:r></w:p>";
  EXPECT_EQ(Accepted(lostOpen, true), lostOpen.size());
  const std::string_view lostCrossed = "</w:t><w:r><w:t>b</w:r>";
  EXPECT_EQ(Accepted(lostCrossed, true), lostCrossed.size() - 1);
  // Deeper than it keeps: the outermost are forgotten, the innermost checked.
  std::string deep, closes;
  for (int i = 0; i < 30; ++i) {
    deep += "<e" + std::to_string(i) + ">";
    closes = "</e" + std::to_string(i) + ">" + closes;
  }
  EXPECT_EQ(Accepted(deep + closes), deep.size() + closes.size());
  EXPECT_EQ(Accepted(deep + "</e28>"), deep.size() + 5);
}

}  // namespace
}  // namespace kw
