// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_engines/salvage_recovery.h"

#include <gtest/gtest.h>

#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

class SalvageRecoveryTest : public ::testing::Test {
 protected:
  Status Run(const std::string& bytes) {
    host.path = dir.write("s.doc", bytes);
    return SalvageRecovery(job, host);
  }
  test::TempDir dir;
  test::FakeHost host;
  RecoveryJobState job;
};

const std::string kZero(1, '\0');

TEST_F(SalvageRecoveryTest, FileStartingWithASpaceStartsAtTheFirstByte) {
  ASSERT_TRUE(Run(" ab").ok());
  EXPECT_EQ(job.lTextStart, 1);
  EXPECT_EQ(job.sRecoveredText, "\r\n ab");
}

TEST_F(SalvageRecoveryTest, TextStartsAtTheZeroByteBeforeTheAnchor) {
  ASSERT_TRUE(Run(kZero + "ab cd").ok());
  EXPECT_EQ(job.lTextStart, 1);
  EXPECT_EQ(job.sRecoveredText, "\r\nab cd");

  ASSERT_TRUE(Run("\x90\x91" + kZero + "xy" + kZero + "ab\rcd").ok());
  EXPECT_EQ(job.lTextStart, 6);
  EXPECT_EQ(job.sRecoveredText, "\r\nab\r\n\r\ncd");
}

TEST_F(SalvageRecoveryTest, BackwardWalkCrossesManyReadBlocks) {
  const std::string far = "Z" + kZero + test::Bytes(300000, 'q') + " tail";
  ASSERT_TRUE(Run(far).ok());
  EXPECT_EQ(job.lTextStart, 2);
  // The extraction stops at the position cap long before the tail.
  EXPECT_EQ(job.sRecoveredText, "\r\n" + test::Bytes(19999, 'q'));  // counters 3 to 20001
}

TEST_F(SalvageRecoveryTest, MarksHighBytesAndEscapePairs) {
  ASSERT_TRUE(Run(" a\rb\x0B"
                  "c\xE9\x80"
                  "d\x25Xe")
                  .ok());
  EXPECT_EQ(job.sRecoveredText, "\r\n a\r\n\r\nb\r\ncde");
}

TEST_F(SalvageRecoveryTest, EndMarkerStopsTheExtractionAndFillsTheBar) {
  ASSERT_TRUE(Run(" ab\x25\xB0"
                  "cd")
                  .ok());
  EXPECT_EQ(job.sRecoveredText, "\r\n ab");
  EXPECT_EQ(host.progressMax, 100);
  EXPECT_EQ(host.progressValue, 100);
}

TEST_F(SalvageRecoveryTest, EndMarkerBeforeTheAnchorDoesNotStopTheAnchorPass) {
  ASSERT_TRUE(Run("ab\x25\xB0" + kZero + "cd ef\x25\xB0gh").ok());
  EXPECT_EQ(job.lTextStart, 5);
  EXPECT_EQ(job.sRecoveredText, "\r\ncd ef");
  // The counting pass stopped at the first marker: two steps. The bar is held
  // at that maximum although the text start lies beyond it.
  for (const int32_t v : host.progressValues) {
    if (v != 100) {
      EXPECT_LE(v, 2);
    }
  }
}

TEST_F(SalvageRecoveryTest, NoSpaceAndNoParagraphMarkGivesOnlyTheLeadingBreak) {
  job.lTextStart = 77;  // left by an earlier job
  ASSERT_TRUE(Run("abc" + kZero + "def").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\n");
  EXPECT_EQ(job.lTextStart, 77);
}

// A paragraph mark at counter `mark`, then `zeros` zero bytes, then "END".
std::string StopRunFile(size_t mark, size_t zeros) {
  return " " + test::Bytes(mark - 2, 'a') + "\r" + test::Bytes(zeros, '\0') + "END";
}

TEST_F(SalvageRecoveryTest, TwoHundredDroppedStepsAfterAParagraphPast2550Stop) {
  ASSERT_TRUE(Run(StopRunFile(3000, 200)).ok());
  EXPECT_EQ(job.sRecoveredText.substr(job.sRecoveredText.size() - 5), "a\r\n\r\n");
  EXPECT_EQ(host.progressValue, 100);
  // 199 zero bytes are not enough.
  ASSERT_TRUE(Run(StopRunFile(3000, 199)).ok());
  EXPECT_EQ(job.sRecoveredText.substr(job.sRecoveredText.size() - 3), "END");
}

TEST_F(SalvageRecoveryTest, StopRunComparesTheCountForEqualityAtEveryStep) {
  // The 200th dropped step falls at counter 2550: not greater, no stop. More
  // dropped steps carry the count past 200, so the rule cannot fire again.
  ASSERT_TRUE(Run(" " + test::Bytes(2348, 'a') + "\r" + test::Bytes(500, '\0') + "MORE").ok());
  EXPECT_EQ(job.sRecoveredText.substr(job.sRecoveredText.size() - 4), "MORE");
  // A character leaves the count at 200, so the next step past 2550 fires.
  ASSERT_TRUE(Run(StopRunFile(2350, 200)).ok());
  EXPECT_EQ(job.sRecoveredText.substr(job.sRecoveredText.size() - 5), "\r\n\r\nE");
  // The 200th dropped step at counter 2551 fires on that step.
  ASSERT_TRUE(Run(StopRunFile(2351, 200)).ok());
  EXPECT_EQ(job.sRecoveredText.substr(job.sRecoveredText.size() - 4), "\r\n\r\n");
}

TEST_F(SalvageRecoveryTest, ZeroRunBeforeAnyParagraphDoesNotStop) {
  ASSERT_TRUE(Run(" " + test::Bytes(3000, 'a') + test::Bytes(400, '\0') + "END").ok());
  EXPECT_EQ(job.sRecoveredText.substr(job.sRecoveredText.size() - 3), "END");
}

TEST_F(SalvageRecoveryTest, NoTextIsTakenBeyondCounter20001) {
  ASSERT_TRUE(Run(" " + test::Bytes(30000, 'b')).ok());
  EXPECT_EQ(job.sRecoveredText.size(), 2u + 20001u);
  // Escape pairs make the counter run behind the file position.
  ASSERT_TRUE(Run(" " + std::string("\x25Q") + test::Bytes(30000, 'b')).ok());
  EXPECT_EQ(job.sRecoveredText.size(), 2u + 20000u);
}

TEST(StripNonAscii, KeepsOnlyCharactersBelow128) {
  EXPECT_EQ(StripNonAscii("a\xE9"
                          "b\x80\x7F"),
            "ab\x7F");
  EXPECT_EQ(StripNonAscii("\xFF"), "");
  EXPECT_EQ(StripNonAscii(""), "");
}

}  // namespace
}  // namespace kw
