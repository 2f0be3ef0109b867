#include "common/date_text.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace {
struct FakeClock {
  explicit FakeClock(time_t t) { platform::clock::SetFake(t); }
  ~FakeClock() { platform::clock::ClearFake(); }
};
}  // namespace

TEST(DateText, NowAndTodayTexts) {
  FakeClock clock(platform::clock::FromLocal(2016, 9, 9, 8, 5, 7));
  EXPECT_EQ(GetNowText(), "2016-9-9 8:5:7");
  EXPECT_EQ(GetTodayText(), "2016-09-09");
}

TEST(DateText, NormalizeCases) {
  struct Case {
    const char* in;
    const char* want;
  } cases[] = {
      {"2016-9-9", "2016-09-09"},
      {"2016年9月9日 10:00", "2016-09-09"},
      {"2016-9-9 8:5:7", "2016-09-09"},
      {"2016-10-01", "2016-10-01"},
      {"2016-9-30xyz", "2016-09-03"},
      {"2016-123-4", "2016-01-04"},
      {"20160-9-", "20160-9-"},
      {"abcdefgh", "abcdefgh"},
      {"2016-9", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeDateText(c.in), c.want) << c.in;
}

TEST(DateText, DaysFromDates) {
  FakeClock clock(platform::clock::FromLocal(2016, 9, 9, 8, 5, 7));
  EXPECT_EQ(DateTextToDays("2016-9-9"), 0);
  EXPECT_EQ(DateTextToDays("2016-9-1"), 8);
  EXPECT_EQ(DateTextToDays("2016-8月9日 1:00"), 31);
  EXPECT_EQ(DateTextToDays("2016年8月9日"), 0);  // no "-" before the 年 and 月 are replaced
  EXPECT_EQ(DateTextToDays("2016-9-10"), 0);  // future: truncated toward zero
  EXPECT_EQ(DateTextToDays("2016-9-11"), -1);
  EXPECT_EQ(DateTextToDays("20160909"), 0);
  EXPECT_EQ(DateTextToDays("2016-9"), 0);
  for (const char* bad : {"1899-1-1", "2016-13-1", "2016-0-1", "2016-1-32", "2016-2-31", "2016-1-0"})
    EXPECT_THROW(DateTextToDays(bad), std::invalid_argument) << bad;
}

TEST(DateText, FileTimesAndFallback) {
  qortest::TempInstall inst;
  std::string compact = "x", date = "unchanged";
  EXPECT_EQ(GetFileTimes(inst.ProgramDir() + "missing", nullptr, &compact, &date), 0u);
  EXPECT_EQ(compact, kFileTimeFallbackText);
  EXPECT_EQ(date, "unchanged");

  platform::LocalTime t;
  GetFileTimes(inst.ProgramDir(), &t, &compact, &date);
  EXPECT_GE(t.year, 2020);
  EXPECT_EQ(date, std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day));
  std::string svcDate = "svc";
  GetFileTimes(inst.ProgramDir(), nullptr, &compact, &svcDate, Build::Service);
  EXPECT_EQ(svcDate, "svc");

  // Ten days after the program folder was made; a missing file counts as no age.
  FakeClock later(platform::clock::FromLocal(t.year, t.month, t.day, 12) + 10 * 86400);
  EXPECT_EQ(DaysSinceFileDate(""), 10);
  EXPECT_EQ(DaysSinceFileDate(inst.ProgramDir() + "log"), 10);
  EXPECT_EQ(DaysSinceFileDate(inst.ProgramDir() + "missing"), 0);
}
