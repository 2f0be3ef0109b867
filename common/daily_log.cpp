#include "common/daily_log.h"

#include <cstdio>

#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/split.h"
#include "platform/clock.h"
#include "platform/fs.h"

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

int AppendDailyLog(const std::string& path, const StringList& lines) {
  if (lines.empty()) return 1;
  std::string data;
  for (const auto& line : lines) {
    data += line;
    data += '\n';
  }
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    std::string dir = path.substr(0, slash);
    if (!platform::fs::IsDirectory(dir)) platform::fs::MakeDir(dir);
  }
  // Every writer locks the log file itself, so the service's lines and the panel's
  // never interleave and no lock file shows up among the daily logs.
  int result = platform::fs::kWriteFault;
  if (!platform::fs::WithLock(path, [&] { result = platform::fs::WriteFile(path, data, true); })) return 0;
  return result == platform::fs::kOk ? 1 : 0;
}

int AppendDailyLog(const std::string& path, const std::string& line) {
  return AppendDailyLog(path, StringList{line});
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

int DailyLogLineGroup(const std::string& line) {
  const StringList& words = GroupWords();
  for (int g = 0; g < kDailyLogGroupOther; ++g)
    if (gbk::Find(line, "\t" + words[static_cast<size_t>(g)] + "\t") != gbk::npos) return g;
  return kDailyLogGroupOther;
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
