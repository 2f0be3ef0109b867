#include "service/request_log.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
// Line starts of the daily log looked at for a block that may have landed before a kill.
constexpr int kLandedCandidates = 64;
// Bytes read past a recorded block when looking for it.
constexpr int64_t kLandedSlack = 1 << 20;

enum HitKind : uint8_t { kHitArea, kHitState, kHitStart, kHitEnd };
struct Hit {
  size_t pos;
  HitKind kind;
};
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

// A 64-bit checksum of the length and of the first and last 64 KB, eight bytes at a
// time: enough to tell a landed block from the few lines that can stand where it
// would, and cheap beside the append.
uint64_t Checksum(std::string_view data) {
  constexpr size_t kEdge = 64 * 1024;
  uint64_t h = 0x9E3779B97F4A7C15ULL ^ data.size();
  auto mix = [&h](std::string_view part) {
    size_t i = 0;
    for (; i + 8 <= part.size(); i += 8) {
      uint64_t w;
      std::memcpy(&w, part.data() + i, 8);
      h = (h ^ w) * 0xFF51AFD7ED558CCDULL;
      h ^= h >> 29;
    }
    for (; i < part.size(); ++i) h = (h ^ static_cast<unsigned char>(part[i])) * 0x100000001B3ULL;
  };
  if (data.size() <= 2 * kEdge) {
    mix(data);
  } else {
    mix(data.substr(0, kEdge));
    mix(data.substr(data.size() - kEdge));
  }
  return h ^ (h >> 32);
}

// A day text as the daily log names carry it: digits and hyphens, 8 to 10 bytes.
bool IsDayText(const std::string& day) {
  if (day.size() < 8 || day.size() > 10) return false;
  for (char c : day)
    if (!(c == '-' || (c >= '0' && c <= '9'))) return false;
  return true;
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
    size_t end = nl ? static_cast<size_t>(nl - content.data()) : n;
    size_t len = end - pos;
    if (len > 0 && content[end - 1] == '\r') --len;
    if (len >= CRequestLog::kMinLineLength) fn(content.substr(pos, len));
    pos = end + 1;
  }
}
}  // namespace

CRequestLog::CRequestLog(const std::string& programDir)
    : m_requestLogPath(programDir + filter_module::kRequestLogFile),
      m_workFilePath(m_requestLogPath + ".work"),
      m_progressPath(m_requestLogPath + ".work.pos"),
      m_logDir(programDir + "log/") {
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
  LoadIpLibrary(programDir + "iplib.db");
}

CRequestLog::~CRequestLog() = default;

