// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/markup_check.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kw
