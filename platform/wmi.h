#pragma once
// The management service's query interface, as far as the programs use it: connect to a
// namespace by moniker ("winmgmts:\\\\NAME\\root\\CIMV2") and run a WQL query on the
// local groups ("SELECT * FROM Win32_Group WHERE SID = 'S-1-5-32-544'"). The answers come
// from platform::accounts; machine.ini's wmi switch says whether the service answers.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform::wmi {

// Failure codes in the form the management service returns them.
enum : uint32_t {
  kOk = 0,
  kErrAccessDenied = 0x80070005u,
  kErrUnavailable = 0x800706BAu,      // the service does not answer (or the computer is not this one)
  kErrBadMoniker = 0x800401E4u,
  kErrInvalidNamespace = 0x8004100Eu,
  kErrInvalidClass = 0x80041010u,
  kErrInvalidQuery = 0x80041017u,
};

// Query flags the callers pass (they change nothing here: answers are complete at once).
enum : int { kReturnImmediately = 16, kForwardOnly = 32 };

struct Row {
  std::vector<std::pair<std::string, std::string>> properties;
  // "" when the row has no such property (names are case-blind).
  std::string Get(const std::string& name) const;
};

class Service {
 public:
  static uint32_t Connect(const std::string& moniker, Service& out);
  // SELECT * or a list of properties FROM Win32_Group, optionally WHERE SID or Name = '...'.
  uint32_t ExecQuery(const std::string& wql, int flags, std::vector<Row>& out) const;

 private:
  bool m_connected = false;
};

}  // namespace platform::wmi