int CRequestLog::LoadIpLibrary(const std::string& path) {
  std::string text;
  ReadTextFile(path, text, Build::Service, false);
  if (text.empty()) return m_ipTable.Load("");
  if (!gbk::Contains(text, "|") && !gbk::Contains(text, "*")) SubstituteChars(text);
  return m_ipTable.Load(text);
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

std::string CRequestLog::TransformLine(std::string_view line) const {
  std::string out;
  out.reserve(line.size() + 32);
  AppendTransformed(line, out);
  return out;
}

StringList CRequestLog::TransformBatch(const std::string& content) const {
  StringList lines;
  ForEachKeptLine(content, [&](std::string_view line) { lines.push_back(TransformLine(line)); });
  return lines;
}

size_t CRequestLog::TransformLines(std::string_view content, std::string& out) const {
  size_t count = 0;
  out.resize(TransformInto(content, out, out.size(), count));
  return count;
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
  // The append under way when blockEnd > done: the work file's bytes up to blockEnd,
  // as length bytes with this checksum, onto the day's log, then before bytes long.
  int64_t blockEnd = 0;
  std::string day;
  int64_t before = 0;
  int64_t length = 0;
  uint64_t sum = 0;
};

bool CRequestLog::LoadProgress(Progress& p) const {
  fs::InFile file;
  if (file.Open(m_progressPath, true) != fs::kOk) return false;
  char buf[1024];
  int64_t got = file.Read(buf, sizeof buf - 1);
  if (got <= 0) return false;
  buf[got] = 0;
  char identity[128] = {0}, day[32] = {0};
  long long done = 0, blockEnd = 0, before = 0, length = 0;
  unsigned long long sum = 0;
  if (std::sscanf(buf, "id=%127s\ndone=%lld\nend=%lld\nday=%31s\nbefore=%lld\nlength=%lld\nsum=%llx", identity, &done,
                  &blockEnd, day, &before, &length, &sum) != 7)
    return false;
  p.identity = identity;
  p.done = done;
  p.blockEnd = blockEnd;
  p.day = day;
  p.before = before;
  p.length = length;
  p.sum = sum;
  return p.done >= 0 && p.blockEnd >= p.done && p.before >= 0 && p.length >= 0 && IsDayText(p.day);
}

bool CRequestLog::SaveProgress(const Progress& p) const {
  char buf[512];
  std::snprintf(buf, sizeof buf, "id=%s\ndone=%lld\nend=%lld\nday=%s\nbefore=%lld\nlength=%lld\nsum=%llx\n",
                p.identity.c_str(), static_cast<long long>(p.done), static_cast<long long>(p.blockEnd), p.day.c_str(),
                static_cast<long long>(p.before), static_cast<long long>(p.length),
                static_cast<unsigned long long>(p.sum));
  return fs::ReplaceFile(m_progressPath, buf) == fs::kOk;
}

bool CRequestLog::BlockLanded(const Progress& p) const {
  const std::string path = DailyLogPath(m_logDir, p.day);
  fs::InFile daily;
  if (daily.Open(path, true) != fs::kOk) return false;
  const int64_t size = daily.Size();
  if (size <= p.before) return false;
  // The block went in as one write at the end, so it starts at a line start at or
  // after the recorded size; the panel's lines may stand before it.
  const int64_t span = std::min(size - p.before, p.length + kLandedSlack);
  std::string text(static_cast<size_t>(span), '\0');
  if (!daily.Seek(p.before) || daily.Read(text.data(), text.size()) != span) return false;
  const size_t length = static_cast<size_t>(p.length);
  int candidates = 0;
  for (size_t at = 0; at + length <= text.size() && candidates < kLandedCandidates; ++candidates) {
    if (Checksum(std::string_view(text).substr(at, length)) == p.sum) return true;
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) break;
    at = nl + 1;
  }
  // A write cut short by the kill leaves the file ending inside a line: cut it back.
  char last = 0;
  if (daily.Seek(size - 1) && daily.Read(&last, 1) == 1 && last != '\n') {
    daily.Close();
    fs::Truncate(path, p.before);
  }
  return false;
}

void CRequestLog::Report(platform::eventlog::EventType type, uint32_t id, const std::vector<std::string>& texts) {
  if (!m_events.IsRegistered() && m_events.Register(kEventSource) != platform::eventlog::kOk) return;
  m_events.Report(type, 0, id, texts);
}

int CRequestLog::Refuse(const std::string& path) {
  // Removing the link itself (never what it points to) frees the name for the filter
  // module's next line.
  fs::DeleteFile(path);
  Report(platform::eventlog::EventType::Warning, kEventRequestLogRefused, {path});
  return kRefused;
}

bool CRequestLog::WaitForWriters(platform::StopToken* stop) const {
  // A writer that opened iis.log before the rename may still hold the work file; no one
  // can open it by name any more, so once it is closed nothing more can arrive.
  for (int i = 0; i < kWriterWaitRounds && fs::OtherOpeners(m_workFilePath) == fs::Openers::Some; ++i)
    if (!platform::clock::Sleep(10, stop)) return false;
  return true;
}

