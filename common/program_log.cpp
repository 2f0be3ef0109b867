#include "common/program_log.h"

#include <memory>

#include "common/date_text.h"
#include "common/system_info.h"
#include "platform/fs.h"
#include "platform/notice.h"
#include "common/file_probe.h"

namespace fs = platform::fs;

CLog::CLog(Build build, const std::string& programDir) : m_build(build) {
  m_programDir = programDir.empty() ? GetModuleDir() : programDir;
  if (m_programDir.empty() || m_programDir.back() != '/') m_programDir += '/';
  m_logPath = m_programDir + "log/qor.log";
}

int CLog::Write(const std::string& message, bool addLineBreak) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // The size check comes first, so even a repeated message can restart a full log.
  // A full log that cannot be deleted is written on: this log is where it would be reported.
  if (m_build == Build::Service && GetFileSizeOf(m_logPath) > kMaxServiceLogBytes) (void)fs::DeleteFile(m_logPath);
  if (!m_lastMessage.empty() && m_lastMessage == message) return 1;
  m_lastMessage = message;
  std::string entry = "[" + GetNowText() + "]\t" + message;
  if (addLineBreak) entry += '\n';
  return fs::WriteFile(m_logPath, entry, true) == fs::kOk ? 1 : 0;
}

int CLog::WriteNotice(const std::string& message) const {
  return fs::AppendWhole(m_logPath, "[" + GetNowText() + "]\t" + message + "\n") == fs::kOk ? 1 : 0;
}

void CLog::WriteDebug(const std::string&) {}

void LogLayerNotices(Build build, const std::string& programDir) {
  auto log = std::make_shared<const CLog>(build, programDir);
  platform::notice::SetSink([log](const std::string& text) { log->WriteNotice(text); });
}
