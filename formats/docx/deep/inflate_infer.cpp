// SPDX-License-Identifier: Apache-2.0
// Filling a piece's unknown bytes from the text's own redundancy.
//
// An unknown byte is a copy of a byte the damage hid, and every copy of the
// same hidden byte holds the same value: they form one class, filled at
// once. Each copy stands between known bytes, and the same bytes around one
// byte elsewhere in the piece say what it may be: "w:rP" and "><w:" hold
// "r", " bel" and "n mi" hold "o". One copy's neighbours seldom settle it,
// but a hidden byte is copied many times, each time between other bytes,
// and their votes together do. A class is filled only when its votes point
// clearly to one value, and come from several contexts: the known text
// holds a hidden byte's value only where it was not copied from the hidden
// stretch, so one or two contexts may all say another ("Paragraph 2" for
// every "Paragraph 1" the damage hid). Filled bytes are known to the
// classes after them, so the sweeps go on while they fill some.

#include <algorithm>
#include <array>

#include "formats/docx/deep/inflate_decoder.h"

namespace kw::inflate {

namespace {

// Contexts, from the most telling: a byte between three known ones on
// either side, two, or one. A copy votes by the first that was seen in the
// known text. Known bytes on one side only are not enough: where the damage
// hid every "</w:" of a part, the known text says "</a:" instead.
struct Level {
  int before;
  int after;
  double weight;
};
constexpr std::array<Level, 3> kLevels{{{3, 3, 4}, {2, 2, 2}, {1, 1, 0.5}}};

constexpr size_t kIndexSpan = size_t{64} << 10;  // known text indexed, around the first unknown byte
constexpr size_t kMaxMembers = size_t{1} << 20;  // unknown bytes a piece may have to be filled
constexpr int kMaxSweeps = 4;
constexpr double kMinVotes = 2;     // a class is filled with this many votes at least,
constexpr double kLead = 3;         // and as many times the next value's,
constexpr size_t kMinContexts = 3;  // from this many different contexts
constexpr size_t kMaxVoters = 64;   // contexts enough to settle a class (the look-up of each is linear)
constexpr int kKept = 3;            // values counted for each context

// The bytes seen in one context, and how often.
struct Seen {
  uint64_t key = 0;  // 0: an empty slot
  uint16_t total = 0;
  std::array<uint8_t, kKept> byte{};
  std::array<uint16_t, kKept> count{};
};

class ContextIndex {
 public:
  // Indexes the known bytes of text[begin, end).
  ContextIndex(std::string_view text, size_t begin, size_t end) {
    size_t slots = 1024;
    while (slots < 2 * kLevels.size() * (end - begin)) slots *= 2;
    slots_.resize(slots);
    for (size_t at = begin; at < end; ++at) {
      if (text[at] == kUnknownByte) continue;
      for (size_t level = 0; level < kLevels.size(); ++level) {
        uint64_t key = 0;
        if (Key(text, at, level, &key)) add(key, static_cast<uint8_t>(text[at]));
      }
    }
  }

  // The key of the context around text[at] at `level`: false when one of its bytes is unknown or missing.
  static bool Key(std::string_view text, size_t at, size_t level, uint64_t* key) {
    const Level& l = kLevels[level];
    if (at < static_cast<size_t>(l.before) || at + static_cast<size_t>(l.after) >= text.size()) return false;
    uint64_t k = level + 1;
    for (size_t i = at - static_cast<size_t>(l.before); i <= at + static_cast<size_t>(l.after); ++i) {
      if (i == at) continue;
      if (text[i] == kUnknownByte) return false;
      k = (k << 8) | static_cast<uint8_t>(text[i]);
    }
    *key = k;
    return true;
  }

  const Seen* find(uint64_t key) const {
    for (size_t at = Slot(key, mask());; at = (at + 1) & mask()) {
      const Seen& s = slots_[at];
      if (s.key == key) return &s;
      if (s.key == 0) return nullptr;
    }
  }

 private:
  size_t mask() const { return slots_.size() - 1; }
  static size_t Slot(uint64_t key, size_t mask) {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> 20) & mask;
  }
  void add(uint64_t key, uint8_t byte) {
    for (size_t at = Slot(key, mask());; at = (at + 1) & mask()) {
      Seen& s = slots_[at];
      if (s.key != 0 && s.key != key) continue;
      s.key = key;
      if (s.total == UINT16_MAX) return;  // seen often enough to tell
      ++s.total;
      for (int k = 0; k < kKept; ++k) {
        if (s.count[k] == 0 || s.byte[k] == byte) {
          s.byte[k] = byte;
          ++s.count[k];
          return;
        }
      }
      return;  // a fourth value: counted in the total only
    }
  }

  std::vector<Seen> slots_;
};

// One unknown byte and its class: the position of the byte it copies (in
// the piece, or before it when negative).
struct Member {
  int64_t hidden;
  size_t at;
};

}  // namespace

int64_t InferUnknown(std::string* bytes, const std::vector<Origin>& links) {
  std::string& text = *bytes;
  std::vector<Member> members;
  size_t link = 0;
  for (size_t at = text.find(kUnknownByte); at != std::string::npos; at = text.find(kUnknownByte, at + 1)) {
    while (link < links.size() && links[link].at < at) ++link;
    const int64_t hidden = link < links.size() && links[link].at == at ? links[link].from : static_cast<int64_t>(at);
    if (members.size() >= kMaxMembers) break;
    members.push_back({hidden, at});
  }
  if (members.empty()) return 0;
  const size_t first = members.front().at;
  const size_t begin = first - std::min(first, kIndexSpan / 2), end = std::min(text.size(), begin + kIndexSpan);
  const ContextIndex index(text, begin, end);
  int64_t work = static_cast<int64_t>(kLevels.size() * (end - begin));
  std::stable_sort(members.begin(), members.end(),
                   [](const Member& a, const Member& b) { return a.hidden < b.hidden; });
  std::vector<bool> filled(members.size(), false);
  std::vector<uint64_t> keys;  // the contexts that voted for the class at hand
  for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
    bool any = false;
    for (size_t c = 0; c < members.size();) {
      size_t next = c + 1;
      while (next < members.size() && members[next].hidden == members[c].hidden) ++next;
      if (filled[c]) {
        c = next;
        continue;
      }
      std::array<double, 256> votes{};
      keys.clear();
      for (size_t m = c; m < next && keys.size() < kMaxVoters; ++m) {
        for (size_t level = 0; level < kLevels.size(); ++level) {
          ++work;
          uint64_t key = 0;
          if (!ContextIndex::Key(text, members[m].at, level, &key)) continue;
          const Seen* seen = index.find(key);
          if (seen == nullptr) continue;
          // Copies of one string repeat one context: it votes once.
          if (std::find(keys.begin(), keys.end(), key) != keys.end()) break;
          keys.push_back(key);
          for (int k = 0; k < kKept && seen->count[k] > 0; ++k) {
            votes[seen->byte[k]] += kLevels[level].weight * seen->count[k] / seen->total;
          }
          break;
        }
      }
      const auto best = std::max_element(votes.begin(), votes.end());
      double second = 0;
      for (auto v = votes.begin(); v != votes.end(); ++v) {
        if (v != best) second = std::max(second, *v);
      }
      if (*best >= kMinVotes && *best >= kLead * second && keys.size() >= kMinContexts) {
        for (size_t m = c; m < next; ++m) {
          text[members[m].at] = static_cast<char>(best - votes.begin());
          filled[m] = true;
        }
        any = true;
      }
      c = next;
    }
    if (!any) break;
  }
  return work;
}

}  // namespace kw::inflate
