// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/tag_rounds.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "base/yield_clock.h"
#include "formats/docx/text_hash.h"

namespace kw {

namespace {

using text_hash::MulMod;

uint64_t RandomBase() { return text_hash::Base(); }

// A hash read backwards: add() takes the byte before those already taken.
struct BackHash {
  uint64_t value = 0, power = 1;
  void add(unsigned char byte) {
    value = text_hash::AddMod(value, MulMod(uint64_t{byte} + 1, power));
    power = MulMod(power, RandomBase());
  }
};

// Segments are indexed by the ending from each of their last kLevels "<".
constexpr int kLevels = 4;

uint64_t Key(uint64_t hash, int level) { return hash ^ (uint64_t(level) * 0x9E3779B97F4A7C15ULL); }

// The text with deleted ranges kept as gaps [start, end), never adjacent.
class LiveText {
 public:
  explicit LiveText(const std::string& text) : text_(text) {}

  // Calls f(position) for live positions before `end`, last first, while f returns true.
  template <typename F>
  void walkBack(size_t end, F&& f) const {
    while (end > 0) {
      auto gap = gaps_.upper_bound(end - 1);
      size_t runStart = 0;
      if (gap != gaps_.begin()) {
        const auto before = std::prev(gap);
        if (before->second >= end) {  // `end - 1` is deleted: jump over its gap
          end = before->first;
          continue;
        }
        runStart = before->second;
      }
      for (size_t p = end; p > runStart; --p) {
        if (!f(p - 1)) return;
      }
      end = runStart;
    }
  }

  // Calls f(position) for live positions from `start` on, while f returns true.
  template <typename F>
  void walkForward(size_t start, F&& f) const {
    auto gap = gaps_.upper_bound(start);
    if (gap != gaps_.begin() && std::prev(gap)->second > start) start = std::prev(gap)->second;
    while (start < text_.size()) {
      const size_t runEnd = gap == gaps_.end() ? text_.size() : gap->first;
      for (size_t p = start; p < runEnd; ++p) {
        if (!f(p)) return;
      }
      if (gap == gaps_.end()) return;
      start = gap->second;
      ++gap;
    }
  }

  // Deletes [start, end), which may cover earlier gaps.
  void erase(size_t start, size_t end) {
    auto it = gaps_.lower_bound(start);
    if (it != gaps_.begin() && std::prev(it)->second >= start) --it;
    while (it != gaps_.end() && it->first <= end) {
      start = std::min(start, it->first);
      end = std::max(end, it->second);
      it = gaps_.erase(it);
    }
    gaps_.emplace(start, end);
  }

  char at(size_t p) const { return text_[p]; }

 private:
  const std::string& text_;
  std::map<size_t, size_t> gaps_;
};

// Segments by the key of an ending: a flat open-addressing table of chain
// heads and one array of links, so that millions of keys cost a few large
// allocations (freeing a node per key stalled the window for 0.1 s).
class EndingIndex {
 public:
  void add(uint64_t key, uint32_t segment) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    Slot& slot = find(key);
    if (slot.head == kEmpty) {
      slot.key = key;
      ++used_;
    }
    links_.push_back({segment, slot.head});
    slot.head = static_cast<uint32_t>(links_.size() - 1);
  }

  // The segments added under `key`, most recent first.
  std::vector<uint32_t> segments(uint64_t key) const {
    std::vector<uint32_t> out;
    if (slots_.empty()) return out;
    for (uint32_t at = findConst(key).head; at != kEmpty; at = links_[at].next) out.push_back(links_[at].segment);
    return out;
  }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  struct Slot {
    uint64_t key = 0;
    uint32_t head = kEmpty;
  };
  struct Link {
    uint32_t segment, next;
  };

  const Slot& findConst(uint64_t key) const {
    size_t i = key & (slots_.size() - 1);
    while (slots_[i].head != kEmpty && slots_[i].key != key) i = (i + 1) & (slots_.size() - 1);
    return slots_[i];
  }
  Slot& find(uint64_t key) { return const_cast<Slot&>(findConst(key)); }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    for (const Slot& slot : old) {
      if (slot.head != kEmpty) find(slot.key) = slot;
    }
  }

  std::vector<Slot> slots_;
  size_t used_ = 0;
  std::vector<Link> links_;
};

class Rounds {
 public:
  bool stopped() const { return clock_ != nullptr && clock_->stopped(); }

  Rounds(const std::string& text, YieldClock* clock) : text_(text), live_(text), clock_(clock) {
    for (size_t p = 0; p < text.size(); ++p) {
      if (text[p] == '>') ends_.push_back(p);
      if (clock_ != nullptr && (p & 0xFFFF) == 0) clock_->tick();
      if (stopped()) return;
    }
    segments_.reserve(ends_.size());  // filled in the loop, which ticks
    for (size_t i = 0; i < ends_.size(); ++i) {
      segments_.emplace_back();
      segments_[i].prev = static_cast<int64_t>(i) - 1;
      segments_[i].next = i + 1 < ends_.size() ? static_cast<int64_t>(i) + 1 : -1;
      index(i);
      if (clock_ != nullptr) clock_->tick();
      if (stopped()) return;
    }
    head_ = ends_.empty() ? -1 : 0;
  }

