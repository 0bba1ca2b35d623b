// SPDX-License-Identifier: Apache-2.0
// The .docx job on real writers' packages cut short and with their main
// entry's local header damaged byte by byte: the document's text or no text,
// never a wrong text, never a crash.

#include <gtest/gtest.h>

#include <cstdlib>

#include "formats/docx/text/docx_recovery.h"
#include "tests/docx/docx_fixtures.h"
#include "tests/images/picture_bytes.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

class DocxMatrixTest : public ::testing::Test {
 protected:
  DocxMatrixTest() : tmp_(temp.path()) {}

  // The text the job gives for a package holding `bytes`.
  std::string Recover(const std::string& bytes) {
    test::FakeHost host;
    host.path = temp.write("damaged.docx", bytes);
    RecoveryJobState job;
    const Status status = DocxRecovery(job, host);
    EXPECT_TRUE(status.ok()) << status.message();
    return job.sRecoveredText;
  }

  test::TempDir temp;

 private:
  test::ScopedTmpDir tmp_;
};

TEST_F(DocxMatrixTest, PackagesCutAtEvery512ByteBoundary) {
  for (const test::DocxFixture& fixture : test::DocxFixtures()) {
    const std::string package = test::ReadFile(test::FixturePath(fixture.file));
    ASSERT_FALSE(package.empty()) << fixture.file;
    bool whole = false;  // once the text is there, a longer cut keeps it
    for (size_t cut = 512; cut < package.size(); cut += 512) {
      const std::string text = Recover(package.substr(0, cut));
      if (whole) {
        EXPECT_EQ(text, fixture.text) << fixture.file << " cut at " << cut;
      } else if (!text.empty()) {
        EXPECT_EQ(text, fixture.text) << fixture.file << " cut at " << cut;
        whole = true;
      }
    }
    EXPECT_EQ(Recover(package), fixture.text) << fixture.file;
  }
}

TEST_F(DocxMatrixTest, EveryByteOfTheMainLocalHeaderDamaged) {
  for (const test::DocxFixture& fixture : test::DocxFixtures()) {
    const std::string package = test::ReadFile(test::FixturePath(fixture.file));
    const size_t name = package.find("word/document.xml");
    ASSERT_NE(name, std::string::npos);
    const size_t header = name - 30;
    ASSERT_EQ(package.compare(header, 4, "PK\x03\x04"), 0) << fixture.file;
    for (size_t i = header; i < name + 17; ++i) {
      for (const int flip : {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0xFF}) {
        std::string damaged = package;
        damaged[i] = static_cast<char>(damaged[i] ^ flip);
        const std::string text = Recover(damaged);
        // Method 8 with bit 3 cleared is "stored": the deflated bytes are
        // then taken as they are, which is all a stored entry can give.
        const bool nowStored = i == header + 8 && flip == 0x08;
        if (!nowStored && !text.empty()) {
          EXPECT_EQ(text, fixture.text) << fixture.file << " byte " << i - header << " ^ " << flip;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kw
