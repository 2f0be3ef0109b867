#pragma once
// The accounts of the emulated machine: the Linux users and groups, plus the
// well-known SYSTEM and Everyone and the Administrators group under the local name
// that machine.ini gives (admin_group, "Administrators" when unset). Names are GBK;
// look-ups ignore case, as Windows does.
#include <functional>
#include <string>
#include <vector>

namespace platform::accounts {

// The module's one result: every look-up below answers an int that is one of these
// Windows codes (0 when found), and the answer must be looked at ([[nodiscard]]).
enum : int {
  kOk = 0,
  kAccessDenied = 5,
  kNoneMapped = 1332,  // no account of that name or SID
};

// Well-known security identifiers the programs use.
constexpr const char* kSidSystem = "S-1-5-18";
constexpr const char* kSidEveryone = "S-1-1-0";
constexpr const char* kSidAdministrators = "S-1-5-32-544";

enum class Kind { User, Group, WellKnownGroup };

struct Account {
  std::string name;    // canonical case
  std::string domain;  // computer name, "NT AUTHORITY" or "BUILTIN"
  std::string sid;
  Kind kind = Kind::User;
};

// Local user accounts (the Linux users), by name.
[[nodiscard]] int ListUsers(std::vector<std::string>& out);
// Local groups: the Linux groups and the Administrators group (not SYSTEM or Everyone,
// which Windows does not list as local groups).
[[nodiscard]] int ListGroups(std::vector<std::string>& out);
// Any account or group by name, well-known ones included: 0 or 1332.
[[nodiscard]] int LookupName(const std::string& name, Account& out);
// By SID text ("S-1-5-32-544"): 0 or 1332.
[[nodiscard]] int LookupSid(const std::string& sid, Account& out);
// Names of the groups with that SID, as the management service's group query
// answers; 5 when machine.ini says the management service does not answer.
[[nodiscard]] int QueryGroupsBySid(const std::string& sid, std::vector<std::string>& out);
// The local name of the Administrators group.
std::string AdministratorsName();

// Each call asks the fault table (platform/faults.h, kinds ListUsers .. QueryGroups)
// first; a code it gives is the call's answer.

}  // namespace platform::accounts
