#include "tools/pdh_query.h"

#include <cmath>
#include <cstdio>

namespace pdh = platform::pdh;

namespace {
// The name buffer of the look-up holds 260 bytes with the terminating zero.
std::string NameByIndex(long index) {
  std::string name;
  if (index < 0 || pdh::LookupNameByIndex(static_cast<uint32_t>(index), name) != pdh::kOk) return "";
  return name.size() > 259 ? name.substr(0, 259) : name;
}

std::string DecimalText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  return buf;
}

std::string HexText(double v) {
  long long n = std::llround(v);
  char buf[32];
  if (n >= INT32_MIN && n <= INT32_MAX) std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(n));
  else std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(n));
  return buf;
}
}  // namespace

std::string FormatCounterValue(const pdh::FormattedValue& value, uint32_t counterType) {
  std::string text;
  if (counterType & 0xF00 & 0x800) text = value.text;
  else if (counterType & 0xF0000) text = DecimalText(value.doubleValue);
  else text = HexText(value.doubleValue);
  switch (counterType & 0xF0000000u) {
    case 0x10000000u:
      return text + "/sec";
    case 0x20000000u:
      return text + "%";
    case 0x30000000u:
      return text + "secs";
    default:
      return text;
  }
}

clsPDHQuery::clsPDHQuery() { pdh::OpenQuery(m_query); }

clsPDHQuery::~clsPDHQuery() { pdh::CloseQuery(m_query); }

bool clsPDHQuery::IsCounterPath(const std::string& CounterPath) const {
  return pdh::ValidatePath(CounterPath) == pdh::kOk;
}

int32_t clsPDHQuery::AddCounter(const std::string& CounterPath) {
  if (!IsCounterPath(CounterPath)) return -1;
  m_counters.push_back(Record{0, CounterPath});
  uint32_t rc = pdh::AddCounter(m_query, CounterPath, m_counters.back().handle);
  if (rc != pdh::kOk) m_counters.pop_back();
  return static_cast<int32_t>(rc);
}

bool clsPDHQuery::RemoveCounter(int CounterIndex) {
  if (CounterIndex < 0 || CounterIndex >= Count()) return false;
  uint32_t rc = pdh::RemoveCounter(m_counters[static_cast<size_t>(CounterIndex)].handle);
  m_counters.erase(m_counters.begin() + CounterIndex);
  return rc == pdh::kOk;
}

int32_t clsPDHQuery::Collect() { return static_cast<int32_t>(pdh::CollectQueryData(m_query)); }

std::string clsPDHQuery::GetCounterData(int CounterIndex) const {
  if (CounterIndex < 0 || CounterIndex >= Count()) return "";
  pdh::FormattedValue value;
  uint32_t type = 0;
  if (pdh::GetFormattedValue(m_counters[static_cast<size_t>(CounterIndex)].handle, pdh::kFormatDouble, type, value) !=
          pdh::kOk ||
      value.status != pdh::kOk)
    return "";
  return FormatCounterValue(value, type);
}

std::string clsPDHQuery::GetFormatedCounter(long lObject, const std::string& strInstance, long lCounter) const {
  return "\\" + NameByIndex(lObject) + "(" + strInstance + ")\\" + NameByIndex(lCounter);
}

int clsPDHQuery::FindCounter(const std::string& path) const {
  for (size_t i = 0; i < m_counters.size(); ++i)
    if (m_counters[i].path == path) return static_cast<int>(i);
  return -1;
}
