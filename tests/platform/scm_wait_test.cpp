// The bounds of the waits for another process in a run at real speed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/scm.h"

namespace scm = platform::scm;

namespace {

// Before anything reads it: this program runs unscaled whatever its caller set.
const bool g_unscaled = (unsetenv("QOR_TIME_SCALE"), true);

TEST(ScmWaitBound, WithoutTimeScaleTheFloorCannotBeLowered) {
  ASSERT_TRUE(g_unscaled);
  ASSERT_EQ(platform::clock::TimeScale(), 1.0);
  setenv(scm::kMinProcessWaitEnv, "0", 1);
  EXPECT_EQ(scm::ProcessWaitMs(scm::kStartWaitMs), scm::kStartWaitMs);
  EXPECT_EQ(scm::ProcessWaitMs(1000), scm::kMinProcessWaitMs);
  unsetenv(scm::kMinProcessWaitEnv);
  EXPECT_EQ(scm::ProcessWaitMs(1000), scm::kMinProcessWaitMs);
}

}  // namespace
