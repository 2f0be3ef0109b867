// The machine's one time zone, read from compiled zone files and zone rules; the C
// library, given the same zone through TZ, is the reference.
#include "platform/time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

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
