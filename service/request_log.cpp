#include "service/request_log.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "common/coding.h"
#include "common/daily_log.h"
#include "common/date_text.h"
#include "common/filter_module.h"
#include "common/qor_area.h"
#include "common/tag_text.h"
#include "common/text_file.h"
#include "platform/fs.h"
#include "platform/gbk.h"
#include "platform/textconv.h"

namespace fs = platform::fs;

namespace {
// Every code of the region tables lies below this.
constexpr int kNameCacheSize = 2048;
// 10 ms looks for a writer still holding the work file open, at most.
constexpr int kWriterWaitRounds = 3000;
// Rounds of late lines taken from one work file before it is deleted.
constexpr int kMaxRounds = 100;
// Re-reads of a file whose last line has no end yet.
constexpr int kSettleReads = 3;
const std::string kEmpty;

using filter_module::kMarkerArea;
using filter_module::kMarkerIpEnd;
using filter_module::kMarkerIpStart;
using filter_module::kMarkerState;
constexpr std::string_view kArea = kMarkerArea, kState = kMarkerState, kStart = kMarkerIpStart, kEnd = kMarkerIpEnd;
// The event source of the service.
constexpr const char* kEventSource = "qoripsvc";
enum HitKind : uint8_t { kHitArea, kHitState, kHitStart, kHitEnd };
struct Hit {
  size_t pos;
  HitKind kind;
};
// Threads that transform blocks during a pass, beside the reader and the writer:
// transforming costs about three times reading or appending a block, so four keep
// pace with both; fewer where the machine has fewer cores to spare.
constexpr int kMaxTransformers = 4;
int TransformerCount() {
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores - 2, 2, kMaxTransformers);
}
// Markers a line may hold before it takes the step-by-step way.
constexpr int kMaxHits = 16;

bool At(std::string_view s, size_t i, std::string_view marker) {
  return s.size() - i >= marker.size() && std::memcmp(s.data() + i, marker.data(), marker.size()) == 0;
}

// A byte of an address marker. Where a removed marker had one on its left, the two
// pieces that meet could form a marker that the next step would remove.
bool IsMarkerByte(char c) {
  switch (c) {
    case '<': case 'i': case 'p': case 's': case 't': case 'a': case 'r': case 'e': case 'n': case 'd': case '>':
      return true;
    default:
      return false;
  }
}

// The first '~' or '<' at or after from, or npos. Every marker starts with one of the
// two; looking for both in one walk, sixteen bytes at a time where the machine
// allows, costs a fraction of one search per byte and marker.
size_t FindMarkerStart(std::string_view s, size_t from) {
#ifdef __SSE2__
  const __m128i tilde = _mm_set1_epi8('~'), angle = _mm_set1_epi8('<');
  for (; from + 16 <= s.size(); from += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + from));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, tilde), _mm_cmpeq_epi8(bytes, angle)));
    if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
  if (from < s.size() && s.size() >= 16) {
    // The rest is shorter than sixteen bytes: the last sixteen of the line, less the
    // ones before from, rather than a byte at a time.
    const size_t base = s.size() - 16;
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + base));
    const unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, tilde), _mm_cmpeq_epi8(bytes, angle)))) >>
        (from - base);
    return mask != 0 ? from + static_cast<size_t>(__builtin_ctz(mask)) : std::string_view::npos;
  }
#endif
  for (; from < s.size(); ++from)
    if (s[from] == '~' || s[from] == '<') return from;
  return std::string_view::npos;
}

// True when pos starts a character: a byte outside the lead range always ends one,
// so pos does when an even number of lead-range bytes stand right before it.
bool StartsCharacter(std::string_view s, size_t pos) {
  size_t leads = 0;
  while (leads < pos && gbk::IsLeadByte(static_cast<unsigned char>(s[pos - leads - 1]))) ++leads;
  return leads % 2 == 0;
}

// A 64-bit checksum of every byte, eight at a time.
uint64_t Checksum(std::string_view data) {
  uint64_t h = 0x9E3779B97F4A7C15ULL ^ data.size();
  size_t i = 0;
  for (; i + 8 <= data.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, data.data() + i, 8);
    h = (h ^ w) * 0xFF51AFD7ED558CCDULL;
    h ^= h >> 29;
  }
  for (; i < data.size(); ++i) h = (h ^ static_cast<unsigned char>(data[i])) * 0x100000001B3ULL;
  return h ^ (h >> 32);
}

