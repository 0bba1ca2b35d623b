// SPDX-License-Identifier: Apache-2.0
#pragma once
// TagRemovalStream: tag removal (tag_removal.h: while the first "<" comes
// before the first ">", every copy of the text from that "<" to that ">" is
// removed from the whole text) on text that arrives a byte at a time, with
// the loop's result for any text: also where removing a tag joins two pieces
// into a new tag ("<x<a>y>").
//
// The loop is followed segment by segment, a segment being the text up to
// and with a ">". A round's tag is the first segment's text from its first
// "<"; each copy of it ends a segment, and removing one joins what is left of
// that segment to the next. So a segment, when its ">" comes, is either
// removed in the first round, of those so far, whose tag it ends with (what
// earlier removed segments left joining it at the end of their rounds), or
// it outlives them all, and is then the first segment: its text before its
// first "<" stays for good, and the rest is the next round's tag. Once the
// first segment holds no "<", the loop has ended: later segments only lose
// copies of the tags so far.
//
// Rounds are kept as hashes of their tags (modulo 2^61 - 1, with a base drawn
// per run, so no text can be built to collide on purpose), indexed by the
// text from their last few "<"; text goes on to the tail at once unless a
// later round may still remove it (it follows a "<" that no round has settled
// yet). Memory is the text held back and about twenty bytes per round (per
// distinct tag, in markup that merges nowhere), never the document.
//
// Only the first kRememberedRounds rounds are kept: markup built to hold
// millions of distinct tags would otherwise take hundreds of megabytes. A
// later round still removes its own tag, but not the copies of it that come
// after the loop has ended, which then stay in the text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class TextTail;

class TagRemovalStream {
 public:
  static constexpr uint32_t kRememberedRounds = uint32_t{1} << 20;

  explicit TagRemovalStream(TextTail* tail, uint32_t rememberedRounds = kRememberedRounds)
      : tail_(tail), remembered_(rememberedRounds) {}
  TagRemovalStream(const TagRemovalStream&) = delete;
  TagRemovalStream& operator=(const TagRemovalStream&) = delete;

  // The next byte of the text (line breaks already removed, as RemoveTags
  // receives it).
  void put(char c);
  // After the last byte: what is held goes to the tail.
  void finish();
  // Where the text goes from now on (a stream moved to another owner).
  void setTail(TextTail* tail) { tail_ = tail; }
  // Rounds so far (for tests).
  uint32_t rounds() const { return rounds_; }

 private:
  // A "<" held back: where it is in held_, and the hash of held_ before it.
  struct Mark {
    uint64_t pos;
    uint64_t hash;
  };
  // Held text that joins the next segment at the end of round `round`: from
  // `start` in held_ (its first mark `mark`) up to the next group.
  struct Group {
    uint32_t round;
    uint64_t start;
    uint64_t mark;
  };
  struct Suffix {
    uint64_t hash;
    uint64_t length;
  };
  // A round (by its tag's hash and length, and how many "<" the tag has),
  // chained to the earlier rounds under the same index key.
  struct Record {
    uint64_t tag;
    uint32_t round;
    uint32_t marks;
    uint32_t next;  // index + 1 of the next record, or 0
  };
  // An index key's rounds: the one round of a short tag (fewer than kLevels
  // "<", which the key names), as most are, or a chain of records.
  struct Slot {
    uint64_t key = 0;
    uint32_t round = 0;  // the one round, or 0
    uint32_t chain = 0;  // index + 1 of the newest record, or 0
  };

  void endSegment();
  // The first round in (lo, hi] whose tag the live text ends with, and at
  // which of its "<" (counted from the end) that tag begins; round 0: none.
  std::pair<uint32_t, uint64_t> firstMatch(uint32_t lo, uint32_t hi);
  // The live text (the groups taken in, then the segment) from its
  // depth-th last "<" to its end.
  Suffix liveSuffix(uint64_t depth) const;
  uint64_t liveMarks() const;
  void remove(uint32_t round, uint64_t depth);
  void addRound();
  void hold(std::string_view text);
  void emit(std::string_view text);
  void clearHeld();
  const Slot* find(uint64_t key) const;
  Slot& insert(uint64_t key);

  TextTail* tail_;
  uint32_t remembered_;
  uint32_t rounds_ = 0;
  bool ended_ = false;  // the first segment held no "<": no more rounds
  // Held back, in text order: starts at a "<", or is empty.
  std::string held_;
  uint64_t heldHash_ = 0;
  std::vector<Mark> marks_;
  std::vector<Group> groups_;
  // The segment being read: from its first "<" while nothing is held, else whole.
  std::string own_;
  // At its end: its "<" from the last (the text from each to its end), its hash and B^length.
  std::vector<Suffix> ownMarks_;
  uint64_t ownHash_ = 0, ownPower_ = 1;
  size_t taken_ = 0;  // groups_[taken_...] are part of the live text
  std::vector<Slot> slots_;
  size_t used_ = 0;
  std::vector<Record> records_;
};

}  // namespace kw
