// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/story_text.h"

#include <algorithm>

#include "base/damage_report.h"
#include "base/yield_clock.h"
#include "formats/doc/deep/word_text.h"

namespace kw {

namespace {

// The bytes read and translated at a time: even, so that no UTF-16 unit is split.
constexpr int64_t kChunk = int64_t(1) << 20;

}  // namespace

StoryStats AppendStories(StreamSource& main, const Fib& fib, PieceTable& pieces, CodePage page, YieldClock* clock,
                         DamageReport* damage, std::string* text, TextSink* sink, const TextInserts* inserts,
                         const AfterPiece* after) {
  StoryStats stats;
  if (pieces.empty()) return stats;
  const uint32_t end = pieces.endCp();
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
  const int64_t size = main.size();
  WordTextWriter writer(text, sink);
  const auto follow = [&](uint64_t cp) {
    if (after != nullptr) (*after)(cp, writer);
  };
  follow(0);
  // The pieces rise one after the other, and so do the stories: one pass
  // over the pieces, a piece that goes on past a story's end kept for the next.
  size_t nextInsert = 0;
  pieces.rewind();
  Piece p;
  bool have = pieces.next(&p);
  for (int s = 0; s < kStoryCount; ++s) {
    const uint64_t from = bounds[s], to = std::max(bounds[s], bounds[s + 1]);
    if (to <= from) continue;
    writer.beginStory();
    while (have && p.cpEnd <= from) have = pieces.next(&p);
    for (; have && p.cpStart < to; have = pieces.next(&p)) {
      if (clock) {
        clock->tick();
        if (clock->stopped()) return stats;
      }
      const uint64_t a = std::max<uint64_t>(p.cpStart, from), b = std::min<uint64_t>(p.cpEnd, to);
      const int width = p.eightBit ? 1 : 2;
      const int64_t begin = int64_t(p.offset) + int64_t(a - p.cpStart) * width;
      const int64_t stop = begin + int64_t(b - a) * width;
      // Whole characters only: half a UTF-16 unit at the stream's end is lost.
      const int64_t readable = std::clamp<int64_t>(size - begin, 0, stop - begin) / width * width;
      if (stats.chars + stats.lost > size) {
        // Pieces that overlap may name the same bytes many times; a real
        // document's text is never longer than the stream holding it.
        if (damage) {
          damage->add(0, 0, "doc",
                      "The piece table names more text than the main stream holds; the pieces after character " +
                          std::to_string(a) + " are ignored.");
        }
        writer.endStory();
        follow(UINT64_MAX);
        return stats;
      }
      const bool holed = main.inHole(begin, stop);
      // The bytes [from, to) of this piece, a chunk at a time; false when stopped.
      const auto write = [&](int64_t from, int64_t to) {
        for (int64_t at = from; at < to;) {
          const size_t n = size_t(std::min(kChunk, to - at));
          const uint8_t* c = main.view(at, n);
          if (!holed) {
            if (p.eightBit) {
              writer.put8(c, n, page);
            } else {
              writer.put16(c, n / 2);
            }
            stats.chars += int64_t(n) / width;
          } else {
            for (size_t k = 0; k < n; k += size_t(width)) {
              if (main.inHole(at + int64_t(k), at + int64_t(k) + width)) {
                ++stats.lost;
                continue;
              }
              writer.put(p.eightBit ? char16_t(CodePagePoint(page, c[k])) : char16_t(c[k] | (c[k + 1] << 8)));
              ++stats.chars;
            }
          }
          at += int64_t(n);
          writer.drain();
          if (clock) {
            clock->tick();
            if (clock->stopped()) return false;
          }
        }
        return true;
      };
      int64_t written = begin;
      for (; inserts != nullptr && nextInsert < inserts->list.size() && inserts->list[nextInsert].cp < b;
           ++nextInsert) {
        const TextInsert& insert = inserts->list[nextInsert];
        if (insert.cp < a) continue;  // its place was not read
        const int64_t cut = std::min(begin + readable, begin + int64_t(insert.cp - a) * width);
        if (!write(written, cut)) return stats;
        written = cut;
        for (uint32_t k = insert.begin; k < insert.end; ++k) writer.put(inserts->text[k]);
      }
      if (!write(written, begin + readable)) return stats;
      const int64_t missing = (stop - begin - readable) / width;
      stats.lost += missing;
      if (missing > 0 && damage) {
        damage->add(0, 0, "doc",
                    "Characters " + std::to_string(a) + " to " + std::to_string(b) +
                        " lie past the end of the main stream; the text there is lost.");
      }
      if (p.cpEnd > to) break;  // the rest is the next story's
      follow(p.cpEnd);
    }
    writer.endStory();
  }
  follow(UINT64_MAX);
  if (main.unread() > 0 && damage) {
    damage->add(0, 0, "doc",
                std::to_string(main.unread()) + " bytes of the main stream could not be read; the text there is lost.");
  }
  return stats;
}

}  // namespace kw