// The lines of a file from an offset on, each without its "\n", of any length.
class LineReader {
 public:
  LineReader(fs::InFile& file, int64_t offset) : m_file(file), m_start(offset) {
    m_failed = !file.Seek(offset);
  }
  // The next line and where it starts; whole is false for a last piece without its
  // end. False at the end and on a read error (Failed).
  bool Next(std::string_view& line, bool& whole, int64_t& start) {
    for (;;) {
      const char* base = m_buffer.data() + m_pos;
      const size_t left = m_buffer.size() - m_pos;
      // Only the bytes read since the last look can hold the line end.
      const size_t from = std::max(m_pos, m_scanned);
      if (const void* nl = std::memchr(m_buffer.data() + from, '\n', m_buffer.size() - from)) {
        const size_t len = static_cast<size_t>(static_cast<const char*>(nl) - base);
        line = std::string_view(base, len);
        whole = true;
        start = m_start + static_cast<int64_t>(m_pos);
        m_pos += len + 1;
        return true;
      }
      m_scanned = m_buffer.size();
      if (m_failed) return false;
      if (m_atEnd) {
        if (left == 0) return false;
        line = std::string_view(base, left);
        whole = false;
        start = m_start + static_cast<int64_t>(m_pos);
        m_pos = m_buffer.size();
        return true;
      }
      m_buffer.erase(0, m_pos);
      m_start += static_cast<int64_t>(m_pos);
      m_scanned -= m_pos;
      m_pos = 0;
      const size_t had = m_buffer.size();
      m_buffer.resize(had + kChunk);
      const int64_t got = m_file.Read(m_buffer.data() + had, kChunk);
      m_buffer.resize(had + static_cast<size_t>(std::max<int64_t>(got, 0)));
      if (got < 0) m_failed = true;
      if (got == 0) m_atEnd = true;
    }
  }
  bool Failed() const { return m_failed; }

 private:
  static constexpr size_t kChunk = 1 << 16;
  fs::InFile& m_file;
  std::string m_buffer;
  size_t m_pos = 0;
  size_t m_scanned = 0;  // bytes of m_buffer looked through for a line end
  int64_t m_start;       // the file offset of m_buffer[0]
  bool m_atEnd = false, m_failed = false;
};

// Whether the file holds bytes at offset.
bool HoldsAt(const std::string& path, int64_t offset, std::string_view bytes) {
  fs::InFile file;
  std::string read(bytes.size(), '\0');
  return file.Open(path, true) == fs::kOk && file.Seek(offset) &&
         file.Read(read.data(), read.size()) == static_cast<int64_t>(read.size()) && read == bytes;
}

// A day text as the daily log names carry it: digits and hyphens, 8 to 10 bytes.
bool IsDayText(const std::string& day) {
  if (day.size() < 8 || day.size() > 10) return false;
  for (char c : day)
    if (!(c == '-' || (c >= '0' && c <= '9'))) return false;
  return true;
}

// A line without its line end is kept when, without a trailing CR, it is long
// enough; the pass and the restart's settling both keep lines by this one rule.
bool KeepLine(std::string_view& line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line.size() >= CRequestLog::kMinLineLength;
}

// Calls fn for every kept line of content, without its line end.
template <typename Fn>
void ForEachKeptLine(std::string_view content, Fn fn) {
  size_t pos = 0;
  const size_t n = content.size();
  // '\n' is never the second byte of a double-byte character, so it ends a line
  // wherever it stands.
  while (pos < n) {
    const char* nl = static_cast<const char*>(std::memchr(content.data() + pos, '\n', n - pos));
    const size_t end = nl ? static_cast<size_t>(nl - content.data()) : n;
    std::string_view line = content.substr(pos, end - pos);
    if (KeepLine(line)) fn(line);
    pos = end + 1;
  }
}
}  // namespace

CRequestLog::CRequestLog(const std::string& programDir, platform::StopToken* stop)
    : CRequestLog(programDir, Sizes{}, stop) {}

CRequestLog::CRequestLog(const std::string& programDir, Sizes sizes, platform::StopToken* stop)
    : m_requestLogPath(programDir + filter_module::kRequestLogFile),
      m_workFilePath(m_requestLogPath + ".work"),
      m_progressPath(m_requestLogPath + ".work.pos"),
      m_logDir(programDir + "log/"),
      m_sizes(sizes),
      m_log(Build::Service, programDir) {
  CQorArea area;
  area.Load();
  m_countryNames.resize(kNameCacheSize);
  m_provinceNames.resize(kNameCacheSize);
  for (int code = 0; code < kNameCacheSize; ++code) {
    m_countryNames[static_cast<size_t>(code)] = area.GetCountryName(code);
    m_provinceNames[static_cast<size_t>(code)] = area.GetProvinceName(code);
  }
  size_t country = 0, province = 0;
  for (int code = 0; code < kNameCacheSize; ++code) {
    country = std::max(country, m_countryNames[static_cast<size_t>(code)].size());
    province = std::max(province, m_provinceNames[static_cast<size_t>(code)].size());
  }
  m_maxRegionSize = country + 1 + province;
  m_loadStopped = LoadIpLibrary(programDir + "iplib.db", stop) < 0;
}

CRequestLog::~CRequestLog() = default;

int CRequestLog::LoadIpLibrary(const std::string& path, platform::StopToken* stop) {
  std::string text;
  ReadTextFile(path, text, Build::Service, false);
  if (!text.empty() && !gbk::Contains(text, "|") && !gbk::Contains(text, "*")) SubstituteChars(text);
  m_librarySum = Checksum(text) | 1;  // never 0, which stands for "not recorded"
  return m_ipTable.Load(text, stop);
}

