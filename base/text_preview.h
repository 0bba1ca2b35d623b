// SPDX-License-Identifier: Apache-2.0
#pragma once
// The text the preview box shows of a job's result: its text without its
// leading and trailing space characters (0x20 only; line breaks and tabs
// stay).

#include <string_view>

namespace kw {

inline std::string_view PreviewText(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace kw
