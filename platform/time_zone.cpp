#include "platform/time_zone.h"

#include <cctype>
#include <vector>

#include "platform/fs.h"
#include "platform/machine.h"

namespace platform::time_zone {

namespace {

constexpr const char* kZoneFolder = "/usr/share/zoneinfo/";
constexpr const char* kSystemZone = "/etc/localtime";

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// --- compiled zone files ---

class Reader {
 public:
  Reader(const std::string& data, size_t at) : m_data(data), m_at(at) {}
  bool Has(size_t n) const { return m_at + n <= m_data.size(); }
  int64_t Int(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | uint8_t(m_data[m_at++]);
    if (bytes == 4) return int32_t(uint32_t(v));
    return int64_t(v);
  }
  uint8_t Byte() { return uint8_t(m_data[m_at++]); }
  void Skip(size_t n) { m_at += n; }
  size_t At() const { return m_at; }

 private:
  const std::string& m_data;
  size_t m_at;
};

struct Counts {
  uint32_t isut = 0, isstd = 0, leap = 0, time = 0, type = 0, chars = 0;
};

bool ReadHeader(Reader& r, char& version, Counts& c) {
  if (!r.Has(44)) return false;
  char magic[4];
  for (char& ch : magic) ch = char(r.Byte());
  if (std::string(magic, 4) != "TZif") return false;
  version = char(r.Byte());
  r.Skip(15);
  c.isut = uint32_t(r.Int(4));
  c.isstd = uint32_t(r.Int(4));
  c.leap = uint32_t(r.Int(4));
  c.time = uint32_t(r.Int(4));
  c.type = uint32_t(r.Int(4));
  c.chars = uint32_t(r.Int(4));
  return c.type > 0;
}

size_t BlockSize(const Counts& c, int timeBytes) {
  return size_t(c.time) * (timeBytes + 1) + size_t(c.type) * 6 + c.chars + size_t(c.leap) * (timeBytes + 4) +
         c.isstd + c.isut;
}

// --- POSIX zone rules ---

struct RuleDate {
  char kind = 'M';  // 'J' (1-365, no 29 February), 'D' (0-365), 'M' (month, week, day)
  int n = 0, month = 0, week = 0, weekday = 0;
  int64_t time = 7200;
};

struct Rule {
  int64_t stdOffset = 0;  // seconds east of UTC
  int64_t dstOffset = 0;
  bool hasDst = false;
  RuleDate start, end;
};

class RuleParser {
 public:
  explicit RuleParser(const std::string& s) : m_s(s) {}

  bool Parse(Rule& rule) {
    if (!Name()) return false;
    int64_t west = 0;
    if (!Offset(west)) return false;
    rule.stdOffset = -west;
    if (AtEnd()) return true;
    if (!Name()) return false;
    rule.hasDst = true;
    rule.dstOffset = rule.stdOffset + 3600;
    if (!AtEnd() && Peek() != ',') {
      if (!Offset(west)) return false;
      rule.dstOffset = -west;
    }
    if (AtEnd()) {
      // The rule of the United States when the zone gives none.
      rule.start = {'M', 0, 3, 2, 0, 7200};
      rule.end = {'M', 0, 11, 1, 0, 7200};
      return true;
    }
    if (Peek() != ',') return false;
    ++m_at;
    if (!Date(rule.start)) return false;
    if (AtEnd() || Peek() != ',') return false;
    ++m_at;
    if (!Date(rule.end)) return false;
    return AtEnd();
  }

 private:
  bool AtEnd() const { return m_at >= m_s.size(); }
  char Peek() const { return m_s[m_at]; }

  bool Name() {
    if (AtEnd()) return false;
    if (Peek() == '<') {
      const size_t close = m_s.find('>', m_at);
      if (close == std::string::npos) return false;
      m_at = close + 1;
      return true;
    }
    const size_t begin = m_at;
    while (!AtEnd() && std::isalpha(uint8_t(Peek()))) ++m_at;
    return m_at - begin >= 3;
  }

  bool Number(int64_t& v) {
    const size_t begin = m_at;
    v = 0;
    while (!AtEnd() && std::isdigit(uint8_t(Peek())) && m_at - begin < 6) v = v * 10 + (m_s[m_at++] - '0');
    return m_at > begin;
  }

  // [+-]hh[:mm[:ss]] in seconds.
  bool Offset(int64_t& seconds) {
    int64_t sign = 1;
    if (!AtEnd() && (Peek() == '+' || Peek() == '-')) sign = m_s[m_at++] == '-' ? -1 : 1;
    int64_t h = 0, m = 0, s = 0;
    if (!Number(h)) return false;
    if (!AtEnd() && Peek() == ':') {
      ++m_at;
      if (!Number(m)) return false;
      if (!AtEnd() && Peek() == ':') {
        ++m_at;
        if (!Number(s)) return false;
      }
    }
    seconds = sign * (h * 3600 + m * 60 + s);
    return true;
  }

