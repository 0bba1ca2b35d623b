// SPDX-License-Identifier: Apache-2.0
// Deep Recovery's streaming path against the character-at-a-time one: the
// bulk writes of WordTextWriter against put() on every SIMD path, a text
// handed to a sink against the same text kept whole, and a laid-out stream
// read in ranges against the stream read whole.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "base/damage_report.h"
#include "base/simd_dispatch.h"
#include "base/source_file.h"
#include "base/text_sink.h"
#include "formats/doc/deep/story_text.h"
#include "formats/doc/deep/word_text.h"
#include "tests/deep_doc/doc_builder.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

struct Collect : TextSink {
  void write(std::string_view piece) override {
    all.append(piece);
    ++pieces;
  }
  std::string all;
  int pieces = 0;
};

// Bytes that are often Word's marks, surrogate halves or non-text.
std::string Marked(std::mt19937& rng, size_t n) {
  static const char kFavoured[] = "\x00\x07\x0D\x13\x14\x15\x1E\x1F\x09\x0B\x7F\x81\x9D\xA0\xD8\xDC\xFF  ab";
  std::string s(n, '\0');
  for (char& c : s) c = (rng() & 1) ? kFavoured[rng() % (sizeof kFavoured - 1)] : char(rng());
  return s;
}

// Two stories of `bytes`, one unit at a time or in slices of random length.
std::string Write(const std::string& bytes, bool eightBit, CodePage page, std::mt19937* slices) {
  std::string out;
  WordTextWriter w(&out);
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t width = eightBit ? 1 : 2, half = bytes.size() / width / 2 * width;
  for (const auto& [from, to] : {std::pair{size_t(0), half}, std::pair{half, bytes.size() / width * width}}) {
    w.beginStory();
    for (size_t at = from; at < to;) {
      const size_t n = slices ? std::min(to - at, (1 + (*slices)() % 40) * width) : width;
      if (!slices) {
        w.put(eightBit ? char16_t(CodePagePoint(page, p[at])) : char16_t(p[at] | (p[at + 1] << 8)));
      } else if (eightBit) {
        w.put8(p + at, n, page);
      } else {
        w.put16(p + at, n / 2);
      }
      at += n;
    }
    w.endStory();
  }
  return out;
}

TEST(StreamingTest, BulkWritesMatchOneUnitAtATimeOnEveryPath) {
  std::mt19937 rng(5);
  for (SimdPath path : {SimdPath::kScalar, SimdPath::kSse2, SimdPath::kAvx2}) {
    ForceSimdPath(path);
    for (int round = 0; round < 400; ++round) {
      const std::string bytes = Marked(rng, rng() % 200);
      const CodePage page = round % 3 ? CodePage::k1252 : CodePage::k1251;
      EXPECT_EQ(Write(bytes, true, page, &rng), Write(bytes, true, page, nullptr)) << SimdPathName(path);
      EXPECT_EQ(Write(bytes, false, page, &rng), Write(bytes, false, page, nullptr)) << SimdPathName(path);
    }
  }
  ClearForcedSimdPath();
}

// Text with few control characters, so that the bulk paths take whole
// blocks: 8-bit bytes from 0x20, or UTF-16 units of every width of UTF-8,
// with DEL, C1 controls and noncharacters among them.
std::string Prose(std::mt19937& rng, size_t n, bool eightBit) {
  static const uint16_t kUnits[] = {'a', ' ', 0x7F, 0x85, 0xE9, 0x416, 0x7FF, 0x800, 0x4EAC, 0xFFFD, 0xFFFE, 0xFFFF};
  std::string s;
  while (s.size() < n) {
    if (rng() % 50 == 0) {
      s += eightBit ? std::string("\r") : std::string("\r\0", 2);
    } else if (eightBit) {
      s += char(0x20 + rng() % 0xE0);
    } else {
      const uint16_t u = rng() % 3 ? kUnits[rng() % std::size(kUnits)] : uint16_t(0x20 + rng() % 0xD7E0);
      s += char(u & 0xFF);
      s += char(u >> 8);
    }
  }
  return s;
}

TEST(StreamingTest, BulkWritesOfProseMatchOneUnitAtATimeOnEveryPath) {
  std::mt19937 rng(7);
  for (SimdPath path : {SimdPath::kScalar, SimdPath::kSse2, SimdPath::kAvx2}) {
    ForceSimdPath(path);
    for (const CodePage page : {CodePage::k1250, CodePage::k1251, CodePage::k1252, CodePage::kMacRoman}) {
      for (int round = 0; round < 50; ++round) {
        const std::string eight = Prose(rng, 300, true), wide = Prose(rng, 600, false);
        EXPECT_EQ(Write(eight, true, page, &rng), Write(eight, true, page, nullptr)) << SimdPathName(path);
        EXPECT_EQ(Write(wide, false, page, &rng), Write(wide, false, page, nullptr)) << SimdPathName(path);
      }
    }
  }
  ClearForcedSimdPath();
}

TEST(StreamingTest, SinkGetsTheTextInOrderAndEachStoryEndsOnce) {
  // Stories of exactly the drain size: each is handed over before it ends,
  // once after a line's end and once in the middle of a line.
  for (const char last : {'\r', 'x'}) {
    const std::string story = std::string(WordTextWriter::kDrainBytes - 1, 'a') + last;
    std::string whole, rest;
    Collect sink;
    WordTextWriter plain(&whole), sunk(&rest, &sink);
    for (WordTextWriter* w : {&plain, &sunk}) {
      for (int s = 0; s < 2; ++s) {
        w->beginStory();
        w->put8(reinterpret_cast<const uint8_t*>(story.data()), story.size(), CodePage::k1252);
        w->endStory();
      }
    }
    EXPECT_EQ(sink.pieces, 2);
    EXPECT_EQ(sink.all + rest, whole);
  }
}

