// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/text_engines/quick_recovery.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

// Runs Quick Recovery on 2560 filler bytes followed by `text`.
class QuickRecoveryTest : public ::testing::Test {
 protected:
  Status Run(const std::string& text, char filler = 'x') {
    host.path = dir.write("a.doc", test::Bytes(2560, filler) + text);
    return QuickRecovery(job, host);
  }
  test::TempDir dir;
  test::FakeHost host;
  RecoveryJobState job;
};

TEST_F(QuickRecoveryTest, ParagraphMarkBecomesLineBreakAndEndMarkerStopsTheText) {
  ASSERT_TRUE(Run("Hello\rWorld\x25\xB0tail").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\nHello\r\nWorld");
  EXPECT_EQ(host.progressMax, 11);
  EXPECT_EQ(host.progressValue, 11);
  EXPECT_EQ(job.iStartPos, 2561);
  EXPECT_EQ(job.lCurPos, 2561 + 11);
}

TEST_F(QuickRecoveryTest, FilesOf2560BytesOrLessGiveOnlyTheLeadingBreak) {
  for (const size_t size : {0, 1, 2559, 2560}) {
    host.path = dir.write("short.doc", test::Bytes(size, 'a'));
    ASSERT_TRUE(QuickRecovery(job, host).ok());
    EXPECT_EQ(job.sRecoveredText, "\r\n") << size;
    EXPECT_EQ(host.progressMax, 0) << size;
  }
  host.path = dir.write("2561.doc", test::Bytes(2561, 'a'));
  ASSERT_TRUE(QuickRecovery(job, host).ok());
  EXPECT_EQ(job.sRecoveredText, "\r\na");
}

TEST_F(QuickRecoveryTest, EndMarkerRightAtTheTextStart) {
  ASSERT_TRUE(Run("\x25\xB0more text").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\n");
  EXPECT_EQ(host.progressMax, 0);
}

TEST_F(QuickRecoveryTest, EscapePairsAreDroppedAndCountAsOneStep) {
  ASSERT_TRUE(Run("ab\x25Zcd").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\nabcd");
  EXPECT_EQ(host.progressMax, 5);  // a, b, the pair, c, d
}

TEST_F(QuickRecoveryTest, DoubleEscapeHidesTheEndMarker) {
  // The first 0x25 takes the second as its read-ahead; the 0xB0 is a character.
  ASSERT_TRUE(Run("a\x25\x25\xB0z").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\na\xC2\xB0z");
}

TEST_F(QuickRecoveryTest, EscapeAsTheLastByteEndsThePassAtTheReadAhead) {
  ASSERT_TRUE(Run("abc\x25").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\nabc");
  EXPECT_EQ(host.progressMax, 3);
  EXPECT_EQ(host.progressValue, 3);
}

TEST_F(QuickRecoveryTest, ControlBytesOtherThanMarksStay) {
  ASSERT_TRUE(Run(std::string("a\r\nb\x0B"
                              "c\x07\x09\x0C"
                              "d\0e",
                              13))
                  .ok());
  EXPECT_EQ(job.sRecoveredText,
            "\r\na\r\n\nb\r\nc\x07\x09\x0C"
            "de");
}

TEST_F(QuickRecoveryTest, BytesBecomeWindows1252Characters) {
  ASSERT_TRUE(Run("caf\xE9 \x80 \x93q\x94 \x81\x8D\x8F\x90\x9D").ok());
  EXPECT_EQ(job.sRecoveredText,
            "\r\ncaf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D "
            "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

TEST_F(QuickRecoveryTest, TwoByteTextWithZeroHighBytesComesOutReadable) {
  ASSERT_TRUE(Run(std::string("H\0i\0!\0", 6), '\0').ok());
  EXPECT_EQ(job.sRecoveredText, "\r\nHi!");
}

TEST_F(QuickRecoveryTest, StepsAcrossReadBuffersFollowTheSameRule) {
  // An escape byte as the last byte of one large read and the end marker's
  // second byte as the first of the next.
  const size_t toBoundary = (1 << 20) - 1;
  std::string text = test::Bytes(toBoundary, 'q') + "\x25\xB0" + "after";
  ASSERT_TRUE(Run(text).ok());
  EXPECT_EQ(job.sRecoveredText.size(), 2 + toBoundary);
  EXPECT_EQ(host.progressMax, static_cast<int32_t>(toBoundary));
  text = test::Bytes(toBoundary, 'q') + "\x25Qz";
  ASSERT_TRUE(Run(text).ok());
  EXPECT_EQ(job.sRecoveredText.substr(job.sRecoveredText.size() - 2), "qz");
}

TEST_F(QuickRecoveryTest, LongRunsOfZerosAndEscapePairsCountEveryStep) {
  // Runs that both passes take eight bytes at a time, of every length
  // around eight and at every alignment, ending in a pair split or not.
  for (size_t run = 5; run <= 19; ++run) {
    for (const char b : {'\0', '\x25'}) {
      const std::string text = "a" + std::string(run, b) + "b" + std::string(run * 2, b) + "\x25\xB0" + "x";
      ASSERT_TRUE(Run(text).ok());
      const size_t n = run * 3;
      // A zero is a step of its own; an escape pair is one step, and an odd
      // run's last escape pairs with the byte after it.
      const size_t steps = b == '\0' ? 2 + n : 2 + run / 2 + run;
      EXPECT_EQ(host.progressMax, static_cast<int32_t>(steps)) << run << " " << int(b);
      EXPECT_EQ(job.lCurPos, static_cast<int32_t>(2561 + steps)) << run;
      const std::string expected = b == '\0' ? "\r\nab" : (run % 2 == 0 ? "\r\nab" : "\r\na");
      EXPECT_EQ(job.sRecoveredText, expected) << run << " " << int(b);
    }
  }
}

TEST_F(QuickRecoveryTest, FileThatGrowsBetweenThePassesNeverPushesProgressPastItsMaximum) {
  host.onSetMax = [&] { std::ofstream(host.path, std::ios::app) << "grown"; };
  ASSERT_TRUE(Run("abc").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\nabcgrown");
  EXPECT_EQ(host.progressMax, 3);
  for (const int32_t v : host.progressValues) EXPECT_LE(v, 3);
}

TEST_F(QuickRecoveryTest, FileThatShrinksBetweenThePassesEndsNormally) {
  host.onSetMax = [&] { std::ofstream(host.path, std::ios::trunc) << "x"; };
  ASSERT_TRUE(Run("abcdef").ok());
  EXPECT_EQ(job.sRecoveredText, "\r\n");
}

TEST_F(QuickRecoveryTest, UnreadableSourceLeavesTheTextAndNamesTheFile) {
  host.path = dir.path() + "/missing.doc";
  const Status status = QuickRecovery(job, host);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("missing.doc"), std::string::npos);
  EXPECT_EQ(job.sRecoveredText, "");
}

}  // namespace
}  // namespace kw
