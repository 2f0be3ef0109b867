#include "platform/accounts.h"

#include <grp.h>
#include <pwd.h>

#include <mutex>

#include "platform/faults.h"
#include "platform/machine.h"
#include "platform/scm_names.h"
#include "platform/textconv.h"

namespace platform::accounts {

namespace {

using FaultKind = faults::Kind;

int Fault(FaultKind kind) { return static_cast<int>(faults::CodeFor(kind)); }

// getpwent/getgrent walk one process-wide cursor.
std::mutex g_enumMutex;

struct OsAccount {
  std::string name;  // GBK
  unsigned id = 0;
};

std::vector<OsAccount> OsUsers() {
  std::lock_guard<std::mutex> lock(g_enumMutex);
  std::vector<OsAccount> out;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* res = nullptr;
  setpwent();
  while (getpwent_r(&pw, buf.data(), buf.size(), &res) == 0 && res)
    out.push_back({Utf8ToGbk(res->pw_name), static_cast<unsigned>(res->pw_uid)});
  endpwent();
  return out;
}

std::vector<OsAccount> OsGroups() {
  std::lock_guard<std::mutex> lock(g_enumMutex);
  std::vector<OsAccount> out;
  std::vector<char> buf(65536);
  group gr{};
  group* res = nullptr;
  setgrent();
  while (getgrent_r(&gr, buf.data(), buf.size(), &res) == 0 && res)
    out.push_back({Utf8ToGbk(res->gr_name), static_cast<unsigned>(res->gr_gid)});
  endgrent();
  return out;
}

std::string ComputerName() { return Utf8ToGbk(LoadMachineProfile().computerName); }

// Machine-local SIDs: users and groups in two ranges of one made-up domain.
std::string UserSid(unsigned uid) { return "S-1-5-21-0-0-0-" + std::to_string(1000 + uid); }
std::string GroupSid(unsigned gid) { return "S-1-5-21-0-0-1-" + std::to_string(1000 + gid); }

std::vector<Account> WellKnown() {
  std::vector<Account> out;
  out.push_back({"SYSTEM", "NT AUTHORITY", kSidSystem, Kind::WellKnownGroup});
  out.push_back({"Everyone", "", kSidEveryone, Kind::WellKnownGroup});
  std::string admins = LoadMachineProfile().adminGroupName;
  if (!admins.empty()) out.push_back({admins, "BUILTIN", kSidAdministrators, Kind::Group});
  return out;
}

}  // namespace


std::string AdministratorsName() { return LoadMachineProfile().adminGroupName; }

int ListUsers(std::vector<std::string>& out) {
  out.clear();
  if (int f = Fault(FaultKind::ListUsers)) return f;
  for (const auto& u : OsUsers()) out.push_back(u.name);
  return kOk;
}

int ListGroups(std::vector<std::string>& out) {
  out.clear();
  if (int f = Fault(FaultKind::ListGroups)) return f;
  std::string admins = AdministratorsName();
  if (!admins.empty()) out.push_back(admins);
  for (const auto& g : OsGroups())
    if (!names::Same(g.name, admins)) out.push_back(g.name);
  return kOk;
}

int LookupName(const std::string& fullName, Account& out) {
  out = Account{};
  if (int f = Fault(FaultKind::LookupName)) return f;
  // "DOMAIN\name" must name the account's own domain.
  std::string name = fullName, domain;
  bool hasDomain = false;
  auto parts = names::SplitAt(fullName, '\\');
  if (parts.size() == 2 && fullName.find("\\\\") == std::string::npos) {
    domain = parts[0];
    name = parts[1];
    hasDomain = true;
  }
  if (name.empty()) return kNoneMapped;
  auto domainFits = [&](const std::string& d) { return !hasDomain || names::Same(domain, d); };
  for (const auto& a : WellKnown()) {
    if (names::Same(a.name, name) && domainFits(a.domain)) {
      out = a;
      return kOk;
    }
  }
  std::string computer = ComputerName();
  if (!domainFits(computer)) return kNoneMapped;
  for (const auto& u : OsUsers()) {
    if (names::Same(u.name, name)) {
      out = {u.name, computer, UserSid(u.id), Kind::User};
      return kOk;
    }
  }
  for (const auto& g : OsGroups()) {
    if (names::Same(g.name, name)) {
      out = {g.name, computer, GroupSid(g.id), Kind::Group};
      return kOk;
    }
  }
  return kNoneMapped;
}

int LookupSid(const std::string& sid, Account& out) {
  out = Account{};
  if (int f = Fault(FaultKind::LookupSid)) return f;
  for (const auto& a : WellKnown()) {
    if (a.sid == sid) {
      out = a;
      return kOk;
    }
  }
  std::string computer = ComputerName();
  for (const auto& u : OsUsers()) {
    if (UserSid(u.id) == sid) {
      out = {u.name, computer, sid, Kind::User};
      return kOk;
    }
  }
  for (const auto& g : OsGroups()) {
    if (GroupSid(g.id) == sid) {
      out = {g.name, computer, sid, Kind::Group};
      return kOk;
    }
  }
  return kNoneMapped;
}

int QueryGroupsBySid(const std::string& sid, std::vector<std::string>& out) {
  out.clear();
  if (int f = Fault(FaultKind::QueryGroups)) return f;
  if (!LoadMachineProfile().wmiAnswers) return kAccessDenied;
  Account a;
  if (LookupSid(sid, a) == kOk && a.kind != Kind::User) out.push_back(a.name);
  return kOk;
}

}  // namespace platform::accounts
