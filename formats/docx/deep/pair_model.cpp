// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/pair_model.h"

#include <cmath>

#include "formats/docx/deep/tolerant_inflate.h"
#include "formats/docx/deep/word_xml_sample.h"

namespace kw {

namespace {

// How many pairs' worth of weight a byte's own frequency has after any
// other: a pair seen a few times after a rare byte counts, one seen once
// after a common byte hardly does.
constexpr double kPrior = 16;

}  // namespace

void PairModel::learn(std::string_view bytes) {
  if (pairs_.empty()) {
    pairs_.assign(65536, 0);
    firsts_.assign(256, 0);
    singles_.assign(256, 0);
    count(WordXmlSample());
  }
  count(bytes);
}

void PairModel::count(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto a = static_cast<uint8_t>(bytes[i]);
    if (bytes[i] == kUnknownByte) continue;
    ++singles_[a];
    ++total_;
    if (i + 1 == bytes.size() || bytes[i + 1] == kUnknownByte) continue;
    ++pairs_[size_t{a} << 8 | static_cast<uint8_t>(bytes[i + 1])];
    ++firsts_[a];
  }
}

double PairModel::pairScore(uint8_t a, uint8_t b) const {
  if (pairs_.empty()) return 0;
  const double alone = (singles_[b] + 0.5) / (static_cast<double>(total_) + 128);
  const double after = (pairs_[size_t{a} << 8 | b] + kPrior * alone) / (firsts_[a] + kPrior);
  return std::log(after / alone);
}

}  // namespace kw
