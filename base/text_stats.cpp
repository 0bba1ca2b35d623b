// SPDX-License-Identifier: Apache-2.0
#include "base/text_stats.h"

#include <cstring>

namespace kw {

namespace {

bool HoldsText(std::string_view line) {
  for (const char c : line) {
    if (static_cast<unsigned char>(c) > ' ') return true;
  }
  return false;
}

// Bytes that start a character: all but the continuation bytes 0x80..0xBF.
// Written as a plain count so the compiler vectorises it.
int64_t CharacterStarts(std::string_view bytes) {
  int64_t continuations = 0;
  for (const char c : bytes) continuations += static_cast<signed char>(c) < -64;
  return static_cast<int64_t>(bytes.size()) - continuations;
}

}  // namespace

TextStats CountText(std::string_view utf8) {
  TextStats stats;
  stats.characters = CharacterStarts(utf8);
  size_t start = 0;
  while (start < utf8.size()) {
    const void* found = std::memchr(utf8.data() + start, '\n', utf8.size() - start);
    const size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - utf8.data()) : utf8.size();
    std::string_view line = utf8.substr(start, end - start);
    if (found) --stats.characters;  // the LF
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      --stats.characters;
    }
    if (HoldsText(line)) ++stats.paragraphs;
    start = end + 1;
  }
  return stats;
}

}  // namespace kw
