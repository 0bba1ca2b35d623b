#include "jobs/job_controller.h"

#include <gtest/gtest.h>

#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

struct Modes {
  int quick, image, salvage;
};

EngineKind Choose(const std::string& path, Modes m) {
  test::FakeHost host;
  host.path = path;
  host.quick = m.quick;
  host.image = m.image;
  host.salvage = m.salvage;
  return ChooseEngine(host);
}

TEST(ChooseEngine, DispatchesByModeThenByTheDocxTest) {
  EXPECT_EQ(Choose("a.doc", {1, 0, 0}), EngineKind::kQuick);
  EXPECT_EQ(Choose("a.docx", {1, 0, 0}), EngineKind::kDocx);
  EXPECT_EQ(Choose("a.doc", {0, 0, 1}), EngineKind::kSalvage);
  EXPECT_EQ(Choose("a.docx", {0, 0, 1}), EngineKind::kDocx);
  EXPECT_EQ(Choose("a.docx", {0, 1, 0}), EngineKind::kImages);
  EXPECT_EQ(Choose("a.doc", {0, 0, 0}), EngineKind::kQuick);
  EXPECT_EQ(Choose("a.docx", {0, 0, 0}), EngineKind::kDocx);
  // Salvage is read first, then Image.
  EXPECT_EQ(Choose("a.doc", {1, 1, 1}), EngineKind::kSalvage);
  EXPECT_EQ(Choose("a.doc", {1, 1, 0}), EngineKind::kImages);
}

TEST(ContainsDocx, IsACaseSensitiveSearchOfTheWholePath) {
  EXPECT_TRUE(ContainsDocx("report.docx"));
  EXPECT_TRUE(ContainsDocx("a.docx.doc"));
  EXPECT_TRUE(ContainsDocx("/home/u/old.docx/letter.doc"));
  EXPECT_FALSE(ContainsDocx("REPORT.DOCX"));
  EXPECT_FALSE(ContainsDocx("report.doc"));
  EXPECT_FALSE(ContainsDocx("docx"));
}

class JobControllerTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::FakeHost host;
  RecoveryJobState job;
};

TEST_F(JobControllerTest, TextJobEndsOnTheTextPreview) {
  host.path = dir.write("a.doc", test::Bytes(2560, 'x') + "text");
  host.quick = 1;
  JobController controller(job, host);
  EXPECT_TRUE(controller.Timer1_Timer().ok());
  EXPECT_EQ(job.sRecoveredText, "\r\ntext");
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(host.selectedSteps, std::vector<int>{3});
}

TEST_F(JobControllerTest, NoModeChosenRunsQuickRecoveryAndSelectsNoStep) {
  host.path = dir.write("a.doc", test::Bytes(2560, 'x') + "text");
  JobController controller(job, host);
  EXPECT_TRUE(controller.Timer1_Timer().ok());
  EXPECT_EQ(job.sRecoveredText, "\r\ntext");
  EXPECT_EQ(host.closes, 1);
  EXPECT_TRUE(host.selectedSteps.empty());
}

TEST_F(JobControllerTest, UnreadableSourceStillEndsThroughTheNormalCompletion) {
  host.path = dir.path();  // a folder
  host.salvage = 1;
  JobController controller(job, host);
  const Status status = controller.Timer1_Timer();
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find(dir.path()), std::string::npos);
  EXPECT_EQ(job.sRecoveredText, "");
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(host.selectedSteps, std::vector<int>{3});
}

TEST_F(JobControllerTest, ImageCompletionShowsTheCountAndThePlaceholderWhenPresent) {
  host.image = 1;
  job.iImageCount = 7;
  JobController without(job, host, dir.path());
  without.CmdOK_Click();
  EXPECT_EQ(host.foundLabel, "Found (7) Images");
  EXPECT_TRUE(host.previews.empty());
  EXPECT_EQ(host.selectedSteps, std::vector<int>{4});

  dir.write("preview.gif", "GIF89a");
  JobController with(job, host, dir.path() + "/");
  with.CmdOK_Click();
  ASSERT_EQ(host.previews.size(), 1u);
  EXPECT_EQ(host.previews[0], dir.path() + "/preview.gif");
}

TEST_F(JobControllerTest, ATickDuringAJobStartsNoSecondJob) {
  host.path = dir.write("a.doc", test::Bytes(2560, 'x') + test::Bytes(3 << 20, 'y'));
  host.quick = 1;
  JobController controller(job, host);
  int nested = 0;
  host.onYield = [&] {
    if (nested++ == 0) {
      EXPECT_TRUE(controller.running());
      EXPECT_TRUE(controller.Timer1_Timer().ok());
    }
  };
  EXPECT_TRUE(controller.Timer1_Timer().ok());
  EXPECT_GE(nested, 1);
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(job.sRecoveredText.size(), 2u + (3u << 20));
  EXPECT_FALSE(controller.running());
}

TEST_F(JobControllerTest, OkDuringTheJobSelectsThePreviewAtOnceAndTheJobStillEnds) {
  host.path = dir.write("a.doc", test::Bytes(2560, 'x') + "abc");
  host.quick = 1;
  JobController controller(job, host);
  bool pressed = false;
  host.onYield = [&] {
    if (!pressed) {
      pressed = true;
      controller.CmdOK_Click();
    }
  };
  EXPECT_TRUE(controller.Timer1_Timer().ok());
  EXPECT_TRUE(pressed);
  EXPECT_EQ(host.closes, 2);
  EXPECT_EQ(host.selectedSteps, (std::vector<int>{3, 3}));
  EXPECT_EQ(job.sRecoveredText, "\r\nabc");
}

TEST(FileExists, IsTrueForRegularFilesOnly) {
  test::TempDir dir;
  EXPECT_TRUE(FileExists(dir.write("f", "x")));
  EXPECT_FALSE(FileExists(dir.path() + "/none"));
  EXPECT_FALSE(FileExists(dir.path()));
}

}  // namespace
}  // namespace kw
