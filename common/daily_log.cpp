#include "common/daily_log.h"

#include <cstdio>

#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/split.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"

std::string DailyLogFileName(const std::string& dateText) {
  return "qor" + (dateText.empty() ? GetTodayText() : dateText) + ".log";
}

std::string DailyLogPath(const std::string& logDir, const std::string& dateText) {
  return logDir + DailyLogFileName(dateText);
}

std::string GetTodayShortText() {
  platform::LocalTime t = platform::clock::Local();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d-%d-%d", t.year, t.month, t.day);
  return buf;
}

namespace {
// A write under way shows its bytes page by page, so an end inside a line counts as a
// piece cut short only once it stayed as it was for a moment.
constexpr int64_t kPieceStillMs = 20;
constexpr int kPieceLooks = 10;

// The file's size and last byte; false when it is empty or cannot be read.
bool LookAtEnd(const std::string& path, int64_t& size, char& last) {
  platform::fs::InFile file;
  if (file.Open(path) != platform::fs::kOk) return false;
  size = file.Size();
  return size > 0 && file.Seek(size - 1) && file.Read(&last, 1) == 1;
}

// Whether the file ends inside a line: a write cut short by a kill left a piece of a
// line there. A file that cannot be read counts as ending well; the append says whether
// it can be written.
bool EndsInsideLine(const std::string& path) {
  int64_t seen = -1;
  for (int look = 0; look < kPieceLooks; ++look) {
    int64_t size = 0;
    char last = '\n';
    if (!LookAtEnd(path, size, last) || last == '\n') return false;
    if (size == seen) return true;
    seen = size;
    platform::clock::Sleep(kPieceStillMs);
  }
  return true;
}
}  // namespace

int AppendDailyLogText(const std::string& path, std::string_view text) {
  if (text.empty()) return 1;
  const std::string dir = platform::ParentDir(path);
  // A folder that cannot be made is not reported: the append below fails and says so.
  if (!dir.empty() && !platform::fs::IsDirectory(dir)) (void)platform::fs::MakeDir(dir);
  // One O_APPEND write of whole lines: the service's lines and the panel's never
  // interleave, and no lock lets another account that holds one stall a writer. A piece
  // cut short is ended first rather than finished with our text; its writer settles it.
  const platform::fs::Result rc = EndsInsideLine(path) ? platform::fs::AppendWhole(path, "\n" + std::string(text))
                                                        : platform::fs::AppendWhole(path, text);
  return rc == platform::fs::kOk ? 1 : 0;
}

int AppendDailyLog(const std::string& path, const StringList& lines) {
  if (lines.empty()) return 1;
  std::string data;
  for (const auto& line : lines) {
    data += line;
    data += '\n';
  }
  return AppendDailyLogText(path, data);
}

int AppendDailyLog(const std::string& path, const std::string& line) { return AppendDailyLogText(path, line + "\n"); }

std::string FormatDailyLogLine(std::string_view time, std::string_view type, std::string_view operation,
                               std::string_view detail, std::string_view remark) {
  std::string line;
  line.reserve(time.size() + type.size() + operation.size() + detail.size() + remark.size() + 4);
  for (std::string_view field : {time, type, operation, detail}) {
    line += field;
    line += '\t';
  }
  line += remark;
  return line;
}

namespace {
const StringList& GroupWords() {
  static const StringList words = {"区域", "IP", "URL", "蜘蛛", "时间", "代理", "来路", "浏览器", "OS", "其他"};
  return words;
}
}  // namespace

const std::string& DailyLogGroupWord(int group) {
  const StringList& words = GroupWords();
  if (group < 0 || group >= kDailyLogGroupCount) return words[kDailyLogGroupOther];
  return words[static_cast<size_t>(group)];
}

int DailyLogLineGroup(std::string_view line) {
  // Every marker is a word between two tabs, and a tab is never the second byte of a
  // double-byte character: one walk from tab to tab finds every marker present, and the
  // first in marker order decides.
  const StringList& words = GroupWords();
  int best = kDailyLogGroupOther;
  size_t tab = line.find('\t');
  while (tab != std::string_view::npos && best > 0) {
    const size_t next = line.find('\t', tab + 1);
    if (next == std::string_view::npos) break;
    const std::string_view word = line.substr(tab + 1, next - tab - 1);
    for (int g = 0; g < best; ++g) {
      if (word == words[static_cast<size_t>(g)]) {
        best = g;
        break;
      }
    }
    tab = next;
  }
  return best;
}

DailyLogLine ParseDailyLogLine(const std::string& line) {
  std::string text = line;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  DailyLogLine out;
  out.group = DailyLogLineGroup(text);
  StringList pieces;
  if (SplitToArray(text, "\t", pieces, true, 2) < 4) return out;
  out.shown = true;
  out.time = pieces[0];
  out.type = pieces[1];
  out.operation = pieces[2];
  out.address = pieces[3];
  out.detail = pieces.size() > 4 ? pieces[4] : "-";
  return out;
}
