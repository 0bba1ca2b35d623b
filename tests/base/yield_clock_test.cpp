// SPDX-License-Identifier: Apache-2.0
#include "base/yield_clock.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/fake_host.h"

namespace kw {
namespace {

TEST(YieldClock, YieldsOnlyOnceTheIntervalHasPassed) {
  // The clock is read at the kernel's tick resolution, so "passed" is
  // checked with a margin of a few ticks.
  test::FakeHost host;
  YieldClock clock(host);
  int shown = 0;
  for (int i = 0; i < 1000; ++i) clock.tick([&] { ++shown; });
  EXPECT_LE(host.yields, 1);  // a thousand ticks in well under the interval
  const int before = host.yields;
  std::this_thread::sleep_for(YieldClock::kInterval * 4);
  clock.tick([&] { ++shown; });
  EXPECT_EQ(host.yields, before + 1);
  EXPECT_EQ(shown, host.yields);
  clock.tick();
  EXPECT_EQ(host.yields, before + 1);  // the interval starts again
  clock.now();
  EXPECT_EQ(host.yields, before + 2);
}

}  // namespace
}  // namespace kw