const std::string& CRequestLog::CountryName(int code) const {
  return code >= 0 && code < kNameCacheSize ? m_countryNames[static_cast<size_t>(code)] : kEmpty;
}

const std::string& CRequestLog::ProvinceName(int code) const {
  return code >= 0 && code < kNameCacheSize ? m_provinceNames[static_cast<size_t>(code)] : kEmpty;
}

std::string CRequestLog::TransformLineByReplacing(std::string_view view) const {
  std::string line(view);
  bool area = gbk::Find(line, kMarkerArea) != gbk::npos;
  if (!area && gbk::Find(line, kMarkerState) == gbk::npos) return line;
  std::string address = GetTagValue(line, kMarkerIpStart, kMarkerIpEnd);
  if (address.empty()) return line;

  int countryId = 0, provinceId = 0;
  bool found = m_ipTable.Lookup(address, countryId, provinceId) != 0;
  if (area) {
    std::string region;
    if (found) {
      region = CountryName(countryId);
      region += '-';
      if (provinceId != 0) region += ProvinceName(provinceId);
    } else {
      region = "-";
    }
    gbk::ReplaceAll(line, kMarkerArea, region);
  } else {
    gbk::ReplaceAll(line, kMarkerState, found ? ProvinceName(provinceId) : kEmpty);
  }
  gbk::ReplaceAll(line, kMarkerIpEnd, "");
  gbk::ReplaceAll(line, kMarkerIpStart, "");
  return line;
}

// The markers of one line as one walk over its characters finds them, where a
// step-by-step search would: at a character start, each kind not overlapping its
// previous match.
struct CRequestLog::LineMarkers {
  Hit hits[kMaxHits];
  int count = 0;
  bool overflow = false;  // more than kMaxHits: the line takes the step-by-step way
  bool area = false, state = false;
  size_t firstStart = std::string_view::npos, firstEnd = std::string_view::npos;

  // Whether the line gets a region at all.
  bool HasRegion() const { return area || state; }
  // The address between the first "<ipstart>" and the first "<ipend>" after it; empty
  // when there is none.
  std::string_view Address(std::string_view line) const {
    if (firstStart == std::string_view::npos || firstEnd == std::string_view::npos ||
        firstEnd <= firstStart + kStart.size())
      return {};
    return line.substr(firstStart + kStart.size(), firstEnd - firstStart - kStart.size());
  }
};

void CRequestLog::FindMarkers(std::string_view line, LineMarkers& m) {
  m.count = 0;
  m.overflow = m.area = m.state = false;
  m.firstStart = m.firstEnd = std::string_view::npos;
  size_t nextArea = 0, nextState = 0, nextStart = 0, nextEnd = 0;
  auto add = [&m](size_t pos, HitKind kind) {
    if (m.count < kMaxHits) m.hits[m.count++] = {pos, kind};
    else m.overflow = true;
  };
  // Whether a marker byte starts a character is told by the lead bytes right before it.
  for (size_t i = FindMarkerStart(line, 0); i != std::string_view::npos; i = FindMarkerStart(line, i + 1)) {
    if (!StartsCharacter(line, i)) continue;
    if (line[i] == '~') {
      if (i >= nextArea && At(line, i, kArea)) {
        m.area = true;
        add(i, kHitArea);
        nextArea = i + kArea.size();
      }
      if (i >= nextState && At(line, i, kState)) {
        m.state = true;
        add(i, kHitState);
        nextState = i + kState.size();
      }
    } else {
      if (i >= nextStart && At(line, i, kStart)) {
        if (m.firstStart == std::string_view::npos) m.firstStart = i;
        add(i, kHitStart);
        nextStart = i + kStart.size();
      }
      if (i >= nextEnd && At(line, i, kEnd)) {
        if (m.firstEnd == std::string_view::npos) m.firstEnd = i;
        add(i, kHitEnd);
        nextEnd = i + kEnd.size();
      }
    }
  }
}

char* CRequestLog::Room(std::string& out, size_t used, size_t n) {
  // out's size runs ahead of what is written (the bytes past used are scratch) and is
  // cut back at the end, so that a line goes in with plain copies instead of one
  // checked append for every piece.
  if (out.size() - used < n) out.resize(std::max(used + n, out.size() * 2));
  return out.data() + used;
}

