// SPDX-License-Identifier: Apache-2.0
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

PictureRecord Range(int64_t first, int64_t last) {
  PictureRecord picture;
  picture.firstByte = first;
  picture.lastByte = last;
  return picture;
}

class SaveImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i * 7);
    host.path = source.write("source.doc", bytes);
  }
  Status Save(int64_t first, int64_t last, std::string* saved) {
    return SaveImages(host.path, FileIdentity(), Range(first, last), saved, &host);
  }
  test::TempDir source;
  test::TempDir tmp;
  test::ScopedTmpDir tmpdir{tmp.path()};
  test::FakeHost host;
  std::string bytes;
};

TEST_F(SaveImagesTest, CopiesTheBytesFromFirstToLastIntoANewSqmFile) {
  std::string saved;
  ASSERT_TRUE(Save(10, 25, &saved).ok());
  EXPECT_EQ(saved.rfind(tmp.path() + "/sqm", 0), 0u) << saved;
  EXPECT_EQ(test::ReadFile(saved), bytes.substr(9, 16));
  EXPECT_GT(host.yields, 0);
  // One byte; the whole file; and a second click makes a second file.
  std::string one, all, again;
  ASSERT_TRUE(Save(300, 300, &one).ok());
  EXPECT_EQ(test::ReadFile(one), bytes.substr(299));
  ASSERT_TRUE(Save(1, 300, &all).ok());
  EXPECT_EQ(test::ReadFile(all), bytes);
  ASSERT_TRUE(Save(10, 25, &again).ok());
  EXPECT_NE(again, saved);
  EXPECT_EQ(test::ReadFile(again), test::ReadFile(saved));
}

TEST_F(SaveImagesTest, AnEMarkPastTheEndCopiesUpToTheEnd) {
  std::string saved;
  ASSERT_TRUE(Save(290, 5000, &saved).ok());
  EXPECT_EQ(test::ReadFile(saved), bytes.substr(289));
}

TEST_F(SaveImagesTest, RefusedEntriesWriteNoFile) {
  std::string saved = "unchanged";
  const struct {
    int64_t first, last;
    const char* says;
  } cases[] = {
      {40, 12, "before it begins"},  // a PNG whose end came first
      {0, 12, "not a position"},
      {-3, 12, "not a position"},
      {301, 400, "past the end"},
  };
  for (const auto& c : cases) {
    const Status s = Save(c.first, c.last, &saved);
    EXPECT_FALSE(s.ok()) << c.first;
    EXPECT_NE(s.message().find(c.says), std::string::npos) << s.message();
  }
  host.path = source.path() + "/gone.doc";
  const Status s = Save(1, 2, &saved);
  EXPECT_TRUE(s.isIOError());
  EXPECT_NE(s.message().find("gone.doc"), std::string::npos);
  EXPECT_EQ(saved, "unchanged");
  EXPECT_TRUE(Names(tmp.path()).empty());
}

TEST_F(SaveImagesTest, NoTemporaryFolderIsAClearError) {
  test::ScopedTmpDir missing(tmp.path() + "/missing");
  std::string saved;
  const Status s = Save(1, 2, &saved);
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
      ASSERT_TRUE(SaveImages(host.path, FileIdentity(), Range(200, 260), &inner, &host).ok());
    }
  };
  std::string outer;
  ASSERT_TRUE(Save(1, 150, &outer).ok());
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
  ASSERT_TRUE(ExtractImage(source, {}, Range(3, 6), out, false).ok());
  EXPECT_EQ(test::ReadFile(out), "2345");
  // Already there: left alone unless overwriting.
  const Status refused = ExtractImage(source, {}, Range(1, 2), out, false);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("already exists"), std::string::npos);
  EXPECT_EQ(test::ReadFile(out), "2345");
  ASSERT_TRUE(ExtractImage(source, {}, Range(1, 2), out, true).ok());
  EXPECT_EQ(test::ReadFile(out), "01");
  // Refusals write nothing.
  EXPECT_FALSE(ExtractImage(source, {}, Range(6, 3), dir.path() + "/x.png", false).ok());
  EXPECT_NE(::access((dir.path() + "/x.png").c_str(), F_OK), 0);
  EXPECT_FALSE(ExtractImage(source, {}, Range(1, 2), dir.path(), true).ok());  // a folder
  EXPECT_TRUE(ExtractImage(source, {}, Range(1, 2), dir.path() + "/no/such/dir/a.jpg", false).isIOError());
}

TEST(ExtractImage, NeverWritesThroughALink) {
  test::TempDir dir;
  const std::string source = dir.write("s.doc", "0123456789");
  const std::string target = dir.write("precious.txt", "keep me");
  const std::string link = dir.path() + "/GridJ0.jpg";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  EXPECT_FALSE(ExtractImage(source, {}, Range(1, 4), link, false).ok());
  EXPECT_EQ(test::ReadFile(target), "keep me");
  // Overwriting never replaces a link either: it is left as it is.
  const Status refused = ExtractImage(source, {}, Range(1, 4), link, true);
  EXPECT_NE(refused.message().find("symbolic link"), std::string::npos) << refused.message();
  EXPECT_EQ(test::ReadFile(target), "keep me");
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  // A dangling link counts as there.
  const std::string dangling = dir.path() + "/Grid0.png";
  ASSERT_EQ(::symlink((dir.path() + "/nowhere").c_str(), dangling.c_str()), 0);
  EXPECT_FALSE(ExtractImage(source, {}, Range(1, 4), dangling, false).ok());
  EXPECT_NE(::access((dir.path() + "/nowhere").c_str(), F_OK), 0);
}

TEST(ExtractImage, APictureWithItsOwnBytesIsWrittenAsItIs) {
  test::TempDir dir;
  test::ScopedTmpDir tmp(dir.path());
  PictureRecord picture;
  picture.bytes = std::string("\x89PNG\0inflated", 13);
  picture.hasBytes = true;
  const std::string source = dir.write("s.docx", "package");
  ASSERT_TRUE(ExtractImage(source, {}, picture, dir.path() + "/image1.png", false).ok());
  EXPECT_EQ(test::ReadFile(dir.path() + "/image1.png"), picture.bytes);
  std::string saved;
  ASSERT_TRUE(SaveImages(dir.path() + "/gone.docx", {}, picture, &saved).ok());
  EXPECT_EQ(test::ReadFile(saved), picture.bytes);
  EXPECT_FALSE(ExtractImage(source, {}, picture, source, true).ok());  // never over the source
  EXPECT_EQ(test::ReadFile(source), "package");
}

}  // namespace
}  // namespace kw
