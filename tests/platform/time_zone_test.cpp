// The machine's one time zone, read from compiled zone files and zone rules; the C
// library, given the same zone through TZ, is the reference.
#include "platform/time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace tz = platform::time_zone;

namespace {

// The C library's offset east of UTC for zone at t.
int64_t ReferenceOffset(const char* zone, time_t t) {
  setenv("TZ", zone, 1);
  tzset();
  struct tm tm {};
  localtime_r(&t, &tm);
  return tm.tm_gmtoff;
}

class TimeZone : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("TZ");
    tzset();
  }
};

// Before the first transition, across the table, and past its end (the rule at the
// file's end): 1970, 2010, winter and summer 2023 and 2026, 2049, 2096.
const time_t kMoments[] = {0, 1262304000, 1674000000, 1689000000, 1768000000, 1783000000, 2500000000, 4000000000};

}  // namespace

TEST_F(TimeZone, ZoneFilesGiveTheOffsetsOfTheCLibrary) {
  for (const char* zone : {"UTC", "Asia/Shanghai", "America/New_York", "Europe/Berlin", "Australia/Sydney",
                           "America/Sao_Paulo", "Asia/Kolkata", "Pacific/Chatham"}) {
    std::string data;
    ASSERT_EQ(platform::fs::ReadFile(std::string("/usr/share/zoneinfo/") + zone, data), platform::fs::kOk) << zone;
    for (time_t t : kMoments) {
      int64_t offset = -1;
      ASSERT_TRUE(tz::OffsetFromZoneData(data, t, offset)) << zone;
      EXPECT_EQ(offset, ReferenceOffset(zone, t)) << zone << " at " << t;
    }
  }
  int64_t offset = 0;
  EXPECT_FALSE(tz::OffsetFromZoneData("TZif", 0, offset));
  EXPECT_FALSE(tz::OffsetFromZoneData("not a zone file at all, but long enough to hold a header", 0, offset));
}

TEST_F(TimeZone, RulesGiveTheOffsetsOfTheCLibrary) {
  for (const char* rule : {"CST-8", "<+0530>-5:30", "EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3",
                           "AEST-10AEDT,M10.1.0,M4.1.0/3", "<-03>3<-02>,M3.5.0/-2,M10.5.0/-1",
                           "XST3XDT,J60/2,J300/2", "YST4YDT,59,299"}) {
    for (time_t t : kMoments) {
      int64_t offset = -1;
      ASSERT_TRUE(tz::OffsetFromRule(rule, t, offset)) << rule;
      EXPECT_EQ(offset, ReferenceOffset(rule, t)) << rule << " at " << t;
    }
  }
  int64_t offset = 0;
  for (const char* bad : {"", "X", "EST", "EST5EDT,M13.1.0,M11.1.0", "EST5EDT,M3.2.0"})
    EXPECT_FALSE(tz::OffsetFromRule(bad, 0, offset)) << bad;
}

TEST_F(TimeZone, TheMachineProfileDecidesNeverTheProcess) {
  qortest::TempInstall inst;
  setenv("TZ", "America/New_York", 1);
  tzset();
  const struct {
    const char* line;
    int hour;
  } cases[] = {
      {"time_zone=Asia/Shanghai\n", 8},
      {"time_zone=CST-9\n", 9},
      {"time_zone=No/Such_Zone\n", 0},
      {"time_zone=../../etc/localtime\n", 0},
  };
  for (const auto& c : cases) {
    inst.WriteMachineIni(c.line);
    // 2010-01-01 00:00 UTC, a Friday.
    const platform::LocalTime t = tz::MachineLocal(1262304000);
    EXPECT_EQ(t.hour, c.hour) << c.line;
    EXPECT_EQ(t.day, 1) << c.line;
    EXPECT_EQ(t.dayOfWeek, 5) << c.line;
  }
  // Without the key the system's zone counts.
  inst.WriteMachineIni("time_zone=\n");
  std::string data;
  int64_t system = 0;
  if (platform::fs::ReadFile("/etc/localtime", data) == platform::fs::kOk)
    tz::OffsetFromZoneData(data, 1262304000, system);
  EXPECT_EQ(tz::MachineUtcOffset(1262304000), system);
}

