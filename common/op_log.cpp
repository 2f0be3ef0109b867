#include "common/op_log.h"

#include <atomic>

#include "common/config.h"
#include "common/daily_log.h"
#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/program_paths.h"
#include "common/system_info.h"

namespace {
std::atomic<const CConfig*> g_opLogConfig{nullptr};

// One operation must stay one line of the tab layout.
std::string OneField(std::string text) {
  gbk::ReplaceAll(text, "\t", " ");
  gbk::ReplaceAll(text, "\r", " ");
  gbk::ReplaceAll(text, "\n", " ");
  return text;
}
}  // namespace

void SetOpLogConfig(const CConfig* config) { g_opLogConfig.store(config); }

int WriteOpLog(const std::string& text) {
  const CConfig* config = g_opLogConfig.load();
  if (!config) return 1;
  return WriteOpLog(text, *config);
}

int WriteOpLog(const std::string& text, const CConfig& config) {
  if (config.GetLogOn() != "1") return 1;
  const std::string line =
      FormatDailyLogLine(GetNowText(), "管理", "用户设置", "-", OneField(text + "(" + GetCurrentUser() + ")"));
  if (g_LogDir.empty()) InitGlobalPaths();
  return AppendDailyLog(DailyLogPath(g_LogDir), line);
}