  bool Date(RuleDate& d) {
    if (AtEnd()) return false;
    int64_t v = 0;
    if (Peek() == 'J') {
      ++m_at;
      d.kind = 'J';
      if (!Number(v) || v < 1 || v > 365) return false;
      d.n = int(v);
    } else if (Peek() == 'M') {
      ++m_at;
      d.kind = 'M';
      int64_t w = 0, wd = 0;
      if (!Number(v) || AtEnd() || Peek() != '.') return false;
      ++m_at;
      if (!Number(w) || AtEnd() || Peek() != '.') return false;
      ++m_at;
      if (!Number(wd)) return false;
      if (v < 1 || v > 12 || w < 1 || w > 5 || wd > 6) return false;
      d.month = int(v);
      d.week = int(w);
      d.weekday = int(wd);
    } else {
      d.kind = 'D';
      if (!Number(v) || v > 365) return false;
      d.n = int(v);
    }
    d.time = 7200;
    if (!AtEnd() && Peek() == '/') {
      ++m_at;
      if (!Offset(d.time)) return false;
    }
    return true;
  }

  const std::string& m_s;
  size_t m_at = 0;
};

// Seconds from the epoch to local midnight of the rule's day in year y (as if UTC).
int64_t DayStart(int64_t y, const RuleDate& d) {
  int64_t days = DaysFromCivil(y, 1, 1);
  if (d.kind == 'J') {
    days += d.n - 1 + (IsLeap(y) && d.n >= 60 ? 1 : 0);
  } else if (d.kind == 'D') {
    days += d.n;
  } else {
    const int64_t first = DaysFromCivil(y, d.month, 1);
    const int64_t firstWeekday = (first % 7 + 11) % 7;  // 1970-01-01 was a Thursday
    int day = 1 + int((d.weekday - firstWeekday + 7) % 7) + (d.week - 1) * 7;
    while (day > DaysInMonth(y, d.month)) day -= 7;
    days = first + day - 1;
  }
  return days * 86400;
}

}  // namespace

bool OffsetFromRule(const std::string& text, time_t t, int64_t& offset) {
  Rule rule;
  if (text.empty() || !RuleParser(text).Parse(rule)) return false;
  if (!rule.hasDst) {
    offset = rule.stdOffset;
    return true;
  }
  // The year as standard time sees it; the switches are computed for that year.
  const int64_t local = int64_t(t) + rule.stdOffset;
  const int64_t days = FloorDiv(local, 86400);
  // Civil year from days (inverse of DaysFromCivil, year only).
  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t year = yoe + era * 400 + (mp >= 10 ? 1 : 0);

  const int64_t start = DayStart(year, rule.start) + rule.start.time - rule.stdOffset;
  const int64_t end = DayStart(year, rule.end) + rule.end.time - rule.dstOffset;
  const int64_t now = int64_t(t);
  const bool dst = start < end ? (now >= start && now < end) : !(now >= end && now < start);
  offset = dst ? rule.dstOffset : rule.stdOffset;
  return true;
}

bool OffsetFromZoneData(const std::string& data, time_t t, int64_t& offset) {
  Reader r(data, 0);
  char version = 0;
  Counts c;
  if (!ReadHeader(r, version, c)) return false;
  int timeBytes = 4;
  if (version >= '2') {
    // The second block holds 64-bit times; the first is only for old readers.
    r.Skip(BlockSize(c, 4));
    if (!ReadHeader(r, version, c)) return false;
    timeBytes = 8;
  }
  if (!r.Has(BlockSize(c, timeBytes))) return false;
  std::vector<int64_t> times(c.time);
  for (auto& tt : times) tt = r.Int(timeBytes);
  std::vector<uint8_t> indices(c.time);
  for (auto& i : indices) i = r.Byte();
  std::vector<int64_t> offsets(c.type);
  for (auto& o : offsets) {
    o = r.Int(4);
    r.Skip(2);
  }
  r.Skip(c.chars + size_t(c.leap) * (timeBytes + 4) + c.isstd + c.isut);
  std::string footer;
  if (timeBytes == 8 && r.Has(1) && data[r.At()] == '\n') {
    const size_t end = data.find('\n', r.At() + 1);
    if (end != std::string::npos) footer = data.substr(r.At() + 1, end - r.At() - 1);
  }

  const int64_t now = int64_t(t);
  if (times.empty() || now < times.front()) {
    if (times.empty() && OffsetFromRule(footer, t, offset)) return true;
    offset = offsets[0];
    return true;
  }
  if (now >= times.back() && OffsetFromRule(footer, t, offset)) return true;
  size_t i = times.size() - 1;
  while (i > 0 && times[i] > now) --i;
  const uint8_t type = indices[i];
  offset = type < offsets.size() ? offsets[type] : 0;
  return true;
}

int64_t MachineUtcOffset(time_t t) {
  const std::string zone = LoadMachineProfile().timeZone;
  std::string path = kSystemZone;
  if (!zone.empty()) path = zone.find("..") == std::string::npos && zone[0] != '/' ? kZoneFolder + zone : "";
  std::string data;
  int64_t offset = 0;
  if (!path.empty() && fs::ReadFile(path, data) == fs::kOk && OffsetFromZoneData(data, t, offset)) return offset;
  // A zone given as a rule rather than a name.
  if (!zone.empty() && OffsetFromRule(zone, t, offset)) return offset;
  return 0;
}

LocalTime MachineLocal(time_t t) {
  const time_t shifted = time_t(int64_t(t) + MachineUtcOffset(t));
  struct tm tm {};
  gmtime_r(&shifted, &tm);
  LocalTime lt;
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec;
  lt.dayOfWeek = tm.tm_wday;
  return lt;
}

}  // namespace platform::time_zone
