// SPDX-License-Identifier: Apache-2.0
// Sources that are no readable document, given to the jobs that the text
// engines' own tests do not cover: Image Recovery, the .docx job and the
// picture header reader.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/docx/text/docx_recovery.h"
#include "formats/images/image_recovery.h"
#include "formats/images/picture_header.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// A sparse file of `size` bytes, or empty text when the file system cannot
// make one.
std::string Sparse(const test::TempDir& dir, const std::string& name, off_t size) {
  const std::string path = dir.path() + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return {};
  const bool ok = ::ftruncate(fd, size) == 0;
  ::close(fd);
  return ok ? path : std::string();
}

TEST(BadSources, PictureAndDocxJobsRefuseWhatIsNoReadableDocument) {
  test::TempDir dir;
  const std::string fifo = dir.path() + "/pipe.docx";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::vector<std::string> paths = {dir.path() + "/gone.docx", dir.path(), fifo, "/dev/null", "/dev/zero"};
  for (const off_t size : {off_t{1} << 31, off_t{1} << 32}) {
    const std::string sparse = Sparse(dir, "big" + std::to_string(size) + ".docx", size);
    if (!sparse.empty()) paths.push_back(sparse);
  }
  for (const std::string& path : paths) {
    test::FakeHost pictures;
    pictures.path = path;
    RecoveryJobState job;
    const Status listed = ImageRecovery(job, pictures);
    EXPECT_TRUE(listed.isIOError()) << path;
    EXPECT_NE(listed.message().find(path), std::string::npos) << listed.message();
    EXPECT_TRUE(pictures.pictures.empty()) << path;

    test::FakeHost text;
    text.path = path;
    job.sRecoveredText.clear();
    const Status read = DocxRecovery(job, text);
    EXPECT_TRUE(read.isIOError()) << path;
    EXPECT_NE(read.message().find(path), std::string::npos) << read.message();
    EXPECT_EQ(job.sRecoveredText, "") << path;

    PictureHeader info;
    info.fileName = path;
    info.read();
    EXPECT_EQ(info.type, PictureHeader::kNone) << path;
  }
}

}  // namespace
}  // namespace kw
