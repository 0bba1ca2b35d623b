// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/text/tag_stream.h"

#include <algorithm>

#include "formats/docx/text/text_hash.h"
#include "formats/docx/text/text_tail.h"

namespace kw {

namespace {

using text_hash::AddMod;
using text_hash::Digit;
using text_hash::MulMod;
using text_hash::SubMod;

// Rounds are indexed by their tag's text from its kLevels-th last "<" (or
// its whole text, when it has fewer): a segment looks a round up by its own
// text from each of its last kLevels "<", and a tag with more is checked
// against the segment's text from as far back as the tag goes.
constexpr uint64_t kLevels = 4;

uint64_t Mix(uint64_t v) {
  v ^= v >> 31;
  v *= 0x7FB5D329728EA185ULL;
  v ^= v >> 27;
  v *= 0x81DADEF4BC2DD44DULL;
  return v ^ (v >> 33);
}

// A text by its hash and length.
uint64_t TagKey(uint64_t hash, uint64_t length) { return Mix(hash ^ Mix(length)); }
// The index key of a tag's text from its level-th last "<".
uint64_t IndexKey(uint64_t tagKey, uint64_t level) { return Mix(tagKey + level * 0x9E3779B97F4A7C15ULL); }

}  // namespace

void TagRemovalStream::put(char c) {
  if (held_.empty() && own_.empty() && c != '<' && c != '>') {
    tail_->put(c);  // nothing before it can still go: it stays
    return;
  }
  own_.push_back(c);
  if (c == '>') endSegment();
}

void TagRemovalStream::finish() {
  // Text after the last ">" is no copy of any tag, and takes in all that is held.
  emit(held_);
  emit(own_);
  clearHeld();
  own_.clear();
}

void TagRemovalStream::emit(std::string_view text) {
  if (!text.empty()) tail_->putRun(text);
}

void TagRemovalStream::clearHeld() {
  held_.clear();
  heldHash_ = 0;
  marks_.clear();
  groups_.clear();
}

// Takes the text of a removed segment that joins the next one: held when
// something is held already, else only from its first "<".
void TagRemovalStream::hold(std::string_view text) {
  if (held_.empty()) {
    const size_t first = text.find('<');
    emit(text.substr(0, first));
    if (first == std::string_view::npos) return;
    text.remove_prefix(first);
  }
  for (const char c : text) {
    if (c == '<') marks_.push_back({held_.size(), heldHash_});
    heldHash_ = AddMod(MulMod(heldHash_, text_hash::Base()), Digit(c));
    held_.push_back(c);
  }
}

uint64_t TagRemovalStream::liveMarks() const {
  const uint64_t firstTaken = taken_ < groups_.size() ? groups_[taken_].mark : marks_.size();
  return ownMarks_.size() + (marks_.size() - firstTaken);
}

TagRemovalStream::Suffix TagRemovalStream::liveSuffix(uint64_t depth) const {
  if (depth <= ownMarks_.size()) return ownMarks_[depth - 1];
  const Mark& m = marks_[marks_.size() - (depth - ownMarks_.size())];
  const uint64_t heldLength = held_.size() - m.pos;
  const uint64_t held = SubMod(heldHash_, MulMod(m.hash, text_hash::Power(heldLength)));
  return {AddMod(MulMod(held, ownPower_), ownHash_), heldLength + own_.size()};
}

std::pair<uint32_t, uint64_t> TagRemovalStream::firstMatch(uint32_t lo, uint32_t hi) {
  std::pair<uint32_t, uint64_t> best{0, 0};
  if (hi <= lo) return best;
  const uint64_t marks = liveMarks();
  for (uint64_t level = 1; level <= std::min(marks, kLevels); ++level) {
    const Suffix s = liveSuffix(level);
    const uint64_t key = IndexKey(TagKey(s.hash, s.length), level);
    const Slot* slot = find(key);
    if (slot == nullptr) continue;
    if (slot->round != 0) {  // a short tag's one round
      if (slot->round > lo && slot->round <= hi && (best.first == 0 || slot->round < best.first)) {
        best = {slot->round, level};
      }
      continue;
    }
    // Newest first: the rounds fall along the chain.
    for (uint32_t at = slot->chain; at != 0; at = records_[at - 1].next) {
      const Record& r = records_[at - 1];
      if (r.round <= lo) break;
      if (r.round > hi || (best.first != 0 && r.round >= best.first)) continue;
      if (r.marks > level) {  // a long tag: the text as far back as it goes must be it
        if (r.marks > marks) continue;
        const Suffix whole = liveSuffix(r.marks);
        if (TagKey(whole.hash, whole.length) != r.tag) continue;
      } else if (r.marks != level) {
        continue;
      }
      best = {r.round, r.marks};
    }
  }
  return best;
}

void TagRemovalStream::endSegment() {
  // The segment's "<" from the last, with the hash of its text from each.
  ownMarks_.clear();
  uint64_t hash = 0, power = 1;
  for (size_t i = own_.size(); i-- > 0;) {
    hash = AddMod(hash, MulMod(Digit(own_[i]), power));
    power = MulMod(power, text_hash::Base());
    if (own_[i] == '<') ownMarks_.push_back({hash, own_.size() - i});
  }
  ownHash_ = hash;
  ownPower_ = power;
  // Round by round: the first whose tag it ends with removes it; the held
  // groups join it at the end of their rounds, nearest first.
  taken_ = groups_.size();
  uint32_t lo = 0;
  while (true) {
    const uint32_t next = taken_ > 0 ? groups_[taken_ - 1].round : rounds_;
    const auto [round, depth] = firstMatch(lo, std::min(next, rounds_));
    if (round != 0) return remove(round, depth);
    if (taken_ == 0) break;
    --taken_;
    lo = next;
  }
  // It outlived every round so far: it is the first segment.
  if (!ended_ && liveMarks() > 0) {
    addRound();  // its text from its first "<" is the next round's tag, and goes
  } else {
    ended_ = true;  // a first segment with no "<": the loop is over, the segment stays
    emit(held_);
    emit(own_);
  }
  clearHeld();
  own_.clear();
}

void TagRemovalStream::remove(uint32_t round, uint64_t depth) {
  const uint64_t start = taken_ < groups_.size() ? groups_[taken_].start : held_.size();
  const uint64_t mark = taken_ < groups_.size() ? groups_[taken_].mark : marks_.size();
  groups_.resize(taken_);
  if (depth <= ownMarks_.size()) {
    hold(std::string_view(own_).substr(0, own_.size() - ownMarks_[depth - 1].length));
  } else {
    const size_t at = marks_.size() - (depth - ownMarks_.size());
    held_.resize(marks_[at].pos);
    heldHash_ = marks_[at].hash;
    marks_.resize(at);
  }
  own_.clear();
  // What is left of it joins the next segment at the end of this round.
  if (held_.size() > start && (groups_.empty() || groups_.back().round != round)) {
    groups_.push_back({round, start, std::min<uint64_t>(mark, marks_.size())});
  }
}

void TagRemovalStream::addRound() {
  if (rounds_ >= remembered_) {  // taken, not remembered (see the header)
    ++rounds_;
    return;
  }
  const uint64_t marks = liveMarks();
  const Suffix tag = liveSuffix(marks);
  const Suffix indexed = liveSuffix(std::min(marks, kLevels));
  const uint64_t tagKey = TagKey(tag.hash, tag.length);
  const uint64_t key =
      IndexKey(marks <= kLevels ? tagKey : TagKey(indexed.hash, indexed.length), std::min(marks, kLevels));
  const auto count = static_cast<uint32_t>(std::min<uint64_t>(marks, UINT32_MAX));
  Slot& slot = insert(key);
  ++rounds_;
  if (slot.round == 0 && slot.chain == 0 && marks < kLevels) {
    slot.round = rounds_;
    return;
  }
  if (slot.round != 0) {  // a second round of a short tag: both go into the chain
    records_.push_back({tagKey, slot.round, count, 0});
    slot.chain = static_cast<uint32_t>(records_.size());
    slot.round = 0;
  }
  records_.push_back({tagKey, rounds_, count, slot.chain});
  slot.chain = static_cast<uint32_t>(records_.size());
}

const TagRemovalStream::Slot* TagRemovalStream::find(uint64_t key) const {
  if (slots_.empty()) return nullptr;
  for (size_t i = key & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
    const Slot& s = slots_[i];
    if (s.round == 0 && s.chain == 0) return nullptr;
    if (s.key == key) return &s;
  }
}

// The slot of `key` in the open-addressing index, made when missing.
TagRemovalStream::Slot& TagRemovalStream::insert(uint64_t key) {
  const auto empty = [](const Slot& s) { return s.round == 0 && s.chain == 0; };
  if ((used_ + 1) * 4 > slots_.size() * 3) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    for (const Slot& s : old) {
      if (empty(s)) continue;
      size_t i = s.key & (slots_.size() - 1);
      while (!empty(slots_[i])) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = s;
    }
  }
  size_t i = key & (slots_.size() - 1);
  while (!empty(slots_[i]) && slots_[i].key != key) i = (i + 1) & (slots_.size() - 1);
  if (empty(slots_[i])) {
    slots_[i].key = key;
    ++used_;
  }
  return slots_[i];
}

}  // namespace kw
