#include "platform/pdh.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/clock.h"
#include "platform/fs.h"

namespace platform::pdh {

namespace {

enum class Source { CpuTime, MemAvailable, MemAvailableMb, MemCommitted, Uptime, ContextSwitches, RunQueue };

struct CounterDef {
  const char* object;
  const char* name;
  Source source;
  uint32_t type;
  bool instanced;
};

const CounterDef kCounters[] = {
    {"Processor", "% Processor Time", Source::CpuTime, kTypePercentTime, true},
    {"Memory", "Available Bytes", Source::MemAvailable, kTypeLargeRawCount, false},
    {"Memory", "Available MBytes", Source::MemAvailableMb, kTypeRawCount, false},
    {"Memory", "Committed Bytes", Source::MemCommitted, kTypeLargeRawCount, false},
    {"System", "System Up Time", Source::Uptime, kTypeElapsed, false},
    {"System", "Context Switches/sec", Source::ContextSwitches, kTypeRate, false},
    {"System", "Processor Queue Length", Source::RunQueue, kTypeRawCount, false},
};

const std::pair<uint32_t, const char*> kNames[] = {
    {2, "System"},           {4, "Memory"},         {6, "% Processor Time"},      {24, "Available Bytes"},
    {26, "Committed Bytes"}, {44, "Processor Queue Length"}, {146, "Context Switches/sec"}, {238, "Processor"},
    {674, "System Up Time"}, {1382, "Available MBytes"},
};

struct Sample {
  bool valid = false;
  double a = 0, b = 0;  // a value, or a count and a base (busy and total ticks)
  int64_t atMs = 0;
};

struct Counter {
  QueryHandle query = 0;
  const CounterDef* def = nullptr;
  std::string instance;
  Sample last, previous;
};

std::mutex g_mutex;
ProcReader g_reader;
std::map<QueryHandle, bool> g_queries;
std::map<CounterHandle, Counter> g_counters;
uint64_t g_nextHandle = 1;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool Same(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool ReadProc(const std::string& path, std::string& out) {
  if (g_reader) return g_reader(path, out);
  return fs::ReadFile(path, out) == fs::kOk;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// "cpu" for the total, "cpuN" for one processor: busy and total ticks.
bool CpuTicks(const std::string& instance, double& busy, double& total) {
  std::string text;
  if (!ReadProc("/proc/stat", text)) return false;
  std::string want = instance == "_Total" ? "cpu" : "cpu" + instance;
  for (const auto& line : Lines(text)) {
    std::istringstream in(line);
    std::string label;
    in >> label;
    if (label != want) continue;
    double v[8] = {0};
    for (double& x : v) in >> x;
    total = 0;
    for (double x : v) total += x;
    busy = total - v[3] - v[4];  // idle and waiting for I/O
    return true;
  }
  return false;
}

bool StatField(const char* key, double& out) {
  std::string text;
  if (!ReadProc("/proc/stat", text)) return false;
  for (const auto& line : Lines(text)) {
    std::istringstream in(line);
    std::string label;
    in >> label;
    if (label == key) return static_cast<bool>(in >> out);
  }
  return false;
}

bool MemField(const char* key, double& kb) {
  std::string text;
  if (!ReadProc("/proc/meminfo", text)) return false;
  for (const auto& line : Lines(text)) {
    std::istringstream in(line);
    std::string label;
    in >> label;
    if (label == std::string(key) + ":") return static_cast<bool>(in >> kb);
  }
  return false;
}

int ProcessorCount() {
  std::string text;
  if (!ReadProc("/proc/stat", text)) return 0;
  int n = 0;
  for (const auto& line : Lines(text))
    if (line.size() > 3 && line.compare(0, 3, "cpu") == 0 && line[3] >= '0' && line[3] <= '9') ++n;
  return n;
}

Sample Take(const Counter& c) {
  Sample s;
  s.atMs = clock::NowMs();
  double x = 0, y = 0;
  switch (c.def->source) {
    case Source::CpuTime:
      s.valid = CpuTicks(c.instance, x, y);
      break;
    case Source::MemAvailable:
      s.valid = MemField("MemAvailable", x);
      x *= 1024;
      break;
    case Source::MemAvailableMb:
      s.valid = MemField("MemAvailable", x);
      x = std::floor(x / 1024);
      break;
    case Source::MemCommitted:
      s.valid = MemField("Committed_AS", x);
      x *= 1024;
      break;
    case Source::Uptime: {
      std::string text;
      s.valid = ReadProc("/proc/uptime", text) && static_cast<bool>(std::istringstream(text) >> x);
      break;
    }
    case Source::ContextSwitches:
      s.valid = StatField("ctxt", x);
      break;
    case Source::RunQueue:
      s.valid = StatField("procs_running", x);
      break;
  }
  s.a = x;
  s.b = y;
  return s;
}

// Object, instance and counter of "\Object(Instance)\Counter" (an optional "\\machine"
// before it must be this machine: "." or none).
uint32_t Resolve(const std::string& path, const CounterDef*& def, std::string& instance) {
  std::string p = path;
  if (p.compare(0, 2, "\\\\") == 0) {
    size_t next = p.find('\\', 2);
    if (next == std::string::npos) return kBadCounterName;
    p = p.substr(next);
  }
  if (p.empty() || p[0] != '\\') return kBadCounterName;
  size_t sep = p.find('\\', 1);
  if (sep == std::string::npos || sep + 1 >= p.size()) return kBadCounterName;
  std::string object = p.substr(1, sep - 1), counter = p.substr(sep + 1);
  instance.clear();
  bool hasInstance = false;
  size_t open = object.find('(');
  if (open != std::string::npos) {
    if (object.back() != ')') return kBadCounterName;
    instance = object.substr(open + 1, object.size() - open - 2);
    object = object.substr(0, open);
    hasInstance = true;
  }
  bool objectKnown = false;
  for (const auto& d : kCounters) {
    if (!Same(d.object, object)) continue;
    objectKnown = true;
    if (!Same(d.name, counter)) continue;
    if (d.instanced != hasInstance) return kNoInstance;
    if (d.instanced) {
      if (Same(instance, "_Total")) {
        instance = "_Total";
      } else {
        char* end = nullptr;
        long n = std::strtol(instance.c_str(), &end, 10);
        if (instance.empty() || *end || n < 0 || n >= ProcessorCount()) return kNoInstance;
      }
    }
    def = &d;
    return kOk;
  }
  return objectKnown ? kNoCounter : kNoObject;
}

}  // namespace

void SetProcReaderForTests(ProcReader reader) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_reader = std::move(reader);
}

uint32_t OpenQuery(QueryHandle& out) {
  std::lock_guard<std::mutex> lock(g_mutex);
  out = g_nextHandle++;
  g_queries[out] = true;
  return kOk;
}

uint32_t CloseQuery(QueryHandle query) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_queries.erase(query)) return kInvalidHandle;
  for (auto it = g_counters.begin(); it != g_counters.end();)
    it = it->second.query == query ? g_counters.erase(it) : std::next(it);
  return kOk;
}

