// SPDX-License-Identifier: Apache-2.0
// Reads end where the file ended when the job began, never block, and a job
// that runs out of memory ends as an error; names in messages stay one line.

#include <gtest/gtest.h>

#include <new>

#include "base/message_text.h"
#include "base/source_file.h"
#include "jobs/job.h"
#include "tests/support/fake_host.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

TEST(BoundedReads, SpecialFilesThatCallThemselvesRegularAreEmpty) {
  std::vector<std::string> sources = {"/proc/self/pagemap", "/proc/self/task/../pagemap"};
  if (::access("/proc/kmsg", R_OK) == 0) sources.push_back("/proc/kmsg");  // blocks on a read
  for (const std::string& source : sources) {
    for (const char* mode : {"quick", "salvage", "images", "info"}) {
      const auto r = test::RunProcess("/usr/bin/timeout", {"10", KWRECOVER_PATH, mode, source});
      EXPECT_NE(r.exitCode, 124) << mode << " " << source << " hung";
      EXPECT_EQ(r.exitCode, 0) << mode << " " << source << ": " << r.err;
    }
  }
}

TEST(BoundedReads, AFileThatGrowsEndsWhereItEndedAtOpen) {
  test::TempDir dir;
  const std::string path = dir.write("growing.doc", "0123456789");
  SourceFile file;
  ASSERT_TRUE(SourceFile::Open(path, &file).ok());
  dir.write("growing.doc", "0123456789abcdef");  // same file, rewritten longer
  uint8_t buffer[32];
  EXPECT_EQ(file.readAt(1, buffer, sizeof buffer), 10);
  EXPECT_EQ(file.readAt(11, buffer, sizeof buffer), 0);
}

TEST(BoundedReads, RunningOutOfMemoryEndsTheJobAsAnError) {
  test::TempDir dir;
  test::FakeProgress progress;
  progress.onSetMax = [] { throw std::bad_alloc(); };
  const JobResult result = RunJob({dir.write("a.doc", std::string(3000, 'a')), JobMode::kQuick}, progress);
  EXPECT_FALSE(result.status.ok());
  EXPECT_NE(result.status.message().find("Not enough memory"), std::string::npos) << result.status.message();
}

TEST(Messages, NamesWithControlCharactersStayOnOneLine) {
  EXPECT_EQ(Quoted("a\nb\x1b[2Jc\td"), "\"a\\nb\\x1b[2Jc\\td\"");
  EXPECT_EQ(Quoted("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
  test::TempDir dir;
  const std::string name = dir.path() + "/gone\n\x1b[31m.doc";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"quick", name}, {"images", name}, {"info", name}, {"quick", "--", "x\ny"}, {"bogus\x1b"}}) {
    const auto r = test::RunProcess(KWRECOVER_PATH, args);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
    const bool usage = args[0] == "bogus\x1b";  // a usage error adds the line about --help
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), usage ? 2 : 1) << r.err;
  }
}

}  // namespace
}  // namespace kw
