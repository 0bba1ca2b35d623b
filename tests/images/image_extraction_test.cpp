#include "formats/images/image_extraction.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/images/picture_bytes.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// The names in a folder.
std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  return names;
}

class SaveImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i * 7);
    host.path = source.write("source.doc", bytes);
  }
  Status Save(const std::string& sMark, const std::string& eMark, std::string* saved) {
    return SaveImages(job, host, sMark, eMark, "GridJ0", "jpg", saved, &host);
  }
  test::TempDir source;
  test::TempDir tmp;
  test::ScopedTmpDir tmpdir{tmp.path()};
  test::FakeHost host;
  RecoveryJobState job;
  std::string bytes;
};

TEST_F(SaveImagesTest, CopiesTheBytesFromSMarkToEMarkIntoANewSqmFile) {
  job.sRecoveredText = "left over";
  std::string saved;
  ASSERT_TRUE(Save("10", "25", &saved).ok());
  EXPECT_EQ(saved.rfind(tmp.path() + "/sqm", 0), 0u) << saved;
  EXPECT_EQ(test::ReadFile(saved), bytes.substr(9, 16));
  EXPECT_EQ(job.sRecoveredText, "");
  EXPECT_EQ(job.lCurPos, 25);
  EXPECT_EQ(job.sCurChar, bytes.substr(24, 1));
  EXPECT_GT(host.yields, 0);
  // One byte; the whole file; and a second click makes a second file.
  std::string one, all, again;
  ASSERT_TRUE(Save("300", "300", &one).ok());
  EXPECT_EQ(test::ReadFile(one), bytes.substr(299));
  ASSERT_TRUE(Save("1", "300", &all).ok());
  EXPECT_EQ(test::ReadFile(all), bytes);
  ASSERT_TRUE(Save("10", "25", &again).ok());
  EXPECT_NE(again, saved);
  EXPECT_EQ(test::ReadFile(again), test::ReadFile(saved));
}

TEST_F(SaveImagesTest, AnEMarkPastTheEndCopiesUpToTheEnd) {
  std::string saved;
  ASSERT_TRUE(Save("290", "5000", &saved).ok());
  EXPECT_EQ(test::ReadFile(saved), bytes.substr(289));
}

TEST_F(SaveImagesTest, RefusedEntriesWriteNoFile) {
  std::string saved = "unchanged";
  const struct {
    const char* sMark;
    const char* eMark;
    const char* says;
  } cases[] = {
      {"40", "12", "before it begins"},  // a PNG entry whose end came first
      {"abc", "12", "not byte positions"},        {"0", "12", "not byte positions"}, {"-3", "12", "not byte positions"},
      {"5", "99999999999", "not byte positions"}, {"301", "400", "past the end"},
  };
  for (const auto& c : cases) {
    const Status s = Save(c.sMark, c.eMark, &saved);
    EXPECT_FALSE(s.ok()) << c.sMark;
    EXPECT_NE(s.message().find(c.says), std::string::npos) << s.message();
  }
  host.path = source.path() + "/gone.doc";
  const Status s = Save("1", "2", &saved);
  EXPECT_TRUE(s.isIOError());
  EXPECT_NE(s.message().find("gone.doc"), std::string::npos);
  EXPECT_EQ(saved, "unchanged");
  EXPECT_TRUE(Names(tmp.path()).empty());
}

TEST_F(SaveImagesTest, NoTemporaryFolderIsAClearError) {
  test::ScopedTmpDir missing(tmp.path() + "/missing");
  std::string saved;
  const Status s = Save("1", "2", &saved);
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("temporary folder"), std::string::npos);
}

TEST_F(SaveImagesTest, ASecondExtractionDuringTheFirstDisturbsNothing) {
  // A click handled while the first copy lets events run starts another.
  std::string inner;
  bool started = false;
  host.onYield = [&] {
    if (host.yields == 3 && !started) {  // after the first made its file
      started = true;
      ASSERT_TRUE(SaveImages(job, host, "200", "260", "Grid0", "png", &inner, &host).ok());
    }
  };
  std::string outer;
  ASSERT_TRUE(Save("1", "150", &outer).ok());
  ASSERT_TRUE(started);
  EXPECT_NE(inner, outer);
  EXPECT_EQ(test::ReadFile(outer), bytes.substr(0, 150));
  EXPECT_EQ(test::ReadFile(inner), bytes.substr(199, 61));
  EXPECT_EQ(Names(tmp.path()).size(), 2u);
}

TEST(ExtractImage, WritesANewFileAndOverwritesOnlyWhenAsked) {
  test::TempDir dir;
  const std::string source = dir.write("s.doc", "0123456789");
  const std::string out = dir.path() + "/GridJ0.jpg";
  ASSERT_TRUE(ExtractImage(source, "3", "6", out, false).ok());
  EXPECT_EQ(test::ReadFile(out), "2345");
  // Already there: left alone unless overwriting.
  const Status refused = ExtractImage(source, "1", "2", out, false);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("already exists"), std::string::npos);
  EXPECT_EQ(test::ReadFile(out), "2345");
  ASSERT_TRUE(ExtractImage(source, "1", "2", out, true).ok());
  EXPECT_EQ(test::ReadFile(out), "01");
  // Refusals write nothing.
  EXPECT_FALSE(ExtractImage(source, "6", "3", dir.path() + "/x.png", false).ok());
  EXPECT_NE(::access((dir.path() + "/x.png").c_str(), F_OK), 0);
  EXPECT_FALSE(ExtractImage(source, "1", "2", dir.path(), true).ok());  // a folder
  EXPECT_TRUE(ExtractImage(source, "1", "2", dir.path() + "/no/such/dir/a.jpg", false).isIOError());
}

TEST(ExtractImage, NeverWritesThroughALink) {
  test::TempDir dir;
  const std::string source = dir.write("s.doc", "0123456789");
  const std::string target = dir.write("precious.txt", "keep me");
  const std::string link = dir.path() + "/GridJ0.jpg";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  EXPECT_FALSE(ExtractImage(source, "1", "4", link, false).ok());
  EXPECT_EQ(test::ReadFile(target), "keep me");
  // Overwriting replaces the link itself.
  ASSERT_TRUE(ExtractImage(source, "1", "4", link, true).ok());
  EXPECT_EQ(test::ReadFile(target), "keep me");
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(test::ReadFile(link), "0123");
  // A dangling link counts as there.
  const std::string dangling = dir.path() + "/Grid0.png";
  ASSERT_EQ(::symlink((dir.path() + "/nowhere").c_str(), dangling.c_str()), 0);
  EXPECT_FALSE(ExtractImage(source, "1", "4", dangling, false).ok());
  EXPECT_NE(::access((dir.path() + "/nowhere").c_str(), F_OK), 0);
}

}  // namespace
}  // namespace kw
