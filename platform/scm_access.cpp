#include "platform/scm_access.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/accounts.h"
#include "platform/scm.h"
#include "platform/scm_names.h"
#include "platform/textconv.h"

namespace platform::scm::access {

namespace {

bool InGroupNamed(uid_t uid, const std::string& groupName) {
  if (groupName.empty()) return false;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) != 0 || !found) return false;
  std::vector<gid_t> groups(64);
  int n = static_cast<int>(groups.size());
  if (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &n) < 0) {
    groups.resize(static_cast<size_t>(n));
    if (::getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &n) < 0) return false;
  }
  groups.resize(static_cast<size_t>(n));
  std::vector<char> gbuf(16384);
  for (gid_t gid : groups) {
    group gr{};
    group* g = nullptr;
    if (::getgrgid_r(gid, &gr, gbuf.data(), gbuf.size(), &g) == 0 && g &&
        names::Same(Utf8ToGbk(g->gr_name), groupName))
      return true;
  }
  return false;
}

}  // namespace

bool IsAdministrator(uid_t uid) { return uid == 0 || InGroupNamed(uid, accounts::AdministratorsName()); }

bool Allowed(uid_t uid, Right right) {
  switch (right) {
    case Right::Query:
    case Right::UserControl:
      return true;
    case Right::Control:
    case Right::Start:
    case Right::Change:
      return IsAdministrator(uid);
  }
  return false;
}

Right RightOf(uint32_t control) {
  if (control == kControlInterrogate) return Right::Query;
  if (control >= kFirstCustomControl) return Right::UserControl;
  return Right::Control;
}

bool MayI(Right right) { return Allowed(::geteuid(), right); }

}  // namespace platform::scm::access
