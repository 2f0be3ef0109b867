#pragma once
// The event log: records appended to <machine root>/eventlog/<log> ("Application"),
// one line each, readable back by tests and by "qorsc events". A log keeps within its
// maximum size (MaxSizeOf): a record that would pass it makes the oldest records go.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace platform::eventlog {

enum : int { kOk = 0, kAccessDenied = 5, kInvalidHandle = 6, kInvalidParameter = 87 };

enum class EventType : uint32_t {
  Error = 1,
  Warning = 2,
  Information = 4,
  AuditSuccess = 8,
  AuditFailure = 16,
};

struct Event {
  time_t time = 0;
  std::string source;
  EventType type = EventType::Information;
  uint32_t category = 0;
  uint32_t id = 0;
  std::vector<std::string> strings;  // GBK insertion texts
};

// A registered event source; reports go to the log it was registered for.
class Source {
 public:
  // 0, or 87 for an empty source name.
  int Register(const std::string& sourceName, const std::string& log = "Application");
  void Deregister();
  bool IsRegistered() const { return !m_source.empty(); }
  const std::string& Name() const { return m_source; }
  // Appends one record: 0, 6 when not registered, 5 when the log cannot be written.
  int Report(EventType type, uint32_t category, uint32_t id,
             const std::vector<std::string>& strings = {}) const;

 private:
  std::string m_source, m_log;
};

// The bound of a log where its key gives none: 20 MB.
inline constexpr uint64_t kDefaultMaxSize = 20ull * 1024 * 1024;
// The registry key of a log (SYSTEM\CurrentControlSet\Services\EventLog\<log>); its
// sources have keys below it.
std::string KeyPath(const std::string& log = "Application");
// The bound of a log in bytes: the DWORD "MaxSize" of its key, or kDefaultMaxSize where
// that is absent, 0 or unreadable.
uint64_t MaxSizeOf(const std::string& log = "Application");

// Every record of a log, oldest first; a log never written is empty (0).
int ReadEvents(std::vector<Event>& out, const std::string& log = "Application");
// The file of a log under the current machine root.
std::string LogFilePath(const std::string& log = "Application");
const char* TypeName(EventType type);

}  // namespace platform::eventlog
