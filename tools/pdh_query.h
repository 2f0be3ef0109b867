#pragma once
// One performance-counter query: counters added and removed by path, samples collected
// on demand, values as text. A library class of the toolbox; no switch uses it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/pdh.h"

// The value as text by the counter type: a text counter's text; a number with a decimal
// subtype in decimal, else in hexadecimal; then "/sec", "%" or "secs" by the display bits.
std::string FormatCounterValue(const platform::pdh::FormattedValue& value, uint32_t counterType);

class clsPDHQuery {
 public:
  clsPDHQuery();   // opens the query
  ~clsPDHQuery();  // closes it
  clsPDHQuery(const clsPDHQuery&) = delete;
  clsPDHQuery& operator=(const clsPDHQuery&) = delete;

  int Count() const { return static_cast<int>(m_counters.size()); }
  bool IsCounterPath(const std::string& CounterPath) const;
  // -1 for a path that does not validate; otherwise the library's status, 0 when the
  // counter was added (its index is then Count() - 1).
  int32_t AddCounter(const std::string& CounterPath);
  // False for an index outside 0 to Count() - 1; later counters move down by one.
  bool RemoveCounter(int CounterIndex);
  int32_t Collect();
  // "" for an index outside 0 to Count() - 1 or when the library has no value.
  std::string GetCounterData(int CounterIndex) const;
  // "\" + object name + "(" + instance + ")\" + counter name, names by index.
  std::string GetFormatedCounter(long lObject, const std::string& strInstance, long lCounter) const;

 private:
  struct Record {
    platform::pdh::CounterHandle handle = 0;
    std::string path;
  };
  int FindCounter(const std::string& path) const;

  platform::pdh::QueryHandle m_query = 0;
  std::vector<Record> m_counters;
};