size_t CRequestLog::WriteTransformed(std::string_view line, const LineMarkers& m, bool found, int countryId,
                                     int provinceId, std::string& out, size_t used) const {
  if (!m.HasRegion()) return WriteText(line, out, used);
  if (m.overflow) return WriteText(TransformLineByReplacing(line), out, used);
  if (m.Address(line).empty()) return WriteText(line, out, used);
  // The region text never holds a marker byte; only an empty province text lets
  // two pieces of the line meet.
  const std::string& province = found && (!m.area || provinceId != 0) ? ProvinceName(provinceId) : kEmpty;
  for (int h = 0; h < m.count; ++h) {
    bool joins = m.hits[h].kind == kHitEnd || (!m.area && m.hits[h].kind == kHitState && province.empty());
    if (joins && m.hits[h].pos > 0 && IsMarkerByte(line[m.hits[h].pos - 1]))
      return WriteText(TransformLineByReplacing(line), out, used);
  }
  const std::string& country = found ? CountryName(countryId) : kEmpty;
  // Each marker gives way to at most the longest region text.
  char* const begin = Room(out, used, line.size() + static_cast<size_t>(m.count) * m_maxRegionSize + 1);
  char* to = begin;
  auto put = [&to](const char* data, size_t size) {
    std::memcpy(to, data, size);
    to += size;
  };
  size_t last = 0;
  for (int h = 0; h < m.count; ++h) {
    const Hit& hit = m.hits[h];
    size_t length;
    switch (hit.kind) {
      case kHitArea:
        if (!m.area) continue;
        length = kArea.size();
        break;
      case kHitState:
        if (m.area) continue;
        length = kState.size();
        break;
      case kHitStart: length = kStart.size(); break;
      default: length = kEnd.size(); break;
    }
    put(line.data() + last, hit.pos - last);
    if (hit.kind == kHitArea) {
      put(country.data(), country.size());
      *to++ = '-';
      put(province.data(), province.size());
    } else if (hit.kind == kHitState) {
      put(province.data(), province.size());
    }
    last = hit.pos + length;
  }
  put(line.data() + last, line.size() - last);
  *to++ = '\n';
  return used + static_cast<size_t>(to - begin);
}

size_t CRequestLog::WriteText(std::string_view text, std::string& out, size_t used) {
  char* to = Room(out, used, text.size() + 1);
  std::memcpy(to, text.data(), text.size());
  to[text.size()] = '\n';
  return used + text.size() + 1;
}

void CRequestLog::AppendTransformed(std::string_view line, std::string& out) const {
  LineMarkers m;
  FindMarkers(line, m);
  int countryId = 0, provinceId = 0;
  const std::string_view address = m.Address(line);
  const bool found = m.HasRegion() && !m.overflow && !address.empty() &&
                     m_ipTable.Lookup(std::string(address), countryId, provinceId) != 0;
  size_t used = WriteTransformed(line, m, found, countryId, provinceId, out, out.size());
  out.resize(used - 1);  // without the line end
}

size_t CRequestLog::TransformInto(std::string_view content, std::string& out, size_t used, size_t& count) const {
  // Lines go in groups: the markers of every line are found and its address parsed,
  // then all addresses are looked up, then the lines written. Lookups that follow one
  // another (their index entries asked for ahead) overlap their memory waits, which
  // one lookup a line between the edits cannot.
  constexpr size_t kGroup = 64;
  struct Pending {
    std::string_view line;
    LineMarkers markers;
  };
  Pending group[kGroup];
  // The parsed addresses of the group, and which line each belongs to.
  uint32_t numbers[kGroup] = {};
  size_t owner[kGroup];
  int found[kGroup];
  CQorIpVector::Codes codes[kGroup];
  size_t inGroup = 0, parsed = 0;
  // Room for about as much as comes in, in one step: the lines mostly shrink as their
  // address markers go.
  if (out.size() < used + content.size()) out.resize(used + content.size());
  auto flush = [&] {
    m_ipTable.FindNumbers(numbers, parsed, found, codes);
    size_t next = 0;  // the next parsed address, in line order
    for (size_t i = 0; i < inGroup; ++i) {
      const bool mine = next < parsed && owner[next] == i;
      const bool hit = mine && found[next] != 0;
      const CQorIpVector::Codes c = hit ? codes[next] : CQorIpVector::Codes{};
      if (mine) ++next;
      used = WriteTransformed(group[i].line, group[i].markers, hit, c.countryId, c.provinceId, out, used);
    }
    inGroup = parsed = 0;
  };
  ForEachKeptLine(content, [&](std::string_view line) {
    Pending& p = group[inGroup];
    p.line = line;
    FindMarkers(line, p.markers);
    if (p.markers.HasRegion() && !p.markers.overflow) {
      const std::string_view address = p.markers.Address(line);
      // As Lookup: a text without a dot is never looked up.
      if (address.find('.') != std::string_view::npos && CQorIpVector::ParseAddress(address, numbers[parsed]))
        owner[parsed++] = inGroup;
    }
    ++inGroup;
    ++count;
    if (inGroup == kGroup) flush();
  });
  flush();
  return used;
}

// What the progress file beside the work file holds.
struct CRequestLog::Progress {
  std::string identity;  // of the work file it belongs to
  int64_t done = 0;      // bytes of the work file whose lines are in the daily log
  std::string day;       // the span's lines go into this day's log,
  int64_t before = 0;    // after this many bytes of it
  uint64_t library = 0;  // checksum of the library they are looked up in; 0: unknown
};

