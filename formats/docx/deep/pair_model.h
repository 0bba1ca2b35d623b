// SPDX-License-Identifier: Apache-2.0
#pragma once
// PairModel: how often each byte follows each other in a stream's known
// output, to tell where codes resumed inside damage fall back into step.
//
// Codes resumed inside a damaged stretch decode its bytes too, and random
// bits decode as readily as data: each code is as likely as its length
// says, so the literals come in the stream's own proportions. Only their
// order gives them away: garbage strings literals together at random, the
// stream strings them as the text it packs does. pairScore() is the log of
// how much likelier a pair is after its first byte than alone: mostly
// above zero for the stream's text, below it for garbage. The known output
// is learned with a sample of WordprocessingML as writers put it
// (word_xml_sample.cpp), so that the first tables, drawings or section
// properties the part holds do not read as garbage. 260 KiB, allocated on
// first use; unknown bytes are skipped.

#include <cstdint>
#include <string_view>
#include <vector>

namespace kw {

class PairModel {
 public:
  // Learns the pairs of `bytes` (the sample too, on first use).
  void learn(std::string_view bytes);
  // Natural log of P(b after a) / P(b).
  double pairScore(uint8_t a, uint8_t b) const;

 private:
  void count(std::string_view bytes);
  std::vector<uint32_t> pairs_;   // [a << 8 | b]
  std::vector<uint32_t> firsts_;  // pairs that begin with a
  std::vector<uint32_t> singles_;
  uint64_t total_ = 0;
};

}  // namespace kw