int CRequestLog::ReadBlock(fs::InFile& file, int64_t offset, bool& atEnd, size_t blockSize) {
  m_block = {};
  atEnd = false;
  if (!file.Seek(offset)) return fs::kReadFault;
  size_t used = 0;
  for (;;) {
    if (m_bufferSize < used + blockSize) {
      // Only a line longer than a block makes the buffer grow.
      const size_t size = std::max(used + blockSize, m_bufferSize * 2);
      std::unique_ptr<char[]> bigger(new char[size]);
      if (used > 0) std::memcpy(bigger.get(), m_buffer.get(), used);
      m_buffer.swap(bigger);
      m_bufferSize = size;
    }
    char* const start = m_buffer.get() + used;
    const int64_t got = file.Read(start, blockSize);
    if (got < 0) return fs::kReadFault;
    if (got == 0) {
      atEnd = true;
      m_block = std::string_view(m_buffer.get(), used);
      return fs::kOk;
    }
    used += static_cast<size_t>(got);
    // '\n' is never the second byte of a double-byte character: it ends a line
    // wherever it stands. A line longer than a block takes the next one with it.
    if (const void* nl = ::memrchr(start, '\n', static_cast<size_t>(got))) {
      m_block = std::string_view(m_buffer.get(), static_cast<size_t>(static_cast<const char*>(nl) - m_buffer.get()) + 1);
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
    if (ReadBlock(file, offset, atEnd, 4096) != fs::kOk) return false;
    if (m_block.empty()) break;
    offset += static_cast<int64_t>(m_block.size());
    size_t count = 0;
    joined += TransformInto(m_block, m_out, 0, count);
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

int CRequestLog::ProcessWorkFile(platform::StopToken* stop) {
  // Our own handle would count as an opener: the wait comes before the open.
  if (!WaitForWriters(stop)) return kStopped;
  fs::InFile work;
  int rc = work.Open(m_workFilePath, true);
  if (rc == fs::kNotRegularFile) return Refuse(m_workFilePath);
  if (rc != fs::kOk) return kReadFailed;
  const std::string identity = work.Identity();
  int64_t done = 0;
  Progress saved;
  if (LoadProgress(saved) && saved.identity == identity && saved.done <= work.Size()) {
    done = saved.done;
    if (saved.blockEnd > saved.done && BlockLanded(saved)) done = saved.blockEnd;
  }
  int settles = 0;
  m_out.reserve(kBlockSize + kBlockSize / 4);
  for (int round = 0;; ++round) {
    for (;;) {
      bool atEnd = false;
      if (ReadBlock(work, done, atEnd, kBlockSize) != fs::kOk) return kReadFailed;
      if (m_block.empty()) break;
      // A last line without its end may be a write still in progress.
      if (atEnd && m_block.back() != '\n' && settles < kSettleReads) {
        ++settles;
        const int64_t size = work.Size();
        work.Close();
        if (!platform::clock::Sleep(kGraceMs, stop)) return kStopped;
        if (int result = Reopen(work, identity)) return result;
        if (work.Size() > size) continue;
      }
      const int64_t end = done + static_cast<int64_t>(m_block.size());
      size_t count = 0;
      const size_t length = TransformInto(m_block, m_out, 0, count);
      const std::string_view out(m_out.data(), length);
      if (!out.empty()) {
        Progress next;
        next.identity = identity;
        next.done = done;
        next.blockEnd = end;
        next.day = GetTodayText();
        const std::string daily = DailyLogPath(m_logDir, next.day);
        next.before = std::max<int64_t>(0, fs::FileSize(daily));
        next.length = static_cast<int64_t>(out.size());
        next.sum = Checksum(out);
        // Without a record of the append, a kill after it would write the block twice.
        if (!SaveProgress(next)) {
          Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {m_progressPath});
          return kAppendFailed;
        }
        if (!AppendDailyLogText(daily, out)) {
          // The daily log is as it was (a partial write is cut back); the block waits.
          if (!m_appendFailing) Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {daily});
          m_appendFailing = true;
          next.blockEnd = next.done;
          if (!SaveProgress(next))
            Report(platform::eventlog::EventType::Error, kEventRequestLogNotWritten, {m_progressPath});
          return kAppendFailed;
        }
        m_appendFailing = false;
      }
      done = end;
      if (atEnd) break;
    }
    // An open that was half done at the rename may only now show; late lines are looked
    // for again, also where the file system cannot tell about open writers.
    work.Close();
    if (!WaitForWriters(stop)) return kStopped;
    if (int result = Reopen(work, identity)) return result;
    if (round + 1 >= kMaxRounds || work.Size() <= done) break;
  }
  work.Close();
  // The work file goes first: a progress file without one is stale and is removed
  // before the next hand-off.
  if (fs::DeleteFile(m_workFilePath) != fs::kOk) return kWritten;
  fs::DeleteFile(m_progressPath);
  return kWritten;
}

int CRequestLog::ProcessPass(platform::StopToken* stop) {
  if (fs::Present(m_workFilePath)) return ProcessWorkFile(stop);
  // No work file: a progress file left behind belongs to none.
  if (fs::Present(m_progressPath)) fs::DeleteFile(m_progressPath);
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
