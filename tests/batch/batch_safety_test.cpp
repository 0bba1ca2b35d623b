// SPDX-License-Identifier: Apache-2.0
// kwrecover batch against what a file system can put in its way: links and
// mounts around its outputs, folders it may not enter, a report cut short,
// signals, names that clash, and a second batch into the same folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "tests/batch/batch_fixture.h"

extern char** environ;

namespace kw {
namespace {

namespace fs = std::filesystem;

using test::Batch;
using test::Lines;
using Inputs = test::BatchInputs;

// Every name below `root`, links not followed.
std::set<std::string> Tree(const std::string& root) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root)) names.insert(e.path().lexically_relative(root).string());
  return names;
}

// The report lines that name `path`.
std::vector<std::string> LinesOf(const std::string& report, const std::string& path) {
  std::vector<std::string> lines = Lines(report);
  std::erase_if(lines, [&](const std::string& l) { return l.find(path + "\"") == std::string::npos; });
  return lines;
}

// One JSON object per line, none run into another.
void ExpectWholeLines(const std::string& report) {
  for (const std::string& line : Lines(report)) {
    EXPECT_TRUE(line.front() == '{' && line.back() == '}') << line;
    EXPECT_EQ(line.find("{\"path\"", 1), std::string::npos) << line;
  }
}