bool CRequestLog::LoadProgress(Progress& p) const {
  fs::InFile file;
  if (file.Open(m_progressPath, true) != fs::kOk) return false;
  char buf[1024];
  int64_t got = file.Read(buf, sizeof buf - 1);
  if (got <= 0) return false;
  buf[got] = 0;
  char identity[128] = {0}, day[32] = {0};
  long long done = 0, before = 0, blockEnd = 0;
  unsigned long long library = 0;
  if (std::sscanf(buf, "id=%127s\ndone=%lld\nday=%31s\nbefore=%lld\nlibrary=%llx", identity, &done, day, &before,
                  &library) != 5) {
    // A record of an earlier version, one per block: where its block started is all
    // the settling needs.
    if (std::sscanf(buf, "id=%127s\ndone=%lld\nend=%lld\nday=%31s\nbefore=%lld", identity, &done, &blockEnd, day,
                    &before) != 5)
      return false;
    library = 0;
  }
  p.identity = identity;
  p.done = done;
  p.day = day;
  p.before = before;
  p.library = library;
  return p.done >= 0 && p.before >= 0 && IsDayText(p.day);
}

bool CRequestLog::SaveProgress(const Progress& p) const {
  char buf[512];
  std::snprintf(buf, sizeof buf, "id=%s\ndone=%lld\nday=%s\nbefore=%lld\nlibrary=%llx\n", p.identity.c_str(),
                static_cast<long long>(p.done), p.day.c_str(), static_cast<long long>(p.before),
                static_cast<unsigned long long>(p.library));
  return fs::ReplaceFile(m_progressPath, buf) == fs::kOk;
}

bool CRequestLog::SameLine(std::string_view logged, std::string_view expected, bool exact) const {
  if (logged == expected) return true;
  if (exact) return false;
  // The parts before and after the region texts are the line's own; what lies between
  // must be short enough for region texts and cross no field.
  size_t head = 0;
  const size_t shorter = std::min(logged.size(), expected.size());
  while (head < shorter && logged[head] == expected[head]) ++head;
  size_t tail = 0;
  while (tail < shorter - head && logged[logged.size() - 1 - tail] == expected[expected.size() - 1 - tail]) ++tail;
  const std::string_view a = logged.substr(head, logged.size() - head - tail);
  const std::string_view b = expected.substr(head, expected.size() - head - tail);
  return a.size() <= m_maxRegionSize && b.size() <= m_maxRegionSize && a.find('\t') == std::string_view::npos &&
         b.find('\t') == std::string_view::npos;
}

int CRequestLog::SettleSpan(fs::InFile& work, const Progress& p, int64_t& done) {
  done = p.done;
  const std::string path = DailyLogPath(m_logDir, p.day);
  if (!fs::Present(path)) return 0;
  fs::InFile daily;
  if (daily.Open(path, true) != fs::kOk) {
    Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {path});
    return kReadFailed;
  }
  // Lines transformed as they were: exactly what landed, unless the library changed.
  const bool exact = p.library != 0 && p.library == m_librarySum;
  LineReader raw(work, p.done), logged(daily, p.before);
  std::string expected;
  int64_t expectedEnd = 0;
  auto next = [&]() -> bool {
    std::string_view line;
    bool whole = false;
    int64_t start = 0;
    while (raw.Next(line, whole, start)) {
      const int64_t end = start + static_cast<int64_t>(line.size()) + (whole ? 1 : 0);
      if (!KeepLine(line)) continue;
      expected.clear();
      AppendTransformed(line, expected);
      expectedEnd = end;
      return true;
    }
    return false;
  };
  bool have = next();
  std::string_view line;
  bool whole = false;
  int64_t start = 0;
  while (have && logged.Next(line, whole, start)) {
    if (!whole) {
      // A write cut by the kill inside a line, the last thing in the log when it was
      // read. It is finished or cut off only while it still is: a line another writer
      // appended since starts on a line of its own, and is neither joined nor cut.
      const int64_t size = start + static_cast<int64_t>(line.size());
      daily.Close();
      const int64_t now = fs::FileSize(path);
      if (now != size) {
        if (now > size) ReportPiece(path, start);
      } else if (exact && line.size() <= expected.size() && expected.compare(0, line.size(), line) == 0) {
        // The missing bytes alone, with no line end put before them.
        const std::string rest = expected.substr(line.size()) + "\n";
        if (!fs::AppendWhole(path, rest).Ok()) {
          Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {path});
          return kAppendFailed;
        }
        // Another writer's line may have come in between the look and the append: then
        // the missing bytes stand on a line of their own, and the line goes in whole.
        if (HoldsAt(path, size, rest)) done = expectedEnd;
        else ReportPiece(path, start);
      } else if (const fs::Result cut = fs::Truncate(path, start); !cut.Ok()) {
        // Not the piece of a line that can be completed, and it could not go: appending
        // after it would join the piece to a whole line, so the span waits.
        Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {path, cut.Text()});
        return kAppendFailed;
      }
      return 0;
    }
    if (SameLine(line, expected, exact)) {
      done = expectedEnd;
      have = next();
    } else if (!line.empty() && line.size() < expected.size() && expected.compare(0, line.size(), line) == 0) {
      // The start of the expected line, ended by another writer's line: the piece a
      // kill cut, which can be neither finished nor taken out any more.
      ReportPiece(path, start);
    }
  }
  if (raw.Failed()) return kReadFailed;
  if (logged.Failed()) {
    Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {path});
    return kReadFailed;
  }
  return 0;
}

