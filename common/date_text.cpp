#include "common/date_text.h"

#include <cstdio>
#include <cstdlib>

#include "platform/gbk.h"
#include "common/split.h"
#include "platform/fs.h"
#include "platform/paths.h"

std::string FormatNowText(const platform::LocalTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

std::string FormatTodayText(const platform::LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d-%02d-%02d", t.year, t.month, t.day);
  return buf;
}

std::string GetNowText() { return FormatNowText(platform::clock::Local()); }
std::string GetTodayText() { return FormatTodayText(platform::clock::Local()); }

std::string NormalizeDateText(const std::string& date) {
  if (date.size() < 8) return "";
  std::string text = date;
  gbk::ReplaceAll(text, "年", "-");
  gbk::ReplaceAll(text, "月", "-");
  size_t blank = gbk::Find(text, ' ');
  if (blank != gbk::npos) {
    if (blank >= 8) text = text.substr(0, blank);
  } else if (text.size() > 10) {
    text = text.substr(0, 10);
  }
  StringList pieces;
  if (SplitToArray(text, "-", pieces, true, 1) < 3) return text;
  auto two = [](const std::string& piece) {
    return piece.size() == 2 ? piece : std::string("0") + piece[0];
  };
  return pieces[0] + "-" + two(pieces[1]) + "-" + two(pieces[2]);
}

long DateTextToDays(const std::string& date) {
  if (gbk::Find(date, '-') == gbk::npos) return 0;
  std::string text = date;
  gbk::ReplaceAll(text, "年", "-");
  gbk::ReplaceAll(text, "月", "-");
  gbk::ReplaceAll(text, "日", "-");
  size_t blank = gbk::Find(text, ' ');
  if (blank != gbk::npos) text = text.substr(0, blank);
  StringList pieces;
  if (SplitToArray(text, "-", pieces, true, 1) < 3) return 0;
  int year = std::atoi(pieces[0].c_str());
  int month = std::atoi(pieces[1].c_str());
  int day = std::atoi(pieces[2].c_str());
  if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31)
    throw std::invalid_argument("invalid date");
  time_t midnight = platform::clock::FromLocal(year, month, day);
  if (midnight == static_cast<time_t>(-1)) throw std::invalid_argument("invalid date");
  return static_cast<long>((platform::clock::Now() - midnight) / 86400);
}

unsigned GetFileTimes(const std::string& path, platform::LocalTime* time, std::string* compact,
                      std::string* dateText, Build build) {
  time_t created = 0;
  if (!platform::fs::BirthTime(path, created)) {
    if (compact) *compact = kFileTimeFallbackText;
    return 0;
  }
  platform::LocalTime t = platform::clock::ToLocal(created);
  char buf[64];
  if (compact) {
    std::snprintf(buf, sizeof buf, "%d%d%d%d%d", t.dayOfWeek, t.month, t.day, t.hour, t.minute);
    *compact = buf;
  }
  if (build != Build::Service) {
    if (dateText) {
      std::snprintf(buf, sizeof buf, "%d-%d-%d", t.year, t.month, t.day);
      *dateText = buf;
    }
    if (time) *time = t;
  }
  // Windows file time: 100 ns steps since 1601.
  unsigned long long ft = (static_cast<unsigned long long>(created) + 11644473600ULL) * 10000000ULL;
  return static_cast<unsigned>(ft & 0xFFFFFFFFULL);
}

long DaysSinceFileDate(const std::string& path) {
  std::string dateText;
  GetFileTimes(path.empty() ? platform::ProgramDir() : path, nullptr, nullptr, &dateText);
  if (dateText.empty()) return 0;
  return DateTextToDays(dateText);
}
