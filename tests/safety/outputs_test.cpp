// SPDX-License-Identifier: Apache-2.0
// Outputs are all or nothing: a failed write, a signal or a planted file
// never cost the user an earlier output, and nothing is left behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "base/output_file.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace kw {
namespace {

// The names in `folder`, sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Outputs, AFailedWriteKeepsTheEarlierFileAndLeavesNothing) {
  test::TempDir dir;
  const std::string out = dir.write("out.txt", "earlier");
  // A child whose files may not grow past 4 KiB, as on a full disk.
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_IGN);
    const Status status = WriteOutputFile(out, std::string(1 << 20, 'x'));
    ::_exit(!status.ok() && status.message().find("out.txt") != std::string::npos ? 0 : 1);
  }
  int wait = 0;
  ASSERT_EQ(::waitpid(child, &wait, 0), child);
  EXPECT_TRUE(WIFEXITED(wait) && WEXITSTATUS(wait) == 0);
  EXPECT_EQ(test::ReadFile(out), "earlier");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out.txt"});
}

TEST(Outputs, KilledDuringTheJobKeepsTheEarlierOutput) {
  test::TempDir dir;
  const std::string out = dir.write("out.txt", "earlier");
  const std::string work = dir.path() + "/work";
  std::filesystem::create_directory(work);
  const std::string big = dir.path() + "/big.doc";  // 2 GiB - 1 of zeros, read in full
  const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_EQ(::ftruncate(fd, INT32_MAX), 0);
  ::close(fd);
  const std::string target = work + "/out.txt";
  std::filesystem::copy_file(out, target);
  const char* argv[] = {KWRECOVER_PATH, "salvage", big.c_str(), "-o", target.c_str(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(::posix_spawn(&child, KWRECOVER_PATH, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  // Waits for the temporary file beside the output, then stops the job.
  for (int i = 0; i < 5000 && Names(work).size() < 2; ++i) ::usleep(1000);
  EXPECT_EQ(Names(work).size(), 2u);
  ::kill(child, SIGTERM);
  int wait = 0;
  ASSERT_EQ(::waitpid(child, &wait, 0), child);
  EXPECT_TRUE(WIFSIGNALED(wait) && WTERMSIG(wait) == SIGTERM);
  EXPECT_EQ(test::ReadFile(target), "earlier");
  EXPECT_EQ(Names(work), std::vector<std::string>{"out.txt"});
}

TEST(Outputs, AnOutputNamedThroughALinkReplacesItsTarget) {
  // As a write in place did; the link stays.
  test::TempDir dir;
  const std::string linked = dir.write("linked.txt", "old");
  ASSERT_EQ(::symlink(linked.c_str(), (dir.path() + "/via.txt").c_str()), 0);
  ASSERT_TRUE(WriteOutputFile(dir.path() + "/via.txt", "new").ok());
  EXPECT_EQ(test::ReadFile(linked), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() + "/via.txt"));
}

}  // namespace
}  // namespace kw
