// SPDX-License-Identifier: Apache-2.0
#pragma once
// RemoveTagsInRounds: the tag-removal loop (while the first "<" comes before
// the first ">", remove every copy of the text from that "<" to that ">")
// with the same result as the loop, for texts where removing a tag can join
// two pieces into a new tag ("<x<a>y>": removing "<a>" makes "<xy>").
//
// Each round's tag ends at a ">" and holds no other ">", so each of its
// copies is the end of one ">"-terminated segment of the text, and removing
// it joins that segment to the next. Segments are indexed by the hash of
// their ending from their last few "<", so a round finds the copies of its
// tag without reading the whole text: linear time on the damaged XML met in
// practice (an unclosed "<" before many distinct tags), where the literal
// loop is quadratic. Deleted bytes are kept as gaps; nothing is copied until
// the result is built.

#include <string>

namespace kw {

class YieldClock;

std::string RemoveTagsInRounds(const std::string& text, YieldClock* clock = nullptr);

}  // namespace kw
