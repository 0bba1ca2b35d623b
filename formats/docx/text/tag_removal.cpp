// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/tag_removal.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/yield_clock.h"
#include "formats/docx/text/html_to_text.h"
#include "formats/docx/text/tag_rounds.h"

namespace kw {

namespace {

constexpr size_t kNone = std::string_view::npos;

// Walks the tags of a text: each "<" with the first ">" after it. A ">"
// that closes no tag is stray; a last "<" with no ">" after it is no tag.
class TagWalker {
 public:
  explicit TagWalker(std::string_view text) : text_(text) {}

  // Moves to the next tag; false at the end, or when two "<" come without
  // a ">" between them (`merging()` then says so).
  bool next() {
    // Byte loops: tags and the text between them are short, too short for
    // a library search call per piece to pay.
    const char* const base = text_.data();
    const char* const end = base + text_.size();
    for (const char* p = base + pos_; p < end; ++p) {
      if (*p == '>') {
        if (firstStray_ == kNone) firstStray_ = static_cast<size_t>(p - base);
        continue;
      }
      if (*p != '<') continue;
      const char* q = p + 1;
      while (q < end && *q != '>' && *q != '<') ++q;
      if (q == end) break;  // the last "<", never closed
      if (*q == '<') {      // two "<" without a ">" between them
        merging_ = true;
        return false;
      }
      begin_ = static_cast<size_t>(p - base);
      end_ = static_cast<size_t>(q - base) + 1;
      pos_ = end_;
      return true;
    }
    pos_ = text_.size();
    return false;
  }

  size_t begin() const { return begin_; }
  size_t end() const { return end_; }
  std::string_view tag() const { return text_.substr(begin_, end_ - begin_); }
  size_t firstStray() const { return firstStray_; }  // of the text walked so far
  bool merging() const { return merging_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t begin_ = 0, end_ = 0;
  size_t firstStray_ = kNone;
  bool merging_ = false;
};

// Distinct tag texts numbered in order of first appearance: a flat
// open-addressing table over views into the text.
class TagIds {
 public:
  uint32_t idOf(std::string_view tag) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const uint64_t h = Hash(tag);
    for (size_t i = h & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      Slot& s = slots_[i];
      if (s.data == nullptr) {
        s = Slot{h, tag.data(), static_cast<uint32_t>(tag.size()), static_cast<uint32_t>(count_++)};
        return s.id;
      }
      if (s.hash == h && s.size == tag.size() && std::memcmp(s.data, tag.data(), tag.size()) == 0) return s.id;
    }
  }
  size_t count() const { return count_; }
  bool contains(std::string_view tag) const {
    if (slots_.empty()) return false;
    const uint64_t h = Hash(tag);
    for (size_t i = h & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      const Slot& s = slots_[i];
      if (s.data == nullptr) return false;
      if (s.hash == h && s.size == tag.size() && std::memcmp(s.data, tag.data(), tag.size()) == 0) return true;
    }
  }

 private:
  struct Slot {
    uint64_t hash = 0;
    const char* data = nullptr;
    uint32_t size = 0;
    uint32_t id = 0;
  };

  static uint64_t Hash(std::string_view s) {
    uint64_t h = 0x9E3779B97F4A7C15ULL ^ s.size();
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
      uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      h = (h ^ w) * 0xFF51AFD7ED558CCDULL;
      h ^= h >> 32;
    }
    for (; i < s.size(); ++i) h = (h ^ static_cast<unsigned char>(s[i])) * 0x100000001B3ULL;
    h ^= h >> 29;
    return h * 0xC4CEB9FE1A85EC53ULL;
  }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    for (const Slot& s : old) {
      if (s.data == nullptr) continue;
      size_t i = s.hash & (slots_.size() - 1);
      while (slots_[i].data != nullptr) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

}  // namespace

bool TagsCannotMerge(std::string_view text) {
  TagWalker walker(text);
  while (walker.next()) {
  }
  return !walker.merging();
}

std::string RemoveTagsLiteral(std::string text, YieldClock* clock) {
  while (true) {
    const size_t a = text.find('<');
    const size_t b = text.find('>');
    if (a == std::string::npos || b == std::string::npos || b < a) return text;
    const std::string tag = text.substr(a, b - a + 1);
    text = ReplaceAll(text, tag, "");
    if (clock != nullptr) clock->tick();
    if (clock != nullptr && clock->stopped()) return {};
  }
}

std::string RemoveTags(std::string text, YieldClock* clock) {
  // Removing whole tags leaves every other tag as it was, so the rounds of
  // the loop only decide which distinct tag texts go: the first remaining
  // tag's, round after round, until a stray ">" comes before it. So every
  // tag before the first stray goes, and after it only the copies of those.
  size_t firstStray = kNone;
  uint32_t steps = 0;
  {
    TagWalker walker(text);
    while (walker.next()) {
      if (TickEvery(clock, steps)) return {};
    }
    if (walker.merging()) return RemoveTagsInRounds(text, clock);
    firstStray = walker.firstStray();
  }
  if (clock != nullptr) clock->tick();
  // Without a stray (all a .docx gives) every tag goes and no tag text need
  // be kept; otherwise the tags after the stray are judged before the
  // compaction overwrites the texts they are compared with.
  std::vector<bool> goesAfterStray;
  if (firstStray != kNone) {
    TagIds ids;
    TagWalker walker(text);
    while (walker.next()) {
      if (TickEvery(clock, steps)) return {};
      if (walker.begin() < firstStray) {
        ids.idOf(walker.tag());
      } else {
        goesAfterStray.push_back(ids.contains(walker.tag()));
      }
    }
    if (clock != nullptr) clock->tick();
  }
  // Compact in place: the text only shrinks.
  TagWalker walker(text);
  size_t out = 0, pos = 0, after = 0;
  while (walker.next()) {
    if (TickEvery(clock, steps)) return {};
    const bool goes = firstStray == kNone || walker.begin() < firstStray || goesAfterStray[after++];
    if (!goes) continue;
    std::memmove(text.data() + out, text.data() + pos, walker.begin() - pos);
    out += walker.begin() - pos;
    pos = walker.end();
  }
  std::memmove(text.data() + out, text.data() + pos, text.size() - pos);
  text.resize(out + text.size() - pos);
  return text;
}

}  // namespace kw
