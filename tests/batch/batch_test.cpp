// SPDX-License-Identifier: Apache-2.0
// kwrecover batch, run as a process: its layout, report, resume, refusals
// and the files it leaves alone.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/batch/batch_fixture.h"
#include "tests/deep_doc/doc_builder.h"

namespace kw {
namespace {

namespace fs = std::filesystem;

using test::Batch;
using test::Lines;
using Inputs = test::BatchInputs;
const std::string& kDoc = test::kBatchDoc;

TEST(Batch, WritesTheLayoutAndOneReportLinePerFile) {
  Inputs in;
  const auto r = Batch({in.docs, in.dir.path() + "/in/pic.docx", "--out", in.out, "--jobs", "2", "--pictures"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no bar when stderr is not a terminal
  EXPECT_NE(test::ReadFile(in.out + "/docs/a.doc.txt").find("Dear Sam,\r\nSee you soon."), std::string::npos);
  EXPECT_TRUE(fs::exists(in.out + "/docs/sub/b.doc.txt"));
  EXPECT_EQ(test::ReadFile(in.out + "/pic.docx.txt"), "Picture below.\r\n");
  EXPECT_TRUE(fs::exists(in.out + "/pic.docx.pictures/image1.png"));
  const auto lines = Lines(in.out + "/report.jsonl");
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string& line : lines) {
    EXPECT_NE(line.find("\"mode\": \"deep\", \"status\": \"ok\""), std::string::npos) << line;
    EXPECT_EQ(line.find("{\"path\": \"" + in.dir.path() + "/in/"), 0u) << line;  // as given, then below it
    if (line.find("pic.docx") != std::string::npos) {
      EXPECT_NE(line.find("\"format\": \"docx\""), std::string::npos) << line;
      EXPECT_NE(line.find("\"characters\": 14, \"paragraphs\": 1, \"pictures\": 1"), std::string::npos) << line;
    }
  }
}

TEST(Batch, AnUnreadableFileIsReportedAndTheOthersAreDone) {
  Inputs in;
  // 2 GiB, sparse: no reader takes it, not even as root.
  const std::string big = in.docs + "/m.doc";
  std::ofstream(big).close();
  fs::resize_file(big, int64_t{1} << 31);
  const auto r = Batch({in.docs, "--out", in.out, "--mode", "quick"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(fs::exists(in.out + "/docs/a.doc.txt"));
  EXPECT_TRUE(fs::exists(in.out + "/docs/sub/b.doc.txt"));
  EXPECT_FALSE(fs::exists(in.out + "/docs/m.doc.txt"));
  const std::string report = test::ReadFile(in.out + "/report.jsonl");
  EXPECT_NE(
      report.find("m.doc\", \"size\": 2147483648, \"format\": \"other\", \"mode\": \"quick\", \"status\": \"error\""),
      std::string::npos)
      << report;
}

TEST(Batch, ResumeRedoesOnlyWhatIsNotComplete) {
  Inputs in;
  ASSERT_EQ(Batch({in.docs, "--out", in.out}).exitCode, 0);
  // Without --resume, an output folder in use is refused before any work.
  EXPECT_EQ(Batch({in.docs, "--out", in.out}).exitCode, 2);
  EXPECT_EQ(Lines(in.out + "/report.jsonl").size(), 2u);
  // An interrupted run: b's text never renamed into place, its temporary
  // left; a's text emptied as a system crash may leave it.
  fs::remove(in.out + "/docs/sub/b.doc.txt");
  in.dir.write("out/docs/sub/.kwrecover-half00.tmp", "half");
  in.dir.write("out/docs/a.doc.txt", "");
  const auto r = Batch({in.docs, "--out", in.out, "--resume"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(test::ReadFile(in.out + "/docs/sub/b.doc.txt").find("Dear Sam"), std::string::npos);
  EXPECT_NE(test::ReadFile(in.out + "/docs/a.doc.txt").find("Dear Sam"), std::string::npos);
  EXPECT_FALSE(fs::exists(in.out + "/docs/sub/.kwrecover-half00.tmp"));
  EXPECT_EQ(Lines(in.out + "/report.jsonl").size(), 4u);  // appended: a and b again
  // Everything complete: nothing to do.
  EXPECT_EQ(Batch({in.docs, "--out", in.out, "--resume"}).exitCode, 0);
  EXPECT_EQ(Lines(in.out + "/report.jsonl").size(), 4u);
}

TEST(Batch, NeverWritesIntoTheInputs) {
  Inputs in;
  const std::string inside = in.docs + "/sub/out";
  for (const auto& out : {in.docs, inside, in.dir.path() + "/in"}) {
    EXPECT_EQ(Batch({in.docs, "--out", out}).exitCode, 2) << out;
  }
  EXPECT_FALSE(fs::exists(inside));
  // OUTDIR inside the input through a link; an input inside OUTDIR.
  fs::create_symlink(in.docs, in.dir.path() + "/link");
  EXPECT_EQ(Batch({in.docs, "--out", in.dir.path() + "/link/new"}).exitCode, 2);
  EXPECT_EQ(Batch({in.docs, "--out", in.dir.path()}).exitCode, 2);
}

TEST(Batch, PasswordProtectedFilesAreReportedAsEncrypted) {
  Inputs in;
  test::CfbLayout layout;
  const std::string locked = in.dir.write(
      "in/docs/locked.docx",
      test::BuildCfb({{"EncryptionInfo", std::string(300, 'i')}, {"EncryptedPackage", std::string(5000, 'p')}},
                     &layout));
  const auto r = Batch({in.docs, "--out", in.out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(fs::exists(in.out + "/docs/a.doc.txt"));
  const std::string report = test::ReadFile(in.out + "/report.jsonl");
  EXPECT_NE(report.find("\"status\": \"encrypted\", \"message\": \"Cannot read \\\"" + locked +
                        "\\\": it is password-protected and cannot be read without the password.\""),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("\"damage\": {\"count\": 0"), std::string::npos) << report;
  // One file: exit 1 with the message.
  const auto one = test::RunProcess(KWRECOVER_PATH, {"deep", locked});
  EXPECT_EQ(one.exitCode, 1);
  EXPECT_NE(one.err.find("password-protected"), std::string::npos) << one.err;
  // Its JSON report says so as the batch's does, with the same message.
  const std::string json = in.dir.path() + "/one.json";
  EXPECT_EQ(test::RunProcess(KWRECOVER_PATH, {"deep", locked, "--report", json}).exitCode, 1);
  const std::string written = test::ReadFile(json);
  EXPECT_NE(written.find("\"status\": \"encrypted\",\n  \"message\": \"Cannot read \\\"" + locked +
                         "\\\": it is password-protected"),
            std::string::npos)
      << written;
}

TEST(Batch, LinksAreNeverFollowed) {
  Inputs in;
  fs::create_symlink(in.dir.path() + "/in/pic.docx", in.docs + "/linked.docx");
  fs::create_directories(in.dir.path() + "/elsewhere");
  in.dir.write("elsewhere/c.doc", kDoc);
  fs::create_directory_symlink(in.dir.path() + "/elsewhere", in.docs + "/away");
  const auto r = Batch({in.docs, "--out", in.out});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("left alone 2 symbolic links"), std::string::npos) << r.err;
  EXPECT_EQ(Lines(in.out + "/report.jsonl").size(), 2u);
  EXPECT_FALSE(fs::exists(in.out + "/docs/away"));
  // A link argument, also with a slash after it.
  EXPECT_EQ(Batch({in.docs + "/away", "--out", in.dir.path() + "/o2"}).exitCode, 2);
  EXPECT_EQ(Batch({in.docs + "/away/", "--out", in.dir.path() + "/o2"}).exitCode, 2);
  EXPECT_FALSE(fs::exists(in.dir.path() + "/o2"));
}

TEST(Batch, UsageErrorsWriteNothing) {
  Inputs in;
  fs::create_directories(in.dir.path() + "/x/docs");
  in.dir.write("x/docs/a.doc", kDoc);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {in.docs},
           {"--out", in.out},
           {in.docs, "--out", in.out, "--jobs", "0"},
           {in.docs, "--out", in.out, "--mode", "images"},
           {in.docs, "--out", in.out, "--frobnicate"},
           {in.docs, in.dir.path() + "/missing", "--out", in.out},
           {in.docs, in.dir.path() + "/x/docs", "--out", in.out},  // both would be docs/a.doc
       }) {
    const auto r = Batch(args);
    EXPECT_EQ(r.exitCode, 2) << args.back();
    EXPECT_NE(r.err.find("kwrecover batch --help"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(in.out));
}

TEST(Batch, ANameThatIsNotUtf8StillGivesValidJson) {
  Inputs in;
  in.dir.write("in/docs/caf\xE9\".doc", kDoc);
  ASSERT_EQ(Batch({in.docs, "--out", in.out}).exitCode, 0);
  const std::string report = test::ReadFile(in.out + "/report.jsonl");
  EXPECT_EQ(report.find('\xE9'), std::string::npos);
  EXPECT_NE(report.find("caf\xEF\xBF\xBD\\\".doc\", \"path_hex\": \""), std::string::npos) << report;
  EXPECT_TRUE(fs::exists(in.out + "/docs/caf\xE9\".doc.txt"));
}

}  // namespace
}  // namespace kw
