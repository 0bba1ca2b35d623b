// SPDX-License-Identifier: Apache-2.0
#pragma once
// The text the preview box shows of a job's result: its text without its
// leading and trailing space characters (0x20 only; line breaks and tabs
// stay). PreviewTrim gives the same for a text handed over in pieces.

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace kw {

inline std::string_view PreviewText(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// PreviewText of a text that comes in pieces: leading spaces are dropped,
// and spaces are held back until something other than a space follows
// them, so that the trailing ones are never passed on. `put` gets the bytes
// to pass on, in order (held spaces a few dozen at a time).
class PreviewTrim {
 public:
  template <typename Put>
  void write(std::string_view piece, Put&& put) {
    if (!started_) {
      const size_t first = piece.find_first_not_of(' ');
      if (first == std::string_view::npos) return;
      piece.remove_prefix(first);
      started_ = true;
    }
    const size_t last = piece.find_last_not_of(' ');
    if (last == std::string_view::npos) {
      held_ += piece.size();
      return;
    }
    static constexpr std::string_view kSpaces = "                                                                ";
    for (; held_ > 0; held_ -= std::min(held_, kSpaces.size())) put(kSpaces.substr(0, std::min(held_, kSpaces.size())));
    put(piece.substr(0, last + 1));
    held_ = piece.size() - last - 1;
  }

 private:
  bool started_ = false;  // something other than a space was passed on
  size_t held_ = 0;       // spaces held back
};

}  // namespace kw
