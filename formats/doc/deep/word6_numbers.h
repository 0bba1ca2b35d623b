// SPDX-License-Identifier: Apache-2.0
#pragma once
// Word6Numbers: the numbers of a Word 6.0/95 document's autonumbered
// paragraphs. Such a file has no list tables: each numbered paragraph
// carries its own description (an ANLD, sprmPAnld) and its kind
// (sprmPNLvlAnm: 1-9 an outline level, 10 and above a numbered or bulleted
// list of one level) among its own properties, which the paragraph bin
// table leads to. Its number is the ANLD's text before, the number in the
// ANLD's format (for an outline level that includes the levels above it,
// their numbers first, each with a dot), its text after, then a TAB.
//
// A run of list paragraphs counts on from its first's start value and ends
// at a paragraph without a number; outline levels count through the
// document, a level starting again after one above it (and at a section
// whose outline description says so). A paragraph's kind and ANLD may also
// come from its style, as a numbered heading's do; an outline level's
// number then takes its form from the section's outline description
// (word6_outline.h). Where the properties are damaged, the numbers fall
// away and the text stays as it is.

#include "formats/doc/deep/doc_numbers.h"

namespace kw {

// The numbers, into *out; `pieces` is rewound and read once.
void AddWord6Numbers(StreamSource& main, const Fib& fib, PieceTable& pieces, TextInserts* out);

}  // namespace kw
