#pragma once
// The program log "log/qor.log": "[" + now text + "]\t" + message, a message equal to
// the previous one not written again. The service and the tray program write it in
// turn; each write opens, appends and closes.
#include <cstdint>
#include <mutex>
#include <string>

#include "common/build.h"

class CLog {
 public:
  // Past this size the service's log starts afresh before its next entry.
  static constexpr uint64_t kMaxServiceLogBytes = 102400;

  // programDir ends with '/' (one is added when missing); empty means GetModuleDir().
  // Only the service build has the size limit.
  explicit CLog(Build build = Build::Service, const std::string& programDir = "");

  // 1 when written or skipped as a repeat, 0 when the file could not be opened (the
  // log folder is never created here).
  int Write(const std::string& message, bool addLineBreak = true);
  // A line of the layer (platform/notice.h) as an entry: one O_APPEND write of the
  // whole entry that takes no lock, since the layer may hold one of its own while it
  // writes. Repeats and the size limit are left to Write.
  int WriteNotice(const std::string& message) const;
  // The debug channel: discards its message.
  void WriteDebug(const std::string& message);

  const std::string& LogPath() const { return m_logPath; }

 private:
  const Build m_build;
  std::string m_programDir;
  std::string m_logPath;
  std::mutex m_mutex;  // the service thread and the workers write through one object
  std::string m_lastMessage;
};

// From now on the layer's lines of this process go to the log of build in programDir
// (as CLog takes them) as well as to standard error.
void LogLayerNotices(Build build, const std::string& programDir = "");