uint32_t ValidatePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const CounterDef* def = nullptr;
  std::string instance;
  return Resolve(path, def, instance);
}

uint32_t AddCounter(QueryHandle query, const std::string& path, CounterHandle& out) {
  std::lock_guard<std::mutex> lock(g_mutex);
  out = 0;
  if (!g_queries.count(query)) return kInvalidHandle;
  Counter c;
  c.query = query;
  if (uint32_t rc = Resolve(path, c.def, c.instance)) return rc;
  out = g_nextHandle++;
  g_counters[out] = c;
  return kOk;
}

uint32_t RemoveCounter(CounterHandle counter) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_counters.erase(counter) ? kOk : kInvalidHandle;
}

uint32_t CollectQueryData(QueryHandle query) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_queries.count(query)) return kInvalidHandle;
  bool any = false;
  for (auto& [handle, c] : g_counters) {
    if (c.query != query) continue;
    any = true;
    c.previous = c.last;
    c.last = Take(c);
  }
  return any ? kOk : kNoData;
}

uint32_t GetFormattedValue(CounterHandle counter, uint32_t format, uint32_t& type, FormattedValue& out) {
  std::lock_guard<std::mutex> lock(g_mutex);
  out = FormattedValue();
  type = 0;
  auto it = g_counters.find(counter);
  if (it == g_counters.end()) return kInvalidHandle;
  if (!(format & (kFormatLong | kFormatDouble | kFormatLarge))) return kInvalidArgument;
  const Counter& c = it->second;
  type = c.def->type;
  if (!c.last.valid) return out.status = kInvalidData;
  double value = c.last.a;
  if (c.def->source == Source::CpuTime || c.def->source == Source::ContextSwitches) {
    if (!c.previous.valid) return out.status = kInvalidData;
    if (c.def->source == Source::CpuTime) {
      double total = c.last.b - c.previous.b;
      if (total <= 0) return out.status = kInvalidData;
      value = 100.0 * (c.last.a - c.previous.a) / total;
      value = value < 0 ? 0 : value > 100 ? 100 : value;
    } else {
      double seconds = (c.last.atMs - c.previous.atMs) / 1000.0;
      if (seconds <= 0) return out.status = kInvalidData;
      value = (c.last.a - c.previous.a) / seconds;
    }
  }
  out.status = kOk;
  out.doubleValue = value;
  out.longValue = static_cast<long>(std::llround(value));
  out.largeValue = std::llround(value);
  return kOk;
}

uint32_t LookupNameByIndex(uint32_t index, std::string& name) {
  name.clear();
  for (const auto& [i, n] : kNames) {
    if (i == index) {
      name = n;
      return kOk;
    }
  }
  return kNoName;
}

}  // namespace platform::pdh