void CRequestLog::ReportPiece(const std::string& path, int64_t offset) {
  std::string key = path + ":" + std::to_string(offset);
  if (key == m_pieceReported) return;
  m_pieceReported = std::move(key);
  (void)m_log.Write("日志文件[" + platform::Utf8ToGbk(path) + "]第" + std::to_string(offset) +
                    "字节处留有一段被中断的请求记录，已无法补全或删除，单独留作一行；完整记录另起一行写入。");
}

void CRequestLog::Report(platform::eventlog::EventType type, uint32_t id, const std::vector<std::string>& texts) {
  std::lock_guard<std::mutex> lock(m_eventsMutex);
  if (!m_events.IsRegistered() && m_events.Register(kEventSource) != platform::eventlog::kOk) return;
  m_events.Report(type, 0, id, texts);
}

int CRequestLog::Refuse(const std::string& path) {
  // Removing the link itself (never what it points to) frees the name for the filter
  // module's next line.
  const fs::Result removed = fs::DeleteFile(path);
  Report(platform::eventlog::EventType::Warning, kEventRequestLogRefused,
         removed.Ok() ? std::vector<std::string>{path} : std::vector<std::string>{path, removed.Text()});
  return kRefused;
}

bool CRequestLog::WaitForWriters(platform::StopToken* stop) const {
  // A writer that opened iis.log before the rename may still hold the work file; no one
  // can open it by name any more, so once it is closed nothing more can arrive.
  for (int i = 0; i < kWriterWaitRounds && fs::OtherOpeners(m_workFilePath) == fs::Openers::Some; ++i)
    if (!platform::clock::Sleep(10, stop)) return false;
  return true;
}

int CRequestLog::ReadBlock(fs::InFile& file, int64_t offset, bool& atEnd, size_t blockSize, BlockBuffer& into) {
  into.block = {};
  atEnd = false;
  if (!file.Seek(offset)) return fs::kReadFault;
  size_t used = 0;
  for (;;) {
    if (into.size < used + blockSize) {
      const size_t size = std::max(used + blockSize, into.size * 2);
      std::unique_ptr<char[]> bigger(new char[size]);
      if (used > 0) std::memcpy(bigger.get(), into.data.get(), used);
      into.data.swap(bigger);
      into.size = size;
    }
    char* const start = into.data.get() + used;
    const int64_t got = file.Read(start, blockSize);
    if (got < 0) return fs::kReadFault;
    if (got == 0) {
      atEnd = true;
      into.block = std::string_view(into.data.get(), used);
      return fs::kOk;
    }
    used += static_cast<size_t>(got);
    // '\n' is never the second byte of a double-byte character: it ends a line
    // wherever it stands. A line longer than a block takes the next one with it.
    if (const void* nl = ::memrchr(start, '\n', static_cast<size_t>(got))) {
      into.block =
          std::string_view(into.data.get(), static_cast<size_t>(static_cast<const char*>(nl) - into.data.get()) + 1);
      return fs::kOk;
    }
  }
}

bool CRequestLog::IsSmallBatch(fs::InFile& file) {
  // Read a little at a time: almost always the first line already settles it.
  size_t joined = 0;  // the kept lines joined with "\n", one byte too many
  int64_t offset = 0;
  for (;;) {
    bool atEnd = false;
    if (ReadBlock(file, offset, atEnd, 4096, m_small) != fs::kOk) return false;
    if (m_small.block.empty()) break;
    offset += static_cast<int64_t>(m_small.block.size());
    size_t count = 0;
    joined += TransformInto(m_small.block, m_out, 0, count);
    if (joined > kSmallBatch + 1) return false;
    if (atEnd) break;
  }
  return joined <= kSmallBatch + 1;
}

int CRequestLog::Reopen(fs::InFile& work, const std::string& identity) {
  int rc = work.Open(m_workFilePath, true);
  if (rc == fs::kNotRegularFile) return Refuse(m_workFilePath);
  if (rc != fs::kOk) return kReadFailed;
  // Another file put in its place meanwhile is not ours to take.
  if (work.Identity() != identity) return Refuse(m_workFilePath);
  return 0;
}

// The hand-off of a pass: the reader reads blocks in order into free slots, the
// transformers turn any block read into daily-log lines, and the writer records spans
// and appends the slots in the order they were read, then frees them.
struct CRequestLog::Pipe {
  enum State { kFree, kRead, kTransforming, kTransformed };
  struct Slot {
    BlockBuffer raw;
    std::string out;  // the block's lines as the daily log gets them (scratch past length)
    size_t length = 0;
    int64_t start = 0;  // where the block starts in the work file
    State state = kFree;
  };
  // Two a transformer, so each has its next block waiting while the writer drains.
  static constexpr int kSlots = 2 * kMaxTransformers;
  Slot slots[kSlots];
  std::mutex mutex;
  std::condition_variable changed;
  bool finished = false;  // the reader gives no more blocks
  int result = 0;         // the writer's failure, once it stopped

