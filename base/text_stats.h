// SPDX-License-Identifier: Apache-2.0
#pragma once
// How much text a job gave back, in the words a user reads: paragraphs (lines
// that hold something other than blanks) and characters (Unicode characters,
// line breaks not counted). One pass over the UTF-8 bytes; an invalid byte
// counts as one character, as the preview shows it.

#include <cstdint>
#include <string_view>

namespace kw {

struct TextStats {
  int64_t paragraphs = 0;
  int64_t characters = 0;
};

TextStats CountText(std::string_view utf8);

}  // namespace kw
