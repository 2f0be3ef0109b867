// Programs of one machine started under different TZ settings agree on the day's log
// and on the time they write in it: the machine's zone counts, not the process's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "common/daily_log.h"
#include "common/date_text.h"
#include "platform/clock.h"
#include "tests/support/forked.h"
#include "tests/support/temp_install.h"

TEST(MachineTime, ProcessesUnderOtherZonesWriteTheSameDayAndTime) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("time_zone=Asia/Shanghai\n");
  // 2026-12-09 17:30:05 UTC is already the 10th in Shanghai, still the 9th westward.
  const time_t instant = 1796837405;
  const char* zones[] = {"America/New_York", "Europe/Berlin", "UTC", "Asia/Tokyo", nullptr};
  const int count = static_cast<int>(sizeof zones / sizeof zones[0]);
  EXPECT_TRUE(qortest::RunForked(count, [&](int i) {
    if (zones[i]) setenv("TZ", zones[i], 1);
    else unsetenv("TZ");
    tzset();
    platform::clock::SetFake(instant);
    const bool day = DailyLogPath("log/") == "log/qor2026-12-10.log";
    const bool now = GetNowText() == "2026-12-10 1:30:5";
    const bool shortDay = GetTodayShortText() == "2026-12-10";
    return day && now && shortDay;
  }));
}
