#include "service/request_log.h"

#include <cstring>

#include "common/coding.h"
#include "common/daily_log.h"
#include "platform/gbk.h"
#include "common/qor_area.h"
#include "common/tag_text.h"
#include "common/text_file.h"
#include "platform/fs.h"

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

constexpr std::string_view kArea = kMarkerArea, kState = kMarkerState, kStart = kMarkerIpStart, kEnd = kMarkerIpEnd;

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
bool IsMarkerByte(char c) { return c != 0 && std::strchr("<ipstarend>", c) != nullptr; }

// True when pos starts a character: a byte outside the lead range always ends one,
// so pos does when an even number of lead-range bytes stand right before it.
bool StartsCharacter(std::string_view s, size_t pos) {
  size_t leads = 0;
  while (leads < pos && gbk::IsLeadByte(static_cast<unsigned char>(s[pos - leads - 1]))) ++leads;
  return leads % 2 == 0;
}

// The joined lines as the one line of an append: the same bytes, one copy less.
bool AppendJoined(const std::string& path, std::string& joined) {
  StringList lines(1);
  lines[0].swap(joined);
  bool ok = AppendDailyLog(path, lines) != 0;
  joined.swap(lines[0]);
  return ok;
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
    : m_requestLogPath(programDir + "iis/log/iis.log"),
      m_workFilePath(programDir + "iis/log/iis.log.work"),
      m_logDir(programDir + "log/") {
  CQorArea area;
  area.Load();
  m_countryNames.resize(kNameCacheSize);
  m_provinceNames.resize(kNameCacheSize);
  for (int code = 0; code < kNameCacheSize; ++code) {
    m_countryNames[static_cast<size_t>(code)] = area.GetCountryName(code);
    m_provinceNames[static_cast<size_t>(code)] = area.GetProvinceName(code);
  }
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

void CRequestLog::AppendTransformed(std::string_view line, std::string& out) const {
  // Both region markers hold '~': a line without that byte has neither.
  if (std::memchr(line.data(), '~', line.size()) == nullptr) {
    out.append(line);
    return;
  }
  // One walk over the characters finds every marker where a step-by-step search
  // would: at a character start, each kind not overlapping its previous match.
  Hit hits[kMaxHits];
  int count = 0;
  bool overflow = false, area = false, state = false;
  size_t firstStart = std::string_view::npos, firstEnd = std::string_view::npos;
  size_t nextArea = 0, nextState = 0, nextStart = 0, nextEnd = 0;
  auto add = [&](size_t pos, HitKind kind) {
    if (count < kMaxHits) hits[count++] = {pos, kind};
    else overflow = true;
  };
  // Marker bytes are found with memchr; whether one starts a character is told by
  // the lead bytes right before it.
  size_t nextTilde = line.find('~'), nextAngle = line.find('<');
  while (nextTilde != std::string_view::npos || nextAngle != std::string_view::npos) {
    size_t i;
    if (nextTilde < nextAngle) {
      i = nextTilde;
      nextTilde = line.find('~', i + 1);
    } else {
      i = nextAngle;
      nextAngle = line.find('<', i + 1);
    }
    if (!StartsCharacter(line, i)) continue;
    if (line[i] == '~') {
      if (i >= nextArea && At(line, i, kArea)) {
        area = true;
        add(i, kHitArea);
        nextArea = i + kArea.size();
      }
      if (i >= nextState && At(line, i, kState)) {
        state = true;
        add(i, kHitState);
        nextState = i + kState.size();
      }
    } else {
      if (i >= nextStart && At(line, i, kStart)) {
        if (firstStart == std::string_view::npos) firstStart = i;
        add(i, kHitStart);
        nextStart = i + kStart.size();
      }
      if (i >= nextEnd && At(line, i, kEnd)) {
        if (firstEnd == std::string_view::npos) firstEnd = i;
        add(i, kHitEnd);
        nextEnd = i + kEnd.size();
      }
    }
  }
  if (!area && !state) {
    out.append(line);
    return;
  }
  if (overflow) {
    out += TransformLineByReplacing(line);
    return;
  }
  // The address between the first "<ipstart>" and the first "<ipend>" after it.
  if (firstStart == std::string_view::npos || firstEnd == std::string_view::npos ||
      firstEnd <= firstStart + kStart.size()) {
    out.append(line);
    return;
  }
  std::string address(line.substr(firstStart + kStart.size(), firstEnd - firstStart - kStart.size()));
  int countryId = 0, provinceId = 0;
  bool found = m_ipTable.Lookup(address, countryId, provinceId) != 0;
  // The region text never holds a marker byte; only an empty province text lets
  // two pieces of the line meet.
  const std::string& province = found && (!area || provinceId != 0) ? ProvinceName(provinceId) : kEmpty;
  for (int h = 0; h < count; ++h) {
    bool joins = hits[h].kind == kHitEnd || (!area && hits[h].kind == kHitState && province.empty());
    if (joins && hits[h].pos > 0 && IsMarkerByte(line[hits[h].pos - 1])) {
      out += TransformLineByReplacing(line);
      return;
    }
  }
  size_t last = 0;
  for (int h = 0; h < count; ++h) {
    const Hit& hit = hits[h];
    size_t length;
    switch (hit.kind) {
      case kHitArea:
        if (!area) continue;
        length = kArea.size();
        break;
      case kHitState:
        if (area) continue;
        length = kState.size();
        break;
      case kHitStart: length = kStart.size(); break;
      default: length = kEnd.size(); break;
    }
    out.append(line, last, hit.pos - last);
    if (hit.kind == kHitArea) {
      if (found) out += CountryName(countryId);
      out += '-';
      out += province;
    } else if (hit.kind == kHitState) {
      out += province;
    }
    last = hit.pos + length;
  }
  out.append(line, last, std::string_view::npos);
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

size_t CRequestLog::TransformBatchJoined(std::string_view content, std::string& joined) const {
  joined.clear();
  joined.reserve(content.size() + content.size() / 8);
  size_t count = 0;
  ForEachKeptLine(content, [&](std::string_view line) {
    if (count++ > 0) joined += '\n';
    AppendTransformed(line, joined);
  });
  return count;
}

size_t CRequestLog::JoinedSize(const StringList& lines) {
  if (lines.empty()) return 0;
  size_t size = lines.size() - 1;
  for (const auto& line : lines) size += line.size();
  return size;
}

bool CRequestLog::ReadSettled(const std::string& path, std::string& out) const {
  if (fs::ReadFile(path, out) != fs::kOk) return false;
  // A last line without its end may be a write still in progress.
  for (int i = 0; i < kSettleReads && !out.empty() && out.back() != '\n'; ++i) {
    platform::clock::Sleep(kGraceMs);
    std::string again;
    if (fs::ReadFile(path, again) != fs::kOk) return false;
    bool grew = again.size() > out.size();
    out.swap(again);
    if (!grew) break;
  }
  return true;
}

int CRequestLog::ProcessWorkFile() {
  // A writer that opened iis.log before the rename may still hold the work file; no one
  // can open it by name any more, so once it is closed nothing more can arrive.
  for (int i = 0; i < kWriterWaitRounds && fs::OtherOpeners(m_workFilePath) == fs::Openers::Some; ++i)
    platform::clock::Sleep(10);
  std::string content;
  if (!ReadSettled(m_workFilePath, content)) return kReadFailed;
  size_t done = 0;  // bytes of the work file already in the daily log
  std::string joined;
  for (int round = 0;; ++round) {
    size_t count = TransformBatchJoined(std::string_view(content).substr(done), joined);
    if (done == 0 && joined.size() <= kSmallBatch) return kLeftInPlace;
    if (count > 0 && !AppendJoined(DailyLogPath(m_logDir), joined)) {
      // Keep only what has not landed, so that nothing is written twice.
      if (done > 0) fs::ReplaceFile(m_workFilePath, content.substr(done));
      return kAppendFailed;
    }
    done = content.size();
    // An open that was half done at the rename may only now show; late lines are looked
    // for again, also where the file system cannot tell about open writers.
    for (int i = 0; i < kWriterWaitRounds && fs::OtherOpeners(m_workFilePath) == fs::Openers::Some; ++i)
      platform::clock::Sleep(10);
    if (round + 1 >= kMaxRounds || fs::FileSize(m_workFilePath) <= static_cast<int64_t>(done)) break;
    std::string again;
    // Unreadable now: the file stays, since losing lines is worse than repeating them.
    if (!ReadSettled(m_workFilePath, again)) return kReadFailed;
    if (again.size() <= done) break;
    content.swap(again);
  }
  fs::DeleteFile(m_workFilePath);
  return kWritten;
}

bool CRequestLog::CarrySmallBatchInto(const std::string& requestLog) {
  std::string content;
  if (fs::ReadFile(m_workFilePath, content) != fs::kOk) return false;
  // On a line of its own, whatever the request log ends with.
  std::string data = "\n" + content;
  if (data.back() != '\n') data += '\n';
  if (fs::WriteFile(requestLog, data, true) != fs::kOk) return false;
  return fs::DeleteFile(m_workFilePath) == fs::kOk;
}

int CRequestLog::ProcessPass(platform::StopToken* stop) {
  if (fs::IsFile(m_workFilePath)) {
    int result = ProcessWorkFile();
    if (result != kLeftInPlace || !fs::IsFile(m_requestLogPath)) return result;
    // The small batch waits no longer in the work file: it joins the new lines.
    if (!platform::clock::Sleep(kSettleWaitMs, stop)) return kStopped;
    if (!CarrySmallBatchInto(m_requestLogPath)) return kHandOffFailed;
  } else {
    if (!fs::IsFile(m_requestLogPath)) return kIdle;
    if (!platform::clock::Sleep(kSettleWaitMs, stop)) return kStopped;
  }
  if (fs::Rename(m_requestLogPath, m_workFilePath) != fs::kOk) return kHandOffFailed;
  // Stopped now, the work file waits for the next start.
  if (!platform::clock::Sleep(kGraceMs, stop)) return kStopped;
  return ProcessWorkFile();
}