  // Empty when the job was cancelled.
  std::string run() {
    if (stopped()) return {};
    while (head_ >= 0) {
      // The first "<" or ">" of the text.
      size_t first = 0;
      bool found = false;
      live_.walkForward(floor_, [&](size_t p) {
        if (text_[p] != '<' && text_[p] != '>') return true;
        first = p;
        found = true;
        return false;
      });
      if (!found || text_[first] == '>') break;
      const size_t headEnd = ends_[head_];
      std::string tag;
      live_.walkForward(first, [&](size_t p) {
        tag += text_[p];
        return p < headEnd;
      });
      floor_ = first;  // the text before the tag stays as it is
      removeCopies(tag);
      if (clock_ != nullptr) clock_->tick();
      if (stopped()) return {};
    }
    std::string out;
    out.reserve(text_.size());
    size_t taken = 0;
    live_.walkForward(0, [&](size_t p) {
      out += text_[p];
      if (clock_ != nullptr && (++taken & 0xFFFF) == 0) clock_->tick();
      return true;
    });
    return out;
  }

 private:
  struct Segment {
    int64_t prev = -1, next = -1;
    int levels = 0;      // endings indexed so far
    bool whole = false;  // all its "<" are indexed (it has fewer than kLevels)
    bool removed = false;
  };

  // Indexes the endings of segment i from its "<" beyond those already
  // indexed, up to kLevels; reads back to the segment's start at most.
  void index(size_t i) {
    Segment& s = segments_[i];
    if (s.levels == kLevels) return;
    // The first segment starts at the floor: no "<" lies before it.
    const size_t stop = s.prev >= 0 ? ends_[s.prev] + 1 : floor_;
    BackHash hash;
    int level = 0;
    bool reachedStart = true;
    live_.walkBack(ends_[i] + 1, [&](size_t p) {
      if (p < stop) return false;
      hash.add(static_cast<unsigned char>(text_[p]));
      if (text_[p] != '<') return true;
      if (++level > s.levels) index_.add(Key(hash.value, level), static_cast<uint32_t>(i));
      if (level < kLevels) return true;
      reachedStart = false;
      return false;
    });
    s.levels = level;
    s.whole = reachedStart;
  }

  // Whether the live text ending at segment i's ">" ends with `tag`.
  bool endsWith(size_t i, const std::string& tag) const {
    size_t k = tag.size();
    live_.walkBack(ends_[i] + 1, [&](size_t p) {
      if (text_[p] != tag[k - 1]) return false;
      return --k > 0;
    });
    return k == 0;
  }

  void removeCopies(const std::string& tag) {
    // The query: the tag's ending from its kLevels-th last "<" (or its start).
    BackHash hash;
    int level = 0;
    for (size_t k = tag.size(); k > 0 && level < kLevels; --k) {
      hash.add(static_cast<unsigned char>(tag[k - 1]));
      if (tag[k - 1] == '<') ++level;
    }
    std::vector<uint32_t> copies;
    for (const uint32_t i : index_.segments(Key(hash.value, level))) {
      if (!segments_[i].removed && segments_[i].levels >= level && endsWith(i, tag)) copies.push_back(i);
    }
    std::sort(copies.begin(), copies.end());
    copies.erase(std::unique(copies.begin(), copies.end()), copies.end());
    std::vector<int64_t> joined;  // segments that gained text in front
    for (const uint32_t i : copies) {
      size_t start = ends_[i];
      size_t k = tag.size();
      live_.walkBack(ends_[i] + 1, [&](size_t p) {
        start = p;
        return --k > 0;
      });
      live_.erase(start, ends_[i] + 1);
      Segment& s = segments_[i];
      s.removed = true;
      if (s.prev >= 0) segments_[s.prev].next = s.next;
      if (s.next >= 0) segments_[s.next].prev = s.prev;
      if (head_ == static_cast<int64_t>(i)) head_ = s.next;
      if (s.next >= 0) joined.push_back(s.next);
    }
    for (const int64_t j : joined) {
      if (!segments_[j].removed && segments_[j].whole) index(static_cast<size_t>(j));
    }
  }

  const std::string& text_;
  LiveText live_;
  YieldClock* clock_;
  std::vector<size_t> ends_;  // position of each segment's ">"
  std::vector<Segment> segments_;
  EndingIndex index_;
  int64_t head_ = -1;
  size_t floor_ = 0;  // the live text before it holds no "<" and no ">"
};

}  // namespace

std::string RemoveTagsInRounds(const std::string& text, YieldClock* clock) { return Rounds(text, clock).run(); }

}  // namespace kw
