#pragma once
// The daily log "log/qor<YYYY-MM-DD>.log": appended by the operation log and by the
// service's request-log worker, taken apart by the log page and the log viewer.
#include <string>
#include <string_view>

#include "common/build.h"

// "qor" + date + ".log"; today's date (GetTodayText) when dateText is empty.
std::string DailyLogFileName(const std::string& dateText = "");
// logDir (with its trailing '/') + DailyLogFileName(dateText).
std::string DailyLogPath(const std::string& logDir, const std::string& dateText = "");

// Today as "%d-%d-%d", not zero-filled (the viewer matches it against the file dates).
std::string GetTodayShortText();

// Appends every line, each followed by "\n", as one O_APPEND write without a lock, so
// that whole lines of two writers never interleave. A file that does not end in a line
// end (another writer's line cut short by a kill) gets one first, in the same write, so
// the lines never finish that piece. The file's folder is created (one level) when
// missing. 1 when all bytes landed; 0 when the file cannot be opened or the write fell
// short, and then the file is cut back to where it ended. No lines: 1, nothing touched.
int AppendDailyLog(const std::string& path, const StringList& lines);
// The same for text that is already whole lines, each ended by "\n".
int AppendDailyLogText(const std::string& path, std::string_view text);
int AppendDailyLog(const std::string& path, const std::string& line);

// A line as the writers lay it out (see ParseDailyLogLine): the fields joined by one
// tab each, without a line end. No field may hold a tab or a line break.
std::string FormatDailyLogLine(std::string_view time, std::string_view type, std::string_view operation,
                               std::string_view detail, std::string_view remark);

// The groups a line falls into, in the order their markers ("\t<word>\t") are tested:
// 0 区域, 1 IP, 2 URL, 3 蜘蛛, 4 时间, 5 代理, 6 来路, 7 浏览器, 8 OS; 9 其他.
inline constexpr int kDailyLogGroupOther = 9;
inline constexpr int kDailyLogGroupCount = 10;
// The word of a group index (GBK); "其他" for anything out of range.
const std::string& DailyLogGroupWord(int group);
// Group of a raw line: the first marker found anywhere in it decides.
int DailyLogLineGroup(std::string_view line);

struct DailyLogLine {
  int group = kDailyLogGroupOther;  // see DailyLogLineGroup
  // False when the line gives fewer than 4 pieces; such a line is counted, not shown.
  bool shown = false;
  std::string time;       // piece 1
  std::string type;       // piece 2, the type word as written
  std::string operation;  // piece 3
  std::string address;    // piece 4 (the "IP" column; an operation line's text)
  std::string detail;     // piece 5, "-" when missing
};

// Splits at every tab and drops pieces shorter than 2 bytes (so the "-" of an operation
// line takes no column). A trailing "\r" is ignored.
DailyLogLine ParseDailyLogLine(const std::string& line);
