// SPDX-License-Identifier: Apache-2.0
#include "base/source_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "base/chunk_reader.h"
#include "formats/doc/quick_recovery.h"
#include "formats/doc/salvage_recovery.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

std::string OpenError(const std::string& path) {
  SourceFile file;
  const Status status = SourceFile::Open(path, &file);
  EXPECT_FALSE(file.isOpen());
  return status.message();
}

TEST(SourceFile, RefusesWhatIsNotAReadableRegularFileWithTheReason) {
  test::TempDir dir;
  EXPECT_EQ(OpenError(dir.path() + "/none.doc"),
            "Cannot read \"" + dir.path() + "/none.doc\": no such file or directory.");
  EXPECT_NE(OpenError(dir.path()).find("folder"), std::string::npos);
  EXPECT_NE(OpenError("/dev/zero").find("not a regular file"), std::string::npos);
  EXPECT_NE(OpenError("/dev/null").find("not a regular file"), std::string::npos);
  const std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_NE(OpenError(fifo).find("not a regular file"), std::string::npos);  // and did not block
  EXPECT_NE(OpenError("").find("no file"), std::string::npos);
}

TEST(SourceFile, RefusesFilesOf2GiBOrMore) {
  test::TempDir dir;
  for (const off_t size : {off_t{1} << 31, off_t{1} << 32}) {
    const std::string path = dir.path() + "/sparse.doc";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    EXPECT_NE(OpenError(path).find("2 GiB"), std::string::npos) << size;
  }
}

TEST(SourceFile, ReadsPositionallyAndShortAtTheEnd) {
  test::TempDir dir;
  SourceFile file;
  ASSERT_TRUE(SourceFile::Open(dir.write("f", "abcdef"), &file).ok());
  EXPECT_EQ(file.size(), 6);
  uint8_t buffer[8] = {};
  EXPECT_EQ(file.readAt(5, buffer, 8), 2);
  EXPECT_EQ(buffer[0], 'e');
  EXPECT_EQ(file.readAt(7, buffer, 8), 0);
  EXPECT_EQ(file.readAt(0, buffer, 8), -1);
}

TEST(SourceFile, ASmallFileReadsAsItWasAtItsFirstReadALargeOneAsItIsNow) {
  test::TempDir dir;
  for (const int64_t size : {int64_t{6}, SourceFile::kWholeReadLimit + 1}) {
    const std::string path = dir.write("f", std::string(static_cast<size_t>(size), 'a'));
    SourceFile file;
    ASSERT_TRUE(SourceFile::Open(path, &file).ok());
    uint8_t byte = 0;
    ASSERT_EQ(file.readAt(1, &byte, 1), 1);
    dir.write("f", std::string(static_cast<size_t>(size), 'b'));  // rewritten in place
    ASSERT_EQ(file.readAt(size, &byte, 1), 1);
    EXPECT_EQ(byte, size == 6 ? 'a' : 'b') << size;
  }
}

// A chunk reader holds no more than is left of the file, and reads it all
// in order from any start, past the end included.
TEST(ChunkReader, ReadsTheRestInChunksNoLargerThanTheRest) {
  test::TempDir dir;
  for (const size_t size : {size_t{0}, size_t{5}, ChunkReader::kChunkSize + 7}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7);
    SourceFile file;
    ASSERT_TRUE(SourceFile::Open(dir.write("f", bytes), &file).ok());
    for (const int64_t start : {int64_t{1}, int64_t{3}, static_cast<int64_t>(size) + 2}) {
      ChunkReader reader(file, start);
      EXPECT_LE(reader.capacity(), std::max<size_t>(1, size + 1 - std::min<size_t>(size + 1, start)));
      std::string read;
      while (reader.next()) read.append(reinterpret_cast<const char*>(reader.data()), reader.size());
      EXPECT_TRUE(reader.status().ok());
      EXPECT_EQ(read, bytes.substr(std::min<size_t>(size, start - 1))) << size << " " << start;
    }
  }
}

TEST(BadSources, EveryTextEngineEndsWithAClearErrorAndNoText) {
  test::TempDir dir;
  const std::string fifo = dir.path() + "/pipe.doc";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {dir.path(), fifo, std::string("/dev/zero"), dir.path() + "/gone.doc"}) {
    for (const bool salvage : {false, true}) {
      test::FakeHost host;
      host.path = path;
      RecoveryJobState job;
      const Status status = salvage ? SalvageRecovery(job, host) : QuickRecovery(job, host);
      EXPECT_TRUE(status.isIOError()) << path;
      EXPECT_NE(status.message().find(path), std::string::npos);
      EXPECT_EQ(job.sRecoveredText, "") << path;
    }
  }
}

TEST(BadSources, EmptyAndOneByteFilesGiveTheLeadingBreak) {
  test::TempDir dir;
  for (const std::string& bytes : {std::string(), std::string("a"), std::string(1, '\0')}) {
    for (const bool salvage : {false, true}) {
      test::FakeHost host;
      host.path = dir.write("small.doc", bytes);
      RecoveryJobState job;
      ASSERT_TRUE((salvage ? SalvageRecovery(job, host) : QuickRecovery(job, host)).ok());
      EXPECT_EQ(job.sRecoveredText, "\r\n");
    }
  }
}

}  // namespace
}  // namespace kw
