#pragma once
// Performance counters, read from /proc: queries that hold counters named by path
// ("\Processor(_Total)\% Processor Time", "\Memory\Available MBytes"), samples collected
// on demand and values formatted as numbers. Rates and percentages need two samples.
//
// Objects and counters: Processor (instances _Total, 0, 1, ...): % Processor Time;
// Memory: Available Bytes, Available MBytes, Committed Bytes; System: System Up Time,
// Context Switches/sec, Processor Queue Length.
#include <cstdint>
#include <functional>
#include <string>

namespace platform::pdh {

// Status codes in the form the performance library returns them.
enum : uint32_t {
  kOk = 0,
  kNoInstance = 0x800007D1u,
  kNoData = 0x800007D5u,          // a query without counters
  kNoObject = 0xC0000BB8u,
  kNoCounter = 0xC0000BB9u,
  kInvalidHandle = 0xC0000BBCu,
  kInvalidArgument = 0xC0000BBDu,
  kBadCounterName = 0xC0000BC0u,
  kInvalidData = 0xC0000BC6u,     // no usable sample yet
  kNoName = 0xC0000BD7u,          // no name for that index
};

// Formats a value can be asked in.
enum : uint32_t { kFormatLong = 0x100, kFormatDouble = 0x200, kFormatLarge = 0x400 };

// Counter types: size/type bits, a subtype, and a display suffix in the top four bits.
enum : uint32_t {
  kTypeRawCount = 0x00010000u,       // a number as it is
  kTypeLargeRawCount = 0x00010100u,
  kTypeRate = 0x10410400u,           // per second ("/sec")
  kTypePercentTime = 0x21510500u,    // share of processor time ("%")
  kTypeElapsed = 0x30240500u,        // seconds since a start ("secs")
};

using QueryHandle = uint64_t;
using CounterHandle = uint64_t;

struct FormattedValue {
  uint32_t status = kInvalidData;
  long longValue = 0;
  double doubleValue = 0;
  long long largeValue = 0;
  std::string text;  // text counters only
};

uint32_t OpenQuery(QueryHandle& out);
// Closes the query and its counters.
uint32_t CloseQuery(QueryHandle query);
// kOk for a path of a known object, instance and counter.
uint32_t ValidatePath(const std::string& path);
uint32_t AddCounter(QueryHandle query, const std::string& path, CounterHandle& out);
uint32_t RemoveCounter(CounterHandle counter);
// One sample of every counter of the query.
uint32_t CollectQueryData(QueryHandle query);
uint32_t GetFormattedValue(CounterHandle counter, uint32_t format, uint32_t& type, FormattedValue& out);
// The name of an object or counter index (2 System, 4 Memory, 6 % Processor Time,
// 238 Processor, ...).
uint32_t LookupNameByIndex(uint32_t index, std::string& name);

// Test double: supplies the content of /proc/stat, /proc/meminfo and /proc/uptime.
using ProcReader = std::function<bool(const std::string& path, std::string& out)>;
void SetProcReaderForTests(ProcReader reader);

}  // namespace platform::pdh
