#include "service/now_time.h"

#include <cstdio>

#include "common/date_text.h"
#include "platform/clock.h"

std::string GetNowTime() {
  platform::LocalTime t = platform::clock::Local();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

std::string GetNowDateTime() {
  // One reading of the clock, so date and time never straddle midnight.
  platform::LocalTime t = platform::clock::Local();
  char buf[32];
  std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", t.hour, t.minute, t.second);
  return FormatTodayText(t) + buf;
}