TEST(BatchSafety, NeverWritesThroughALinkInsideOutdir) {
  // An earlier run's folder replaced by a link to an unrelated one, which
  // holds files with the names a batch uses.
  Inputs in;
  ASSERT_EQ(Batch({in.docs, "--out", in.out}).exitCode, 0);
  const std::string elsewhere = in.dir.path() + "/elsewhere";
  fs::create_directory(elsewhere);
  in.dir.write("elsewhere/a.doc.txt.tmp", "unrelated");
  fs::remove_all(in.out + "/docs");
  fs::create_directory_symlink(elsewhere, in.out + "/docs");
  auto r = Batch({in.docs, "--out", in.out, "--resume"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Tree(elsewhere), std::set<std::string>{"a.doc.txt.tmp"});
  EXPECT_EQ(test::ReadFile(elsewhere + "/a.doc.txt.tmp"), "unrelated");
  EXPECT_TRUE(fs::is_symlink(in.out + "/docs"));
  for (const std::string& path : {in.docs + "/a.doc", in.docs + "/sub/b.doc"}) {
    const auto lines = LinesOf(in.out + "/report.jsonl", path);
    ASSERT_FALSE(lines.empty()) << path;
    EXPECT_NE(lines.back().find("symbolic link"), std::string::npos) << lines.back();
  }
  // The report itself replaced by a link.
  fs::remove(in.out + "/report.jsonl");
  fs::create_symlink(elsewhere + "/a.doc.txt.tmp", in.out + "/report.jsonl");
  r = Batch({in.docs, "--out", in.out, "--resume"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFile(elsewhere + "/a.doc.txt.tmp"), "unrelated");
}

TEST(BatchSafety, AnOutdirInsideAnInputByABindMountIsRefused) {
  if (test::RunProcess("/usr/bin/unshare", {"-rm", "true"}).exitCode != 0) {
    GTEST_SKIP() << "no mount namespace for this user";
  }
  Inputs in;
  const std::string mount = in.dir.path() + "/mnt";
  fs::create_directory(mount);
  // The input folder seen a second time, at mnt; OUTDIR inside it there.
  const auto r =
      test::RunProcess("/usr/bin/unshare", {"-rm", "/bin/sh", "-c",
                                            "mount --bind \"$1\" \"$2\" && exec \"$0\" batch \"$1\" --out \"$2/out\"",
                                            KWRECOVER_PATH, in.docs, mount});
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_NE(r.err.find("inside the input folder"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(in.docs + "/out"));
}

TEST(BatchSafety, EveryFileOrFolderThatCannotBeReadGetsItsOwnLine) {
  Inputs in;
  fs::create_directory(in.docs + "/listable");  // listed, never entered
  in.dir.write("in/docs/listable/c.doc", test::kBatchDoc);
  fs::create_directory(in.docs + "/closed");  // entered, never listed
  in.dir.write("in/docs/closed/d.doc", test::kBatchDoc);
  const std::string locked = in.dir.write("in/docs/locked.doc", test::kBatchDoc);
  ::chmod((in.docs + "/listable").c_str(), 0444);
  ::chmod((in.docs + "/closed").c_str(), 0111);
  ::chmod(locked.c_str(), 0);
  // Root reads anything: the batch runs without that power.
  std::vector<std::string> args = {
      "--bounding-set", "-dac_override,-dac_read_search", KWRECOVER_PATH, "batch", in.docs, "--out", in.out};
  const auto r = ::geteuid() == 0 ? test::RunProcess("/usr/bin/setpriv", args)
                                  : Batch(std::vector<std::string>(args.begin() + 4, args.end()));
  ::chmod((in.docs + "/listable").c_str(), 0755);
  ::chmod((in.docs + "/closed").c_str(), 0755);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.err.find("left alone"), std::string::npos) << r.err;
  const std::string report = in.out + "/report.jsonl";
  for (const std::string& path : {in.docs + "/listable/c.doc", in.docs + "/closed", locked}) {
    const auto lines = LinesOf(report, path);
    ASSERT_EQ(lines.size(), 1u) << path;
    EXPECT_NE(lines[0].find("\"status\": \"error\""), std::string::npos) << lines[0];
  }
  EXPECT_EQ(LinesOf(report, in.docs + "/a.doc").size(), 1u);
}

TEST(BatchSafety, AReportCutShortByAFullDiskIsMendedAndFinishedFilesAreNeverFailed) {
  Inputs in;
  ASSERT_EQ(Batch({in.docs, "--out", in.out}).exitCode, 0);
  const std::string report = in.out + "/report.jsonl";
  const std::string b = in.docs + "/sub/b.doc";
  fs::remove(in.out + "/docs/sub/b.doc.txt");
  // A disk that fills up in the middle of b's report line.
  const std::string limit = std::to_string(fs::file_size(report) + 20);
  auto r = test::RunProcess("/bin/sh", {"-c", "trap '' XFSZ; exec prlimit --fsize=\"$0\" \"$@\"", limit, KWRECOVER_PATH,
                                        "batch", in.docs, "--out", in.out, "--resume"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("report.jsonl"), std::string::npos) << r.err;
  // A text whose line could not be written is not kept: it is redone.
  EXPECT_FALSE(fs::exists(in.out + "/docs/sub/b.doc.txt"));
  r = Batch({in.docs, "--out", in.out, "--resume"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ExpectWholeLines(report);
  const auto lines = LinesOf(report, b);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("\"status\": \"ok\""), std::string::npos) << lines.back();
  EXPECT_TRUE(fs::exists(in.out + "/docs/sub/b.doc.txt"));
}

TEST(BatchSafety, ResumeStartsTheReportOnAFreshLine) {
  Inputs in;
  ASSERT_EQ(Batch({in.docs, "--out", in.out}).exitCode, 0);
  fs::remove(in.out + "/docs/a.doc.txt");
  std::ofstream(in.out + "/report.jsonl", std::ios::app) << "{\"path\": \"cut sh";
  EXPECT_EQ(Batch({in.docs, "--out", in.out, "--resume"}).exitCode, 0);
  ExpectWholeLines(in.out + "/report.jsonl");
  EXPECT_EQ(Lines(in.out + "/report.jsonl").size(), 3u);
}

// A corpus large enough that a signal lands while files are being written.
struct ManyInputs {
  test::TempDir dir;
  std::string in = dir.path() + "/in";
  ManyInputs() {
    fs::create_directories(in);
    const std::string docx = test::Package({test::MakeEntry(test::DocumentXml({"Picture below."})),
                                            test::MakeEntry(test::TinyPng(4, 3), 8, "word/media/image1.png")});
    for (int i = 0; i < 300; ++i) {
      dir.write("in/" + std::to_string(i) + (i % 2 ? ".doc" : ".docx"), i % 2 ? test::kBatchDoc : docx);
    }
  }
};

TEST(BatchSafety, ASignalLeavesNoTemporaryFile) {
  ManyInputs in;
  int run = 0;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (int i = 0; i < 4; ++i, ++run) {
      const std::string out = in.dir.path() + "/out" + std::to_string(run);
      const std::string report = out + "/report.jsonl";
      const char* argv[] = {KWRECOVER_PATH, "batch", in.in.c_str(), "--out", out.c_str(),
                            "--jobs",       "4",     "--pictures",  nullptr};
      pid_t child = 0;
      ASSERT_EQ(::posix_spawn(&child, KWRECOVER_PATH, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
      // Stopped at a different point each time, once files are being written.
      for (int wait = 0; wait < 5000 && Lines(report).size() < size_t(10 + 7 * i); ++wait) ::usleep(500);
      ::kill(child, signal);
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << run;
      for (const std::string& name : Tree(out)) {
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << "run " << run << ": " << name;
      }
    }
  }
}

TEST(BatchSafety, LeftoversOfAKilledRunAreRemovedByTheNext) {
  Inputs in;
  ASSERT_EQ(Batch({in.docs, in.dir.path() + "/in/pic.docx", "--out", in.out, "--pictures"}).exitCode, 0);
  // What SIGKILL leaves: hidden temporary files beside a text and among pictures.
  in.dir.write("out/docs/sub/.kwrecover-Ab3dEf.tmp", "half a text");
  in.dir.write("out/pic.docx.pictures/.kwrecover-Xy9zQw.tmp", "half a picture");
  in.dir.write("out/docs/keep.tmp", "not ours");
  const auto r = Batch({in.docs, in.dir.path() + "/in/pic.docx", "--out", in.out, "--pictures", "--resume"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(fs::exists(in.out + "/docs/sub/.kwrecover-Ab3dEf.tmp"));
  EXPECT_FALSE(fs::exists(in.out + "/pic.docx.pictures/.kwrecover-Xy9zQw.tmp"));
  EXPECT_TRUE(fs::exists(in.out + "/docs/keep.tmp"));
}

TEST(BatchSafety, NamesThatClashInsideOneInputAreRefusedBeforeAnyWork) {
  Inputs in;
  in.dir.write("in/docs/x", test::kBatchDoc);
  fs::create_directories(in.docs + "/x.txt");
  in.dir.write("in/docs/x.txt/y", test::kBatchDoc);  // x.txt is x's text and y's folder
  auto r = Batch({in.docs, "--out", in.out});
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_NE(r.err.find("docs/x.txt"), std::string::npos) << r.err;
  fs::remove_all(in.docs + "/x.txt");
  fs::create_directories(in.docs + "/x.pictures");
  in.dir.write("in/docs/x.pictures/y", test::kBatchDoc);  // x's pictures and y's text in one folder
  EXPECT_EQ(Batch({in.docs, "--out", in.out, "--pictures"}).exitCode, 2);
  EXPECT_FALSE(fs::exists(in.out));
  EXPECT_EQ(Batch({in.docs, "--out", in.out}).exitCode, 0);  // without pictures, no clash
}

TEST(BatchSafety, ASecondBatchIntoTheSameFolderIsRefused) {
  Inputs in;
  fs::create_directories(in.out);
  // The lock a running batch holds.
  const int lock = ::open((in.out + "/.kwrecover-batch.lock").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  const auto r = Batch({in.docs, "--out", in.out, "--resume"});
  ::close(lock);
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_NE(r.err.find("another batch"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(in.out + "/report.jsonl"));
  EXPECT_EQ(Batch({in.docs, "--out", in.out, "--resume"}).exitCode, 0);
  EXPECT_FALSE(fs::exists(in.out + "/.kwrecover-batch.lock"));  // gone after the batch
}

}  // namespace
}  // namespace kw
