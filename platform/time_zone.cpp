#include "platform/time_zone.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/fs.h"
#include "platform/machine.h"
#include "platform/paths.h"

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

// A zone as the machine uses it: the table of a compiled zone file, then the rule that
// goes on after the table (or a rule alone).
struct Zone {
  std::vector<int64_t> times;    // transitions, ascending
  std::vector<int64_t> offsets;  // offset from each transition on
  int64_t initial = 0;           // offset before the first transition
  bool hasRule = false;
  Rule rule;
};

int64_t YearOf(int64_t local) {
  // Civil year from days (inverse of DaysFromCivil, year only).
  const int64_t z = FloorDiv(local, 86400) + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  return yoe + era * 400 + (mp >= 10 ? 1 : 0);
}

int64_t RuleOffset(const Rule& rule, int64_t now) {
  if (!rule.hasDst) return rule.stdOffset;
  // The year as standard time sees it; the switches are computed for that year.
  const int64_t year = YearOf(now + rule.stdOffset);
  const int64_t start = DayStart(year, rule.start) + rule.start.time - rule.stdOffset;
  const int64_t end = DayStart(year, rule.end) + rule.end.time - rule.dstOffset;
  const bool dst = start < end ? (now >= start && now < end) : !(now >= end && now < start);
  return dst ? rule.dstOffset : rule.stdOffset;
}

int64_t OffsetAt(const Zone& zone, int64_t now) {
  if (zone.times.empty()) return zone.hasRule ? RuleOffset(zone.rule, now) : zone.initial;
  if (now < zone.times.front()) return zone.initial;
  if (now >= zone.times.back() && zone.hasRule) return RuleOffset(zone.rule, now);
  const size_t i = size_t(std::upper_bound(zone.times.begin(), zone.times.end(), now) - zone.times.begin()) - 1;
  return zone.offsets[i];
}

bool ParseRule(const std::string& text, Zone& zone) {
  Rule rule;
  if (text.empty() || !RuleParser(text).Parse(rule)) return false;
  zone = Zone{};
  zone.hasRule = true;
  zone.rule = rule;
  zone.initial = rule.stdOffset;
  return true;
}

bool ParseZoneData(const std::string& data, Zone& zone) {
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
  zone = Zone{};
  zone.times.resize(c.time);
  for (auto& tt : zone.times) tt = r.Int(timeBytes);
  std::vector<uint8_t> indices(c.time);
  for (auto& i : indices) i = r.Byte();
  std::vector<int64_t> types(c.type);
  for (auto& o : types) {
    o = r.Int(4);
    r.Skip(2);
  }
  r.Skip(c.chars + size_t(c.leap) * (timeBytes + 4) + c.isstd + c.isut);
  zone.initial = types[0];
  zone.offsets.reserve(indices.size());
  for (uint8_t i : indices) zone.offsets.push_back(i < types.size() ? types[i] : 0);
  if (!std::is_sorted(zone.times.begin(), zone.times.end())) return false;
  if (timeBytes == 8 && r.Has(1) && data[r.At()] == '\n') {
    const size_t end = data.find('\n', r.At() + 1);
    Zone footer;
    if (end != std::string::npos && ParseRule(data.substr(r.At() + 1, end - r.At() - 1), footer)) {
      zone.hasRule = true;
      zone.rule = footer.rule;
    }
  }
  return true;
}

// The zone machine.ini names; UTC when it cannot be read.
std::shared_ptr<const Zone> LoadMachineZone() {
  auto zone = std::make_shared<Zone>();
  const std::string name = LoadMachineProfile().timeZone;
  std::string path = kSystemZone;
  if (!name.empty()) path = name.find("..") == std::string::npos && name[0] != '/' ? kZoneFolder + name : "";
  std::string data;
  if (!path.empty() && fs::ReadFile(path, data) == fs::kOk && ParseZoneData(data, *zone)) return zone;
  // A zone given as a rule rather than a name.
  if (!name.empty() && ParseRule(name, *zone)) return zone;
  return std::make_shared<Zone>();
}

