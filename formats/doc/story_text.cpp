// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/story_text.h"

#include <algorithm>

#include "base/damage_report.h"
#include "base/yield_clock.h"
#include "formats/doc/word_text.h"

namespace kw {

namespace {

// Whether [begin, end) of the stream overlaps a hole.
bool InHole(const StreamData& s, int64_t begin, int64_t end) {
  for (const StreamHole& h : s.holes) {
    if (h.offset < end && begin < h.offset + h.length) return true;
  }
  return false;
}

}  // namespace

StoryStats AppendStories(const StreamData& main, const Fib& fib, const std::vector<Piece>& pieces, CodePage page,
                         YieldClock* clock, DamageReport* damage, std::string* text) {
  StoryStats stats;
  if (pieces.empty()) return stats;
  const uint32_t end = pieces.back().cpEnd;
  // Story bounds, capped by what the pieces cover; a FIB whose counts are
  // lost gives all the text to the main story.
  uint64_t bounds[kStoryCount + 1] = {};
  for (int s = 0; s < kStoryCount; ++s) bounds[s + 1] = std::min<uint64_t>(bounds[s] + fib.ccp[s], end);
  if (bounds[kStoryCount] == 0) bounds[1] = end;
  if (TotalCp(fib) > end && damage) {
    damage->add(0, 0, "doc",
                "The piece table ends at character " + std::to_string(end) + " of " + std::to_string(TotalCp(fib)) +
                    "; the document's last characters are lost.");
  }
  const int64_t size = int64_t(main.bytes.size());
  WordTextWriter writer(text);
  size_t first = 0;
  for (int s = 0; s < kStoryCount; ++s) {
    const uint64_t from = bounds[s], to = std::max(bounds[s], bounds[s + 1]);
    if (to <= from) continue;
    writer.beginStory();
    for (size_t i = first; i < pieces.size() && pieces[i].cpStart < to; ++i) {
      const Piece& p = pieces[i];
      if (p.cpEnd <= from) {
        first = i + 1;
        continue;
      }
      if (clock) {
        clock->tick();
        if (clock->stopped()) return stats;
      }
      const uint64_t a = std::max<uint64_t>(p.cpStart, from), b = std::min<uint64_t>(p.cpEnd, to);
      const int width = p.eightBit ? 1 : 2;
      const int64_t begin = int64_t(p.offset) + int64_t(a - p.cpStart) * width;
      const int64_t stop = begin + int64_t(b - a) * width;
      const int64_t readable = std::clamp<int64_t>(size - begin, 0, stop - begin);
      if (stats.chars + stats.lost > size) {
        // Pieces that overlap may name the same bytes many times; a real
        // document's text is never longer than the stream holding it.
        if (damage) {
          damage->add(0, 0, "doc",
                      "The piece table names more text than the main stream holds; the pieces after character " +
                          std::to_string(a) + " are ignored.");
        }
        writer.endStory();
        return stats;
      }
      const bool holed = InHole(main, begin, stop);
      for (int64_t at = begin; at < begin + readable; at += width) {
        if (holed && InHole(main, at, at + width)) {
          ++stats.lost;
          continue;
        }
        const uint8_t* c = main.bytes.data() + at;
        writer.put(p.eightBit ? char16_t(CodePagePoint(page, c[0])) : char16_t(c[0] | (c[1] << 8)));
        ++stats.chars;
      }
      const int64_t missing = (stop - begin - readable) / width;
      stats.lost += missing;
      if (missing > 0 && damage) {
        damage->add(0, 0, "doc",
                    "Characters " + std::to_string(a) + " to " + std::to_string(b) +
                        " lie past the end of the main stream; the text there is lost.");
      }
    }
    writer.endStory();
  }
  return stats;
}

}  // namespace kw
