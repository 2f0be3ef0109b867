#include "platform/clock.h"

#include <gtest/gtest.h>

#include <thread>

namespace clk = platform::clock;

TEST(Clock, FakeClockAdvancesOnSleep) {
  clk::SetFake(1000, 250);
  EXPECT_EQ(clk::Now(), 1000);
  EXPECT_TRUE(clk::Sleep(80000));
  EXPECT_EQ(clk::NowMs(), 1000 * 1000 + 250 + 80000);
  platform::StopToken stop;
  stop.RequestStop();
  EXPECT_FALSE(clk::Sleep(10, &stop));
  clk::ClearFake();
  EXPECT_FALSE(clk::IsFake());
}

TEST(Clock, StopTokenWakesARealSleeper) {
  platform::StopToken stop;
  bool finished = true;
  std::thread t([&] { finished = clk::Sleep(3600 * 1000, &stop); });
  stop.RequestStop();
  t.join();
  EXPECT_FALSE(finished);
}

TEST(Clock, CalendarConversion) {
  EXPECT_EQ(clk::FromLocal(2016, 2, 30), -1);
  time_t t = clk::FromLocal(2016, 9, 9, 8, 5, 7);
  auto lt = clk::ToLocal(t);
  EXPECT_EQ(lt.year, 2016);
  EXPECT_EQ(lt.month, 9);
  EXPECT_EQ(lt.day, 9);
  EXPECT_EQ(lt.hour, 8);
  EXPECT_EQ(lt.dayOfWeek, 5);
}
