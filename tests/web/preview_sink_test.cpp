// SPDX-License-Identifier: Apache-2.0
// The page's text, cut into pieces anywhere, is the preview's (PreviewText)
// and counts as the wizard counts it (CountText).
#include "web/wasm/preview_sink.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/text_preview.h"
#include "base/text_stats.h"
#include "web/wasm/job_json.h"

namespace kw::web {
namespace {

std::string Through(std::string_view text, std::mt19937& rng, size_t batch, size_t longestPiece = 8) {
  std::string out;
  PreviewSink sink([&](std::string_view piece) { out.append(piece); }, batch);
  for (size_t at = 0; at < text.size();) {
    const size_t n = std::min(text.size() - at, size_t{rng() % (longestPiece + 1)});
    sink.write(text.substr(at, n));
    at += n;
  }
  sink.finish();
  const TextStats expected = CountText(PreviewText(text));
  EXPECT_EQ(sink.stats().characters, expected.characters);
  EXPECT_EQ(sink.stats().paragraphs, expected.paragraphs);
  return out;
}

TEST(PreviewSink, GivesThePreviewTextAndItsCountsHoweverCut) {
  std::mt19937 rng(27);
  const std::string cases[] = {
      "",    "   ",     "\r\n",   "  a  ",      "\r\n  lead and trail  \r\n  ",           "\r",
      "a\r", "a\r\r\n", "\n\n\n", " \t \r\n x", "\xC3\xA9t\xC3\xA9 \xE4\xB8\xAD\r\nline", "\xFF\x80 x  "};
  for (const std::string& text : cases) {
    for (const size_t batch : {size_t{1}, size_t{4}, size_t{1} << 18}) {
      EXPECT_EQ(Through(text, rng, batch), PreviewText(text)) << text;
    }
  }
  const char alphabet[] = {' ', ' ', 'a', '\r', '\n', '\t', '\xC3', '\xA9', '\x80', '\xFF'};
  for (int round = 0; round < 300; ++round) {
    std::string text(rng() % 80, ' ');
    for (char& c : text) c = alphabet[rng() % sizeof alphabet];
    ASSERT_EQ(Through(text, rng, 1 + rng() % 16), PreviewText(text)) << round;
  }
}

// Long pieces go sixteen bytes at a time: line ends, CRs and text on every
// side of a block's edge and of a piece's.
TEST(PreviewSink, CountsLongPiecesAsTheWizardDoes) {
  std::mt19937 rng(1997);
  const char alphabet[] = {' ', 'a', '\r', '\n', '\n', '\t', '\xC3', '\xA9', '\x80', '\xBF', '\xC0', '\x21', '\x20'};
  for (int round = 0; round < 300; ++round) {
    std::string text(rng() % 700, 'x');
    for (char& c : text) c = alphabet[rng() % sizeof alphabet];
    ASSERT_EQ(Through(text, rng, 1 + rng() % 512, 1 + rng() % 200), PreviewText(text)) << round;
  }
}

TEST(JobJson, TellsThePageWhatTheJobFound) {
  JobResult result;
  result.engine = EngineKind::kImages;
  result.damage.add(10, 5, "jpeg", "A \"quoted\" reason.");
  PictureRecord picture;
  picture.firstByte = 101;
  picture.lastByte = 480;
  picture.name = "GridJ3";
  picture.ext = "jpg";
  picture.kind = PictureRecord::Kind::kJpeg;
  result.pictures.push_back(picture);
  const std::string json = JobJson(result, TextStats{2, 30}, JobMode::kImages);
  EXPECT_NE(json.find("\"engine\": \"images\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"first\": 101, \"last\": 480"), std::string::npos) << json;
  EXPECT_NE(json.find("\"size\": 380"), std::string::npos) << json;
  EXPECT_NE(json.find("A \\\"quoted\\\" reason."), std::string::npos) << json;
  EXPECT_NE(json.find("\"paragraphs\": 2, \"characters\": 30"), std::string::npos) << json;
}

}  // namespace
}  // namespace kw::web