namespace {

// Moments around the summer-time changes of 2026 in Berlin (29 March, 25 October,
// 01:00 UTC both) and New York (8 March 07:00, 1 November 06:00 UTC).
const time_t kChanges[] = {1774746000, 1792890000, 1772953200, 1793512800};

platform::LocalTime ReferenceLocal(const char* zone, time_t t) {
  setenv("TZ", zone, 1);
  tzset();
  struct tm tm {};
  localtime_r(&t, &tm);
  platform::LocalTime lt;
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec;
  lt.dayOfWeek = tm.tm_wday;
  return lt;
}

bool SameWallTime(const platform::LocalTime& a, const platform::LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
         a.second == b.second;
}

}  // namespace

// Every quarter hour from six hours before to six hours after each change: the local
// time is the C library's for that zone, and back to the moment gives the moment, but
// for the repeated hour, which is read as its first showing.
TEST_F(TimeZone, LocalTimesRoundTripAcrossSummerTimeChanges) {
  qortest::TempInstall inst;
  for (const char* zone : {"Europe/Berlin", "America/New_York", "Asia/Shanghai", "UTC"}) {
    inst.WriteMachineIni(std::string("time_zone=") + zone + "\n");
    for (time_t change : kChanges) {
      for (time_t t = change - 6 * 3600 + 7; t <= change + 6 * 3600; t += 900) {
        const platform::LocalTime ref = ReferenceLocal(zone, t);
        // The process's zone is another one still; it must not count.
        setenv("TZ", "Pacific/Chatham", 1);
        tzset();
        const platform::LocalTime lt = platform::clock::ToLocal(t);
        ASSERT_TRUE(SameWallTime(lt, ref)) << zone << " at " << t << ": " << lt.hour << " not " << ref.hour;
        EXPECT_EQ(lt.dayOfWeek, ref.dayOfWeek) << zone << " at " << t;
        const time_t back = platform::clock::FromLocal(lt.year, lt.month, lt.day, lt.hour, lt.minute, lt.second);
        const bool secondShowing = SameWallTime(platform::clock::ToLocal(t - 3600), lt);
        EXPECT_EQ(back, secondShowing ? t - 3600 : t) << zone << " at " << t;
      }
    }
  }
}

// Wall times that summer time skips or repeats, and dates the calendar lacks.
TEST_F(TimeZone, WallTimesAtTheChangesAndBadDates) {
  qortest::TempInstall inst;
  const struct {
    const char* zone;
    int month, day, hour, minute;
    time_t expected;  // -1: no calendar date
    int shownHour;
  } cases[] = {
      {"Europe/Berlin", 3, 29, 2, 30, 1774747800, 3},     // skipped: read as winter time, 03:30 summer time
      {"Europe/Berlin", 10, 25, 2, 30, 1792888200, 2},    // repeated: the first, summer-time showing
      {"America/New_York", 3, 8, 2, 30, 1772955000, 3},   // skipped
      {"America/New_York", 11, 1, 1, 30, 1793511000, 1},  // repeated
      {"Asia/Shanghai", 3, 29, 2, 30, 1774722600, 2},
      {"UTC", 3, 29, 2, 30, 1774751400, 2},
      {"UTC", 2, 29, 0, 0, -1, 0},
      {"UTC", 4, 31, 0, 0, -1, 0},
      {"UTC", 13, 1, 0, 0, -1, 0},
  };
  for (const auto& c : cases) {
    inst.WriteMachineIni(std::string("time_zone=") + c.zone + "\n");
    const time_t t = platform::clock::FromLocal(2026, c.month, c.day, c.hour, c.minute, 0);
    EXPECT_EQ(t, c.expected) << c.zone << " " << c.month << "-" << c.day;
    if (c.expected != -1) {
      EXPECT_EQ(platform::clock::ToLocal(t).hour, c.shownHour) << c.zone;
    }
  }
  inst.WriteMachineIni("time_zone=UTC\n");
  // A leap day, and a time of day past its end carrying into the next day.
  EXPECT_EQ(platform::clock::FromLocal(2024, 2, 29, 24, 0, 0), platform::clock::FromLocal(2024, 3, 1));
}
