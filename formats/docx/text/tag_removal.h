// SPDX-License-Identifier: Apache-2.0
#pragma once
// Tag removal, the markup pass of HtmlToText: while the first "<" comes
// before the first ">", every copy of the text from that "<" to that ">" is
// removed from the whole text.
//
// RemoveTags gives exactly the result of that loop. Where every "<" is closed
// by a ">" before the next "<" (all XML that writers produce, also with stray
// ">" in the character data) tags cannot merge after a removal, and the
// whole loop is one linear sweep; otherwise the rounds of the loop run over
// an index of the text (RemoveTagsInRounds), never the literal loop.

#include <string>
#include <string_view>

namespace kw {

class YieldClock;

std::string RemoveTags(std::string text, YieldClock* clock = nullptr);

// The loop as stated, one distinct tag text per round: quadratic on many
// distinct tags. The reference for RemoveTags.
std::string RemoveTagsLiteral(std::string text, YieldClock* clock = nullptr);

// True when no two "<" come without a ">" between them, so that the sweep
// applies.
bool TagsCannotMerge(std::string_view text);

}  // namespace kw
