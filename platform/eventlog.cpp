#include "platform/eventlog.h"

#include <cstdlib>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/gbk.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/scm_names.h"

namespace platform::eventlog {

// One record a line: time, source, type, category, id, then the insertion texts,
// separated by tabs, each field escaped (scm_names.h).

std::string LogFilePath(const std::string& log) { return MachinePath("eventlog/" + names::Escape(log)); }

std::string KeyPath(const std::string& log) { return "SYSTEM\\CurrentControlSet\\Services\\EventLog\\" + log; }

uint64_t MaxSizeOf(const std::string& log) {
  registry::Key key;
  uint32_t size = 0;
  if (registry::OpenKey(KeyPath(log), key) != registry::kOk ||
      key.QueryDword("MaxSize", size) != registry::kOk || size == 0)
    return kDefaultMaxSize;
  return size;
}

namespace {
// Appends line to the log at path, first letting the oldest records go when the log
// would pass max. A cut goes down to seven eighths of max, so that a full log is
// rewritten once for every eighth of it, not for every record. The caller holds the
// log's lock.
int Append(const std::string& path, const std::string& line, uint64_t max) {
  const int64_t size = fs::FileSize(path);
  if (size < 0 || static_cast<uint64_t>(size) + line.size() <= max) return fs::WriteFile(path, line, true);
  std::string text;
  if (const int rc = fs::ReadFile(path, text); rc != fs::kOk) return rc;
  const uint64_t target = max - max / 8;
  size_t from = 0;
  while (from < text.size() && text.size() - from + line.size() > target) {
    const size_t end = text.find('\n', from);
    from = end == std::string::npos ? text.size() : end + 1;
  }
  return fs::ReplaceFile(path, text.substr(from) + line);
}
}  // namespace

const char* TypeName(EventType type) {
  switch (type) {
    case EventType::Error: return "error";
    case EventType::Warning: return "warning";
    case EventType::Information: return "information";
    case EventType::AuditSuccess: return "audit-success";
    case EventType::AuditFailure: return "audit-failure";
  }
  return "unknown";
}

int Source::Register(const std::string& sourceName, const std::string& log) {
  if (sourceName.empty() || log.empty()) return kInvalidParameter;
  m_source = sourceName;
  m_log = log;
  return kOk;
}

void Source::Deregister() {
  m_source.clear();
  m_log.clear();
}

int Source::Report(EventType type, uint32_t category, uint32_t id, const std::vector<std::string>& strings) const {
  if (!IsRegistered()) return kInvalidHandle;
  std::string line = std::to_string(static_cast<long long>(clock::Now())) + "\t" + names::Escape(m_source) + "\t" +
                     std::to_string(static_cast<uint32_t>(type)) + "\t" + std::to_string(category) + "\t" +
                     std::to_string(id);
  for (const auto& s : strings) line += "\t" + names::Escape(s);
  line += '\n';
  if (fs::MakeDirs(MachinePath("eventlog")) != fs::kOk) return kAccessDenied;
  const uint64_t max = MaxSizeOf(m_log);
  std::string path = LogFilePath(m_log);
  int rc = fs::kAccessDenied;
  if (!fs::WithLock(path + ".lock", [&] { rc = Append(path, line, max); })) return kAccessDenied;
  return rc == fs::kOk ? kOk : kAccessDenied;
}

int ReadEvents(std::vector<Event>& out, const std::string& log) {
  out.clear();
  std::string text;
  int rc = fs::ReadFile(LogFilePath(log), text);
  if (rc == fs::kFileNotFound || rc == fs::kPathNotFound) return kOk;
  if (rc != fs::kOk) return kAccessDenied;
  for (const std::string& line : gbk::SplitLines(text)) {
    std::vector<std::string> f;
    size_t a = 0;
    for (;;) {
      size_t t = line.find('\t', a);
      f.push_back(line.substr(a, t == std::string::npos ? std::string::npos : t - a));
      if (t == std::string::npos) break;
      a = t + 1;
    }
    if (f.size() < 5) continue;
    Event e;
    e.time = static_cast<time_t>(std::strtoll(f[0].c_str(), nullptr, 10));
    if (!names::Unescape(f[1], e.source)) continue;
    e.type = static_cast<EventType>(std::strtoul(f[2].c_str(), nullptr, 10));
    e.category = static_cast<uint32_t>(std::strtoul(f[3].c_str(), nullptr, 10));
    e.id = static_cast<uint32_t>(std::strtoul(f[4].c_str(), nullptr, 10));
    bool ok = true;
    for (size_t i = 5; i < f.size() && ok; ++i) {
      std::string s;
      ok = names::Unescape(f[i], s);
      e.strings.push_back(std::move(s));
    }
    if (ok) out.push_back(std::move(e));
  }
  return kOk;
}

}  // namespace platform::eventlog
