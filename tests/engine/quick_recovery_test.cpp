#include <gtest/gtest.h>

#include "engine/job_controller.h"
#include "engine/quick_recovery.h"
#include "tests/support/fake_host.h"
#include "tests/support/temp_dir.h"

namespace kw {
namespace {

TEST(QuickRecovery, FiveLettersParagraphFiveLettersAndEndMarker) {
  test::TempDir dir;
  test::FakeHost host;
  host.path = dir.write("a.doc", test::Bytes(2560, 'x') + "Hello\rWorld\x25\xB0tail");
  RecoveryJobState job;
  ASSERT_TRUE(ReadDOC_and_Repair(job, host).ok());
  EXPECT_EQ(job.sRecoveredText, "\r\nHello\r\nWorld");
}

}  // namespace
}  // namespace kw
