#include "tools/tools_log.h"

#include <cstdio>

#include "platform/gbk.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tools/file_tests.h"
#include "tools/windows_info.h"

std::string ToolsLogPath() { return ProgramFolder() + "/log/QoripTools.log"; }

void WriteLog(const std::string& message) {
  if (gbk::Trim(message, " ").empty()) return;
  platform::LocalTime t = platform::clock::Local();
  // The short date and long time of a Simplified Chinese system.
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "[%d/%d/%d %d:%02d:%02d]", t.year, t.month, t.day, t.hour, t.minute, t.second);
  std::string folder = ProgramFolder() + "/log";
  // This is the toolbox's only log: a line that cannot be written is lost, unreported.
  if (!DirExists(folder)) (void)platform::fs::MakeDir(folder);
  (void)platform::fs::WriteFile(ToolsLogPath(), stamp + message + "\n", true);
}