  void Set(Slot& slot, State state) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      slot.state = state;
    }
    changed.notify_all();
  }
  // The reader's next slot, once it is free again; null when the writer failed.
  Slot* Free(int index) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return slots[index].state == kFree || result != 0; });
    return result != 0 ? nullptr : &slots[index];
  }
  // A block read for a transformer; null once the reader finished and none is left.
  Slot* Take() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      if (result != 0) return nullptr;
      for (Slot& slot : slots)
        if (slot.state == kRead) {
          slot.state = kTransforming;
          return &slot;
        }
      if (finished) return nullptr;
      changed.wait(lock);
    }
  }
  // The writer's next slot; null once the reader finished and all is written.
  Slot* Next(int index) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return slots[index].state == kTransformed || (finished && slots[index].state == kFree); });
    return slots[index].state == kTransformed ? &slots[index] : nullptr;
  }
  void Done(Slot& slot, int failure) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      slot.state = kFree;
      if (failure != 0) result = failure;
    }
    changed.notify_all();
  }
  // Waits until every block given is written; false when the writer failed.
  bool Drain() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] {
      return result != 0 || std::all_of(std::begin(slots), std::end(slots), [](const Slot& s) { return s.state == kFree; });
    });
    return result == 0;
  }
  void Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
    }
    changed.notify_all();
  }
  int Result() {
    std::lock_guard<std::mutex> lock(mutex);
    return result;
  }
};

void CRequestLog::TransformBlocks(Pipe& pipe) const {
  while (Pipe::Slot* slot = pipe.Take()) {
    size_t count = 0;
    slot->length = TransformInto(slot->raw.block, slot->out, 0, count);
    pipe.Set(*slot, Pipe::kTransformed);
  }
}

void CRequestLog::WriteBlocks(Pipe& pipe, const std::string& identity) {
  Progress span;
  bool recorded = false;  // a record of the span under way was written in this pass
  for (int index = 0;; index = (index + 1) % Pipe::kSlots) {
    Pipe::Slot* slot = pipe.Next(index);
    if (!slot) return;
    int failure = 0;
    if (slot->length > 0) {
      const std::string_view out(slot->out.data(), slot->length);
      const std::string day = GetTodayText();
      const std::string daily = DailyLogPath(m_logDir, day);
      if (!recorded || day != span.day || slot->start - span.done >= m_sizes.span) {
        span.identity = identity;
        span.done = slot->start;
        span.day = day;
        span.before = std::max<int64_t>(0, fs::FileSize(daily));
        span.library = m_librarySum;
        recorded = SaveProgress(span);
        // Without a record of the span, a kill during it would write lines twice.
        if (!recorded) {
          if (!m_appendFailing)
            Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {m_progressPath});
          m_appendFailing = true;
          m_recordBlocked = fs::Present(m_progressPath) && !fs::IsFile(m_progressPath);
          failure = kAppendFailed;
        }
      }
      if (failure == 0 && !AppendDailyLogText(daily, out)) {
        // What did not land waits; the next pass settles the span first.
        if (!m_appendFailing) Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {daily});
        m_appendFailing = true;
        failure = kAppendFailed;
      }
      if (failure == 0) m_appendFailing = false;
    }
    pipe.Done(*slot, failure);
    if (failure != 0) return;
  }
}

int CRequestLog::ProcessWorkFile(platform::StopToken* stop) {
  if (m_left.size >= 0) {
    if (int result = DeleteLeftWorkFile()) return result;
  }
  // No record can go where a folder or the like stands: nothing is read again until it
  // is gone (the failure was told).
  if (m_recordBlocked) {
    if (fs::Present(m_progressPath) && !fs::IsFile(m_progressPath)) return kAppendFailed;
    m_recordBlocked = false;
  }
  // Our own handle would count as an opener: the wait comes before the open.
  if (!WaitForWriters(stop)) return kStopped;
  fs::InFile work;
  int rc = work.Open(m_workFilePath, true);
  if (rc == fs::kNotRegularFile) return Refuse(m_workFilePath);
  if (rc != fs::kOk) return kReadFailed;
  const std::string identity = work.Identity();
  int64_t done = 0;
  {
    Progress span;
    if (LoadProgress(span) && span.identity == identity && span.done <= work.Size()) {
      if (int result = SettleSpan(work, span, done)) return result;
    }
  }
  // Reading here, transforming in several threads, recording and appending in one more,
  // at once: transforming costs most.
  Pipe pipe;
  std::vector<std::thread> helpers;
  try {
    helpers.emplace_back([this, &pipe, &identity] { WriteBlocks(pipe, identity); });
    for (int i = 0, n = TransformerCount(); i < n; ++i) helpers.emplace_back([this, &pipe] { TransformBlocks(pipe); });
  } catch (const std::system_error&) {
    // No thread to be had now: nothing was read yet, and the file waits for a later pass.
    pipe.Finish();
    for (auto& t : helpers) t.join();
    return kReadFailed;
  }
  const int read = ReadBlocks(work, identity, done, pipe, stop);
  pipe.Finish();
  for (auto& t : helpers) t.join();
  if (int failure = pipe.Result()) return failure;
  if (read != 0) return read;
  return DeleteWorkFile(identity, done);
}

