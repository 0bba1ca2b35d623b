// SPDX-License-Identifier: Apache-2.0
#pragma once
// StrandedText: the text of a damaged XML part that lies between unknown
// bytes (kUnknownByte), where the tags around it were lost.
//
// A piece that resumed after damage copies most of its tags from before its
// start, so they are unknown, while the words in between, written anew, are
// known: no tag says they are a run's text. A known stretch between two
// unknown ones is taken as text when it is plainly text: no markup ("<",
// ">"), no attribute ("=", a quote), and words (a space between letters),
// not an identifier or a number; and most of its words occur in the text
// read whole before it (the last 256 KiB of *out), since codes decoded out
// of step write word-like garbage. The words at its ends, which may go on in
// the unknown bytes, are left out. Entities are decoded; each stretch ends
// its line.

#include <string>
#include <string_view>

namespace kw {

// Appends the stranded text of `xml` to *out; returns how many stretches it took.
size_t AppendStrandedText(std::string_view xml, std::string* out);

}  // namespace kw