TEST(StreamingTest, StoriesReadInChunksMatchTheCharacterPath) {
  // Pieces of both kinds longer than a chunk, so that fields, surrogate
  // pairs and table rows meet the chunk ends; the last one cut by the stream's end.
  std::mt19937 rng(9);
  StreamData data;
  const std::string eight = Marked(rng, 1300000), wide = Marked(rng, 2600002);
  data.bytes.assign(eight.begin(), eight.end());
  data.bytes.insert(data.bytes.end(), wide.begin(), wide.end());
  const std::vector<Piece> pieces = {
      {0, 1300000, 0, true}, {1300000, 2600001, 1300000, false}, {2600001, 2700000, 3899001, false}};
  Fib fib;
  fib.ccp[kMainStory] = 2000000;
  fib.ccp[kFootnotes] = 700000;
  // Where each character lies; the last piece has 500 whole units left.
  auto at = [](int cp) {
    return cp < 1300000   ? size_t(cp)
           : cp < 2600001 ? 1300000 + 2 * size_t(cp - 1300000)
                          : 3899001 + 2 * size_t(cp - 2600001);
  };
  std::string expected;
  WordTextWriter w(&expected);
  for (const auto& [from, to] : {std::pair{0, 2000000}, std::pair{2000000, 2700000}}) {
    w.beginStory();
    for (int cp = from; cp < to && cp < 2600501; ++cp) {
      const uint8_t* c = data.bytes.data() + at(cp);
      w.put(cp < 1300000 ? char16_t(CodePagePoint(CodePage::k1252, c[0])) : char16_t(c[0] | (c[1] << 8)));
    }
    w.endStory();
  }
  for (bool withSink : {false, true}) {
    StreamSource main(data);
    std::string text;
    Collect sink;
    DamageReport damage;
    PieceTable table(pieces);
    const StoryStats stats =
        AppendStories(main, fib, table, CodePage::k1252, nullptr, &damage, &text, withSink ? &sink : nullptr);
    EXPECT_EQ(sink.all + text, expected);
    EXPECT_EQ(stats.chars, 2600501);
    EXPECT_EQ(stats.lost, 99499);  // the half unit at the end included
    EXPECT_EQ(damage.entries().size(), 1u);
  }
}

TEST(StreamingTest, LaidOutStreamReadsAsTheWholeStream) {
  // A 40-sector stream whose second and third sectors swap places in its
  // chain; whole, and cut in its 21st sector.
  std::mt19937 rng(3);
  const std::string stream = Marked(rng, 40 * 512);
  test::CfbLayout layout;
  std::string file = test::BuildCfb({{"WordDocument", stream}}, &layout);
  const uint32_t s0 = layout.start["WordDocument"];
  test::Put32(file, 512 + 4 * s0, s0 + 2);
  test::Put32(file, 512 + 4 * (s0 + 2), s0 + 1);
  test::Put32(file, 512 + 4 * (s0 + 1), s0 + 3);
  const std::string chain =
      stream.substr(0, 512) + stream.substr(1024, 512) + stream.substr(512, 512) + stream.substr(1536);
  test::TempDir dir;
  for (const size_t cut : {file.size(), size_t(test::CfbLayout::Offset(s0 + 20) + 100)}) {
    SourceFile f;
    ASSERT_TRUE(SourceFile::Open(dir.write("a.doc", file.substr(0, cut)), &f).ok());
    CompoundFile cf, cf2;
    DamageReport readDamage, laidDamage;
    ASSERT_TRUE(cf.Open(f, nullptr, &readDamage).ok());
    ASSERT_TRUE(cf2.Open(f, nullptr, &laidDamage).ok());
    const StreamData whole = cf.read(*cf.find("WordDocument"));
    StreamSource laid = StreamSource::Open(cf2, *cf2.find("WordDocument"));
    ASSERT_EQ(laid.size(), int64_t(whole.bytes.size()));
    EXPECT_EQ(laidDamage.ToJson("", "", ""), readDamage.ToJson("", "", ""));
    ASSERT_EQ(laid.holes().size(), whole.holes.size());
    EXPECT_EQ(cut == file.size(), whole.holes.empty());
    if (whole.holes.empty()) {
      EXPECT_EQ(std::string(whole.bytes.begin(), whole.bytes.end()), chain);
    }
    for (int round = 0; round < 50; ++round) {
      const int64_t at = rng() % whole.bytes.size();
      const size_t n = rng() % (whole.bytes.size() - at);
      EXPECT_EQ(0, std::memcmp(laid.view(at, n), whole.bytes.data() + at, n));
    }
    // Short views, each on from the last, as a table of one-character
    // pieces reads them: served from the bytes read ahead, the same.
    for (int64_t at = 0; at < laid.size();) {
      const size_t n = std::min<size_t>(1 + rng() % 7, size_t(laid.size() - at));
      ASSERT_EQ(0, std::memcmp(laid.view(at, n), whole.bytes.data() + at, n)) << at;
      at += int64_t(n);
    }
    EXPECT_EQ(laid.unread(), 0);
  }
}

}  // namespace
}  // namespace kw
