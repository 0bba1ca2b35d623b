// SPDX-License-Identifier: Apache-2.0
// ScanForText counts runs and reads again only those whose counts allow
// them to read as text: it must find what judging every run finds, and
// judge few runs in bytes that hold no text.
#include "formats/doc/deep/text_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kw {
namespace {

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> b(n);
  for (uint8_t& x : b) x = uint8_t(rng());
  return b;
}

void Put8(std::vector<uint8_t>* b, size_t at, const std::string& s) {
  for (size_t i = 0; i < s.size() && at + i < b->size(); ++i) (*b)[at + i] = uint8_t(s[i]);
}

void Put16(std::vector<uint8_t>* b, size_t at, const std::u16string& s) {
  for (size_t i = 0; i < s.size() && at + 2 * i + 1 < b->size(); ++i) {
    (*b)[at + 2 * i] = uint8_t(s[i]);
    (*b)[at + 2 * i + 1] = uint8_t(s[i] >> 8);
  }
}

void ExpectSameAsJudgingEveryRun(const std::vector<uint8_t>& b, CodePage page) {
  std::string fast, every;
  const ScanResult f = ScanForText(b.data(), b.size(), page, nullptr, &fast);
  const ScanResult e = ScanForTextJudgingEveryRun(b.data(), b.size(), page, &every);
  EXPECT_EQ(f.runs, e.runs);
  EXPECT_EQ(f.bytes, e.bytes);
  EXPECT_EQ(fast, every);
  EXPECT_LE(f.judged, e.judged);
}

TEST(TextScanTest, FindsWhatJudgingEveryRunFinds) {
  const std::string latin = "The quick brown fox jumps over the lazy dog, and again. ";
  const std::u16string cyrillic =
      u"\u041F\u0440\u0438\u0432\u0435\u0442 \u043C\u0438\u0440, \u043A\u0430\u043A \u0434\u0435\u043B\u0430? ";
  const std::u16string cjk = u"\u4ECA\u65E5\u306F\u5929\u6C17\u304C\u3044\u3044\u3067\u3059\u3002";
  const std::u16string hangul =
      u"\uC548\uB155\uD558\uC138\uC694 \uC138\uACC4\uC785\uB2C8\uB2E4 \uBC18\uAC11\uC2B5\uB2C8\uB2E4";
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::vector<uint8_t> b = RandomBytes(300000 + seed, seed);
    std::mt19937 rng(seed * 7);
    // Text at every alignment to the words of 64 characters and the blocks
    // read, runs long enough to span both, and text cut by the file's end.
    for (size_t at = 0; at + 4096 < b.size(); at += 1 + rng() % 9000) {
      switch (rng() % 5) {
        case 0: Put8(&b, at, latin + std::to_string(at) + " " + latin); break;
        case 1: Put16(&b, (at & ~size_t(1)) | (rng() & 1), cyrillic + cyrillic); break;
        case 2: Put16(&b, at & ~size_t(1), cjk); break;
        case 3: Put16(&b, at & ~size_t(1), hangul); break;
        default: {
          std::string words;
          while (words.size() < 70000 && at > 200000) words += latin;
          Put8(&b, at, words.empty() ? "Lorem ipsum dolor sit amet" : words);
        }
      }
    }
    Put8(&b, b.size() - 20, latin);
    const CodePage page = seed % 2 ? CodePage::k1252 : CodePage::k1251;
    SCOPED_TRACE(seed);
    ExpectSameAsJudgingEveryRun(b, page);
  }
}

TEST(TextScanTest, EdgesOfTheBytes) {
  for (size_t n : {0, 1, 2, 3, 63, 64, 65, 127, 128, 129}) {
    std::vector<uint8_t> b(n, 'a');
    Put8(&b, 0, "Some words here ");
    ExpectSameAsJudgingEveryRun(b, CodePage::k1252);
    std::vector<uint8_t> w(n, 0);
    Put16(&w, 0, u"More words there ");
    ExpectSameAsJudgingEveryRun(w, CodePage::k1252);
  }
}

TEST(TextScanTest, RandomBytesAreCountedNotJudged) {
  const std::vector<uint8_t> b = RandomBytes(size_t(1) << 20, 42);
  std::string out;
  const ScanResult every = ScanForTextJudgingEveryRun(b.data(), b.size(), CodePage::k1252, &out);
  const ScanResult fast = ScanForText(b.data(), b.size(), CodePage::k1252, nullptr, &out);
  // About 100,000 runs in a MiB read as UTF-16 and as 8-bit text are judged
  // when every one is; the counts let through about one in 20 of them.
  EXPECT_GT(every.judged, 90000u);
  EXPECT_LT(fast.judged * 15, every.judged);
}

}  // namespace
}  // namespace kw
