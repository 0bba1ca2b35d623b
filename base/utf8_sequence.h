// SPDX-License-Identifier: Apache-2.0
// Where a valid UTF-8 sequence ends: the one rule the report's JSON and the
// readers that take text from damaged markup use to keep whole characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace kw {

// The length of the valid UTF-8 sequence at the start of `text`, 0 when it
// is not one (a stray continuation byte, a cut sequence, an overlong form, a
// surrogate or a code point past U+10FFFF).
inline size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  if (length == 0 || text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  if (lead == 0xE0 && byte(1) < 0xA0) return 0;
  if (lead == 0xED && byte(1) > 0x9F) return 0;
  if (lead == 0xF0 && byte(1) < 0x90) return 0;
  if (lead == 0xF4 && byte(1) > 0x8F) return 0;
  return length;
}

}  // namespace kw