// What identifies the machine.ini a zone was read from: another root, or the file
// rewritten, reads the zone again.
struct Source {
  std::string root;
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtimeNs = 0, ctimeNs = 0;
  bool operator==(const Source&) const = default;
};

Source CurrentSource() {
  Source s;
  s.root = MachineRoot();
  struct stat st;
  if (::stat((s.root + "machine.ini").c_str(), &st) == 0) {
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  }
  return s;
}

struct Cache {
  std::mutex mutex;
  Source source;
  std::shared_ptr<const Zone> zone;
};

std::shared_ptr<const Zone> MachineZone() {
  // Never taken down: a thread still logging at exit may ask the time.
  static auto* cache = new Cache;
  const Source now = CurrentSource();
  {
    std::lock_guard<std::mutex> lock(cache->mutex);
    if (cache->zone && cache->source == now) return cache->zone;
  }
  // Read outside the lock: reading may write a notice, whose sink may ask the time.
  std::shared_ptr<const Zone> zone = LoadMachineZone();
  std::lock_guard<std::mutex> lock(cache->mutex);
  cache->source = now;
  cache->zone = zone;
  return zone;
}

LocalTime CivilTime(int64_t local) {
  const int64_t days = FloorDiv(local, 86400);
  const int64_t secs = local - days * 86400;
  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  LocalTime lt;
  lt.day = int(doy - (153 * mp + 2) / 5 + 1);
  lt.month = int(mp < 10 ? mp + 3 : mp - 9);
  lt.year = int(yoe + era * 400 + (lt.month <= 2 ? 1 : 0));
  lt.hour = int(secs / 3600);
  lt.minute = int(secs / 60 % 60);
  lt.second = int(secs % 60);
  lt.dayOfWeek = int((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  return lt;
}

}  // namespace

bool OffsetFromRule(const std::string& text, time_t t, int64_t& offset) {
  Zone zone;
  if (!ParseRule(text, zone)) return false;
  offset = OffsetAt(zone, int64_t(t));
  return true;
}

bool OffsetFromZoneData(const std::string& data, time_t t, int64_t& offset) {
  Zone zone;
  if (!ParseZoneData(data, zone)) return false;
  offset = OffsetAt(zone, int64_t(t));
  return true;
}

int64_t MachineUtcOffset(time_t t) { return OffsetAt(*MachineZone(), int64_t(t)); }

LocalTime MachineLocal(time_t t) {
  const std::shared_ptr<const Zone> zone = MachineZone();
  return CivilTime(int64_t(t) + OffsetAt(*zone, int64_t(t)));
}

time_t MachineFromLocal(int year, int month, int day, int hour, int minute, int second) {
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return -1;
  const int64_t local = DaysFromCivil(year, month, day) * 86400 + int64_t(hour) * 3600 + int64_t(minute) * 60 + second;
  const std::shared_ptr<const Zone> zone = MachineZone();
  // The offsets a day either side cover any one change. A wall time the clock shows
  // twice (the hour repeated when summer time ends) is its first showing, under the
  // offset before the change; a wall time it skips (the hour lost when summer time
  // begins) is read under the offset before the change too, so 02:30 of a lost 02:00
  // to 03:00 hour is 03:30 summer time and a day's times stay in order.
  const int64_t before = local - OffsetAt(*zone, local - 86400);
  const int64_t after = local - OffsetAt(*zone, local + 86400);
  const bool beforeFits = before + OffsetAt(*zone, before) == local;
  const bool afterFits = after + OffsetAt(*zone, after) == local;
  if (beforeFits && afterFits) return time_t(std::min(before, after));
  if (afterFits && !beforeFits) return time_t(after);
  return time_t(before);
}

}  // namespace platform::time_zone
