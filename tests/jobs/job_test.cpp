// SPDX-License-Identifier: Apache-2.0
#include "jobs/job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/text_sink.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

TEST(ChooseEngine, DispatchesByModeThenByTheDocxTest) {
  EXPECT_EQ(ChooseEngine(JobMode::kQuick, "a.doc"), EngineKind::kQuick);
  EXPECT_EQ(ChooseEngine(JobMode::kQuick, "a.docx"), EngineKind::kDocx);
  EXPECT_EQ(ChooseEngine(JobMode::kSalvage, "a.doc"), EngineKind::kSalvage);
  EXPECT_EQ(ChooseEngine(JobMode::kSalvage, "a.docx"), EngineKind::kDocx);
  EXPECT_EQ(ChooseEngine(JobMode::kImages, "a.docx"), EngineKind::kImages);
}

TEST(ContainsDocx, IsACaseSensitiveSearchOfTheWholePath) {
  EXPECT_TRUE(ContainsDocx("report.docx"));
  EXPECT_TRUE(ContainsDocx("a.docx.doc"));
  EXPECT_TRUE(ContainsDocx("/home/u/old.docx/letter.doc"));
  EXPECT_FALSE(ContainsDocx("REPORT.DOCX"));
  EXPECT_FALSE(ContainsDocx("report.doc"));
}

class RunJobTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::FakeProgress progress;
};

TEST_F(RunJobTest, GivesTheTextAndPicturesAsValues) {
  const std::string path = dir.write("a.doc", test::Bytes(2560, 'x') + "text");
  JobResult text = RunJob({path, JobMode::kQuick}, progress);
  EXPECT_TRUE(text.status.ok());
  EXPECT_EQ(text.text, "\r\ntext");
  EXPECT_FALSE(text.cancelled);

  const std::string jpeg = test::Bytes({0xFF, 0xD8, 0xFF, 0xE0}) + "data" + test::Bytes({0xFF, 0xD9});
  JobResult images = RunJob({dir.write("p.doc", "ab" + jpeg), JobMode::kImages}, progress);
  ASSERT_EQ(images.pictures.size(), 1u);
  EXPECT_EQ(images.pictures[0].kind, PictureRecord::Kind::kJpeg);
  EXPECT_EQ(images.pictures[0].firstByte, 3);
  EXPECT_EQ(images.pictures[0].lastByte, 2 + static_cast<int64_t>(jpeg.size()));
  EXPECT_TRUE(images.source.known);
}

TEST_F(RunJobTest, AnUnreadableSourceIsAnErrorWithEmptyResults) {
  const JobResult result = RunJob({dir.path(), JobMode::kSalvage}, progress);
  EXPECT_FALSE(result.status.ok());
  EXPECT_NE(result.status.message().find(dir.path()), std::string::npos);
  EXPECT_TRUE(result.text.empty());
}

TEST_F(RunJobTest, ATextSinkTakesTheTextPieceByPiece) {
  struct Collect : TextSink {
    std::string all;
    void write(std::string_view piece) override { all += piece; }
  } sink;
  const JobResult result =
      RunJob({dir.write("a.doc", test::Bytes(2560, 'x') + "abc"), JobMode::kQuick, &sink}, progress);
  EXPECT_TRUE(result.text.empty());
  EXPECT_EQ(sink.all, "\r\nabc");
}

TEST_F(RunJobTest, DeepGoesByTheContentNotTheName) {
  const JobResult scanned = RunJob(
      {dir.write("notes.docx", "Plain words in a file that holds no package at all.\r"), JobMode::kDeep}, progress);
  EXPECT_TRUE(scanned.status.ok());
  EXPECT_EQ(scanned.engine, EngineKind::kDeep);
  EXPECT_NE(scanned.text.find("Plain words in a file"), std::string::npos) << scanned.text;
  EXPECT_FALSE(RunJob({dir.path() + "/gone.doc", JobMode::kDeep}, progress).status.ok());
}

// Deep Recovery's bar moves as its readers read the file, as the other
// modes' bars do, instead of waiting at 0 until the end.
TEST_F(RunJobTest, DeepReportsHowMuchOfTheFileItHasRead) {
  std::string words;
  while (words.size() < (16u << 20)) words += "Some words of a file with no structure at all. ";
  test::FakeProgress watching;
  watching.onYield = [] { std::this_thread::sleep_for(std::chrono::milliseconds(6)); };  // a yield at every tick
  const JobResult result = RunJob({dir.write("long.txt", words), JobMode::kDeep}, watching);
  ASSERT_TRUE(result.status.ok());
  ASSERT_GT(watching.progressMax, 0);
  const std::vector<int32_t>& values = watching.progressValues;
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  EXPECT_EQ(values.back(), watching.progressMax);
  const auto between =
      std::count_if(values.begin(), values.end(), [&](int32_t v) { return v > 0 && v < watching.progressMax; });
  EXPECT_GE(between, 3);
}

// Every engine stops at its first yield after the request, keeps what it
// has, and says it was cancelled; a job that ends without a request does not.
TEST_F(RunJobTest, ACancelledJobStopsAtItsNextYieldAndKeepsWhatItHas) {
  const size_t size = 64 << 20;
  const std::string big = dir.write("big.doc", test::Bytes(2560, 'x') + test::Bytes(size, 'y'));
  for (const JobMode mode : {JobMode::kQuick, JobMode::kSalvage, JobMode::kImages}) {
    test::FakeProgress stopping;
    stopping.cancel = true;
    const JobResult result = RunJob({big, mode}, stopping);
    EXPECT_TRUE(result.status.ok());
    EXPECT_TRUE(result.cancelled) << static_cast<int>(mode);
    EXPECT_LE(stopping.yields, 10) << static_cast<int>(mode);
  }
  test::FakeProgress later;
  later.onSetMax = [&] { later.cancel = true; };  // between the counting pass and the text
  const JobResult partial = RunJob({big, JobMode::kQuick}, later);
  EXPECT_TRUE(partial.cancelled);
  EXPECT_GT(partial.text.size(), 2u);
  EXPECT_LT(partial.text.size(), size);
  EXPECT_FALSE(RunJob({big, JobMode::kImages}, progress).cancelled);
}

}  // namespace
}  // namespace kw
