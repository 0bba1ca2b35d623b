// SPDX-License-Identifier: Apache-2.0
// kwrecover's --extract folder and the temporary folder, as a process: the
// pictures go only into the folder, under their listed names, never through
// a link planted there, and the text of a .docx is printed even when no
// temporary file can be made.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "tests/docx/docx_fixtures.h"
#include "tests/images/picture_bytes.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

test::ProcessResult Kwrecover(const std::vector<std::string>& args) { return test::RunProcess(KWRECOVER_PATH, args); }

std::set<std::string> Tree(const std::string& root) {
  std::set<std::string> paths;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    paths.insert(item.path().lexically_relative(root).string());  // links not resolved
  }
  return paths;
}

TEST(ExtractionFolder, PicturesGoOnlyIntoTheFolderAndNeverThroughALink) {
  test::TempDir dir;
  const std::string jpeg = test::Jpeg(), png = test::Png();
  const std::string source = dir.write("s.doc", "x" + jpeg + png);
  const std::string victim = dir.write("victim.txt", "keep me");
  std::filesystem::create_directory(dir.path() + "/out");
  ASSERT_EQ(::symlink(victim.c_str(), (dir.path() + "/out/GridJ0.jpg").c_str()), 0);
  ASSERT_EQ(::symlink((dir.path() + "/made-by-link").c_str(), (dir.path() + "/out/Grid0.png").c_str()), 0);

  // A path that leaves and re-enters the folder is the same folder.
  const std::string out = dir.path() + "/out/../out";
  auto r = Kwrecover({"images", source, "--extract", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
  EXPECT_EQ(test::ReadFile(victim), "keep me");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/made-by-link"));

  // --force replaces files, never a link: the links are left as they are.
  r = Kwrecover({"images", source, "--extract", out, "--force"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
  EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFile(victim), "keep me");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/made-by-link"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() + "/out/GridJ0.jpg"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() + "/out/Grid0.png"));
  EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"s.doc", "victim.txt", "out", "out/GridJ0.jpg", "out/Grid0.png"}));
}

TEST(TemporaryFolder, DocxTextIsPrintedWhenNoTemporaryFileCanBeMade) {
  test::TempDir dir;
  const test::DocxFixture& fixture = test::DocxFixtures().front();
  const std::string package = test::ReadFile(test::FixturePath(fixture.file));
  const std::string path = dir.write("letter.docx", package);
  for (const std::string& folder : {dir.path() + "/missing", dir.write("plain-file", "x")}) {
    const auto r = test::RunProcess("/usr/bin/env", {"TMPDIR=" + folder, KWRECOVER_PATH, "quick", path});
    EXPECT_EQ(r.exitCode, 0) << folder << r.err;
    EXPECT_NE(r.out.find(fixture.text.substr(0, 20)), std::string::npos) << folder;
  }
}

}  // namespace
}  // namespace kw
