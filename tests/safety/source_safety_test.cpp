// SPDX-License-Identifier: Apache-2.0
// The document being recovered is never an output: not by its own name, a
// relative name, a hard link or a symlink, and not as an extracted picture.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/docx/zip_builder.h"
#include "tests/images/picture_bytes.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

const std::string kDoc = test::Bytes(2560, '\0') + "Dear Sam,\rSee you soon.";

TEST(SourceSafety, TextOutputOntoTheSourceIsRefusedWhateverItsName) {
  test::TempDir dir;
  const std::string doc = dir.write("a.doc", kDoc);
  const std::string docx = dir.write("d.docx", test::MakeEntry(test::DocumentXml({"Text"})).bytes());
  ASSERT_EQ(::link(doc.c_str(), (dir.path() + "/hard.doc").c_str()), 0);
  ASSERT_EQ(::symlink(doc.c_str(), (dir.path() + "/soft.doc").c_str()), 0);
  const std::string docxBytes = test::ReadFile(docx);
  struct Case {
    const char* mode;
    std::string source, output;
  };
  const Case cases[] = {
      {"quick", doc, doc},
      {"quick", doc, dir.path() + "/./a.doc"},
      {"quick", doc, dir.path() + "/hard.doc"},
      {"quick", doc, dir.path() + "/soft.doc"},
      {"salvage", doc, doc},
      {"quick", docx, docx},
  };
  for (const Case& c : cases) {
    const auto r = test::RunProcess(KWRECOVER_PATH, {c.mode, c.source, "-o", c.output});
    EXPECT_EQ(r.exitCode, 1) << c.mode << " " << c.output;
    EXPECT_NE(r.err.find(c.output), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.source), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(test::ReadFile(doc), kDoc);
  EXPECT_EQ(test::ReadFile(docx), docxBytes);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() + "/soft.doc"));
}

TEST(SourceSafety, OutputAppendedToTheSourceDoesNotFeedTheJob) {
  // The shell opens the output, not kwrecover: the job must still end, at
  // the length the document had when it began.
  test::TempDir dir;
  const std::string doc = dir.write("a.doc", kDoc);
  const std::string text = test::RunProcess(KWRECOVER_PATH, {"quick", doc}).out;
  ASSERT_NE(text.find("See you soon."), std::string::npos);
  const auto r = test::RunProcess("/usr/bin/timeout",
                                  {"20", "/bin/sh", "-c", "exec \"$0\" quick \"$1\" >> \"$1\"", KWRECOVER_PATH, doc});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(test::ReadFile(doc) == kDoc + text);  // the text once
}

TEST(SourceSafety, PictureNamedLikeTheSourceIsNotWrittenOverIt) {
  // The first JPEG of "GridJ0.jpg" is listed as GridJ0.jpg itself.
  test::TempDir dir;
  const std::string bytes = test::Jpeg() + "tail";
  const std::string source = dir.write("GridJ0.jpg", bytes);
  for (const bool force : {false, true}) {
    std::vector<std::string> args = {"images", source, "--extract", dir.path()};
    if (force) args.push_back("--force");
    const auto r = test::RunProcess(KWRECOVER_PATH, args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(test::ReadFile(source), bytes);
  }
  const auto r = test::RunProcess(KWRECOVER_PATH, {"images", source, "--extract", dir.path(), "--force"});
  EXPECT_NE(r.err.find("document being recovered"), std::string::npos) << r.err;
  // A picture's name that is a link to the document, in the current folder.
  const std::string other = dir.path() + "/other";
  std::filesystem::create_directory(other);
  ASSERT_EQ(::symlink(source.c_str(), (other + "/GridJ0.jpg").c_str()), 0);
  const auto linked = test::RunProcess(
      "/bin/sh", {"-c", "cd \"$1\" && exec \"$0\" images \"$2\" --extract . --force", KWRECOVER_PATH, other, source});
  EXPECT_EQ(linked.exitCode, 1) << linked.err;
  EXPECT_TRUE(std::filesystem::is_symlink(other + "/GridJ0.jpg"));
  EXPECT_EQ(test::ReadFile(source), bytes);
}

}  // namespace
}  // namespace kw
