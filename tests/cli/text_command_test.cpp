// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

test::ProcessResult Kwrecover(const std::vector<std::string>& args) { return test::RunProcess(KWRECOVER_PATH, args); }

const std::string kDoc = test::Bytes(2560, '\0') +
                         "  Dear Sam,\rSee you\x0B"
                         "soon.  \x25\xB0junk";

TEST(KwrecoverText, QuickPrintsThePreviewTextExactly) {
  test::TempDir dir;
  const std::string path = dir.write("letter.doc", kDoc);
  const auto r = Kwrecover({"quick", path});
  EXPECT_EQ(r.exitCode, 0);
  // Leading and trailing spaces go; the leading line break stays.
  EXPECT_EQ(r.out, "\r\n  Dear Sam,\r\nSee you\r\nsoon.");
  EXPECT_EQ(r.err, "");
}

TEST(KwrecoverText, SalvageWritesToTheOutputFile) {
  test::TempDir dir;
  const std::string path = dir.write("letter.doc", kDoc);
  const auto r = Kwrecover({"salvage", path, "-o", dir.path() + "/out.txt"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(test::ReadFile(dir.path() + "/out.txt"), "\r\n  Dear Sam,\r\n\r\nSee you\r\nsoon.");
}

TEST(KwrecoverText, OddPathsAreTakenAsTheyAre) {
  test::TempDir dir;
  for (const std::string name : {"with space.doc", "caf\xC3\xA9 \xD0\xB6.doc", "-dash.doc", "new\nline.doc"}) {
    const auto r = Kwrecover({"quick", "--", dir.write(name, kDoc)});
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_EQ(r.out.substr(0, 5), "\r\n  D") << name;
  }
}

TEST(KwrecoverText, UnreadableSourceExitsOneWithOneLineNamingIt) {
  test::TempDir dir;
  for (const std::string& path : {dir.path() + "/missing.doc", dir.path(), std::string("/dev/zero")}) {
    const auto r = Kwrecover({"quick", path});
    EXPECT_EQ(r.exitCode, 1) << path;
    EXPECT_EQ(r.out, "") << path;
    EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

TEST(KwrecoverText, UnwritableOutputExitsOne) {
  test::TempDir dir;
  const std::string path = dir.write("letter.doc", kDoc);
  const auto r = Kwrecover({"quick", path, "-o", dir.path() + "/no/such/dir/out.txt"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Cannot write"), std::string::npos);
}

TEST(KwrecoverText, UsageHelpAndVersion) {
  auto r = Kwrecover({"quick"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("--help"), std::string::npos);
  r = Kwrecover({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Usage: kwrecover"), std::string::npos);
  r = Kwrecover({"--version"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("5.1"), std::string::npos);
  // What cannot be written is an error, help and version included.
  for (const std::string args : {"--help", "--version", "quick --help", "batch --help"}) {
    r = test::RunProcess("/bin/sh", {"-c", "exec \"$0\" " + args + " >/dev/full", KWRECOVER_PATH});
    EXPECT_EQ(r.exitCode, 1) << args;
    EXPECT_NE(r.err.find("standard output"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kw
