// SPDX-License-Identifier: Apache-2.0
#pragma once
// Word6Outline: where a Word 6.0/95 paragraph's numbering comes from besides
// its own properties. A heading style carries its outline level
// (sprmPNLvlAnm 1-9) and often an ANLD among the paragraph properties of
// its style sheet entry (STSH, in the main stream; a style adds to the one
// it is based on); the section's properties (the SEPX that the section
// table's SED leads to) carry the outline description, an OLST
// (sprmSOlstAnm): nine ANLVs, a restart flag and their texts before and
// after, one level's after another's. A heading paragraph takes its
// number's form from its section's OLST where there is one.
//
// Every table is read within the main stream and capped; a damaged one
// gives no numbering and the paragraphs keep their text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kw {

class StreamSource;
struct Fib;

constexpr size_t kAnldSize = 52;  // 16 bytes of ANLV, 4 flags, 32 characters
using Anld = std::array<uint8_t, kAnldSize>;

// A paragraph's or a style's numbering properties.
struct Word6Numbering {
  uint8_t kind = 0;  // sprmPNLvlAnm: 0 none, 1-9 outline level, 10+ list
  bool hasAnld = false;
  Anld anld{};
};

// Applies the numbering sprms among Word 6 paragraph sprms `g`, `n` bytes,
// to *p; stops at a sprm not known or an operand that runs past the end.
void ScanWord6Sprms(const uint8_t* g, size_t n, Word6Numbering* p);

// The paragraph styles' numbering by style index (istd), each with what
// its base styles give; empty when the style sheet is absent or damaged.
std::vector<Word6Numbering> ReadWord6Styles(StreamSource& main, const Fib& fib);

struct Word6Section {
  uint64_t cpEnd = 0;            // the section's text ends before this character
  bool hasOlst = false;          // its properties carry an outline description
  bool restart = false;          // OLST.fRestartHdr: heading numbers start again in it
  std::array<Anld, 9> levels{};  // the OLST's levels as ANLDs, texts in place
};

// The sections in text order; empty when the section table is absent or damaged.
std::vector<Word6Section> ReadWord6Sections(StreamSource& main, const Fib& fib);

}  // namespace kw