int CRequestLog::DeleteWorkFile(const std::string& identity, int64_t size) {
  // The work file goes first: a progress file without one is stale and is removed
  // before the next hand-off.
  if (const fs::Result removed = fs::DeleteFile(m_workFilePath); !removed.Ok()) {
    // Every line landed; later passes try the delete again.
    if (!m_leftReported)
      Report(platform::eventlog::EventType::Warning, kEventRequestLogLeft, {m_workFilePath, removed.Text()});
    m_leftReported = true;
    m_left = {identity, size};
    return kWritten;
  }
  m_leftReported = false;
  // A progress file left behind is removed by the next pass, which finds no work file;
  // so are the temporaries of records cut short by a kill.
  (void)fs::DeleteFile(m_progressPath);
  fs::RemoveStaleTemps(m_progressPath);
  return kWritten;
}

int CRequestLog::DeleteLeftWorkFile() {
  const LeftWork left = std::exchange(m_left, LeftWork{});
  // Lines added since, or a writer that may still add some, need the whole pass; so
  // does another file in its place.
  if (fs::OtherOpeners(m_workFilePath) == fs::Openers::Some) return 0;
  fs::InFile work;
  if (work.Open(m_workFilePath, true) != fs::kOk || work.Identity() != left.identity || work.Size() != left.size)
    return 0;
  work.Close();
  return DeleteWorkFile(left.identity, left.size);
}

int CRequestLog::ReadBlocks(fs::InFile& work, const std::string& identity, int64_t& done, Pipe& pipe,
                            platform::StopToken* stop) {
  int settles = 0, index = 0;
  int64_t dropped = done;  // the cached pages before this were let go
  for (int round = 0;; ++round) {
    for (;;) {
      Pipe::Slot* slot = pipe.Free(index);
      if (!slot) return 0;  // the writer failed; it tells why
      bool atEnd = false;
      if (ReadBlock(work, done, atEnd, m_sizes.block, slot->raw) != fs::kOk) return kReadFailed;
      const std::string_view block = slot->raw.block;
      if (block.empty()) break;
      // A last line without its end may be a write still in progress.
      if (atEnd && block.back() != '\n' && settles < kSettleReads) {
        ++settles;
        const int64_t size = work.Size();
        work.Close();
        if (!platform::clock::Sleep(kGraceMs, stop)) return kStopped;
        if (int result = Reopen(work, identity)) return result;
        if (work.Size() > size) continue;
      }
      slot->start = done;
      pipe.Set(*slot, Pipe::kRead);
      index = (index + 1) % Pipe::kSlots;
      done += static_cast<int64_t>(block.size());
      if (done - dropped >= m_sizes.drop) {
        // Only advice: where it is not taken, the pages go with the file.
        (void)work.DropCached(dropped, done - dropped);
        dropped = done;
      }
      if (atEnd) break;
    }
    // An open that was half done at the rename may only now show; late lines are looked
    // for again, also where the file system cannot tell about open writers, once what
    // was read has landed, as the file goes right after.
    if (!pipe.Drain()) return 0;
    work.Close();
    if (!WaitForWriters(stop)) return kStopped;
    if (int result = Reopen(work, identity)) return result;
    if (round + 1 >= kMaxRounds || work.Size() <= done) break;
  }
  work.Close();
  return 0;
}

int CRequestLog::ProcessPass(platform::StopToken* stop) {
  if (m_loadStopped) return kStopped;
  if (fs::Present(m_workFilePath)) return ProcessWorkFile(stop);
  // No work file: a progress file left behind belongs to none.
  if (fs::Present(m_progressPath)) (void)fs::DeleteFile(m_progressPath);  // tried again next pass
  if (!fs::Present(m_requestLogPath)) return kIdle;

  fs::InFile request;
  int rc = request.Open(m_requestLogPath, true);
  if (rc == fs::kNotRegularFile) return Refuse(m_requestLogPath);
  if (rc != fs::kOk) return kReadFailed;
  request.Close();
  if (!platform::clock::Sleep(kSettleWaitMs, stop)) return kStopped;
  // A batch too small to write stays where it is, so the lines that follow join it in
  // the order they were written.
  rc = request.Open(m_requestLogPath, true);
  if (rc == fs::kNotRegularFile) return Refuse(m_requestLogPath);
  if (rc != fs::kOk) return kHandOffFailed;
  if (IsSmallBatch(request)) return kLeftInPlace;
  request.Close();
  if (fs::Rename(m_requestLogPath, m_workFilePath) != fs::kOk) return kHandOffFailed;
  // Stopped now, the work file waits for the next start. Whatever was renamed is opened
  // without following a link.
  if (!platform::clock::Sleep(kGraceMs, stop)) return kStopped;
  return ProcessWorkFile(stop);
}
