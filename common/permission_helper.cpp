#include "common/permission_helper.h"

#include <cstdio>

#include "platform/gbk.h"
#include "platform/ui/ui_hooks.h"
#include "platform/accounts.h"
#include "platform/acl.h"
#include "platform/fs.h"
#include "platform/textconv.h"

namespace {

bool ListHas(const StringList& list, const std::string& name) {
  for (const auto& n : list)
    if (gbk::EqualsNoCase(n, name)) return true;
  return false;
}

// The account look-up's name buffers hold 100 bytes with the terminating zero.
constexpr size_t kMaxNameBytes = 99;

}  // namespace

PermissionHelper::PermissionHelper() {
  EnumUsers(m_users);
  EnumGroups(m_groups);
}

int64_t PermissionHelper::ParsePermission(const std::string& p) {
  if (p == "w") return 0x40000000;
  if (p == "r") return 0x80000000;
  if (p == "rw" || p == "wr") return 0xC0000000;
  if (p == "rwd" || p == "wrd") return 0xC0010000;
  if (p == "e") return 0x20000000;
  if (p == "re" || p == "er") return 0xA0000000;
  if (p == "red" || p == "erd") return 0xA0010000;
  if (p == "we" || p == "ew") return 0x60000000;
  if (p == "all") return 0x10000000;
  return -1;
}

int PermissionHelper::EnumUsers(StringList& list) {
  StringList names;
  if (platform::accounts::ListUsers(names) != platform::accounts::kOk) return 0;
  list.insert(list.end(), names.begin(), names.end());
  return 1;
}

int PermissionHelper::EnumGroups(StringList& list) {
  StringList names;
  int status = platform::accounts::ListGroups(names);
  if (status != platform::accounts::kOk) {
    char text[96];
    snprintf(text, sizeof text, "NetUserEnum: FAILED.  ERROR: %u", static_cast<unsigned>(status));
    ShowMessageBox(text, "ERROR", kMbOk | kMbIconError);
    return 0;
  }
  list.insert(list.end(), names.begin(), names.end());
  list.push_back("SYSTEM");
  list.push_back("Everyone");
  return 1;
}

bool PermissionHelper::IsLocalUser(const std::string& name) {
  m_users.clear();
  if (!EnumUsers(m_users)) return false;
  return ListHas(m_users, name);
}

bool PermissionHelper::IsLocalGroup(const std::string& name) {
  if (m_groups.empty() && !EnumGroups(m_groups)) return false;
  return ListHas(m_groups, name);
}

std::string PermissionHelper::GetAdministratorsName() {
  platform::accounts::Account a;
  if (platform::accounts::LookupSid(platform::accounts::kSidAdministrators, a) != platform::accounts::kOk) return {};
  if (a.name.size() > kMaxNameBytes || a.domain.size() > kMaxNameBytes) return {};
  return a.name;
}

std::string PermissionHelper::SetPathPermission(const std::string& permission, const std::string& account,
                                                const std::string& path, int replace) {
  namespace acl = platform::acl;
  char buf[1024];
  if (account.empty() || permission.empty() || path.empty()) return "设置文件（夹）权限时传入的值不能为空";
  int64_t mask = ParsePermission(permission);
  if (mask == -1) return "无效的权限信息：" + permission;
  if (!IsLocalUser(account) && !IsLocalGroup(account)) return "无效的用户名：" + account;
  // The path is the OS's (UTF-8); the texts are GBK.
  const std::string shownPath = platform::Utf8ToGbk(path);
  if (!platform::fs::Exists(path)) return "路径名无效：" + shownPath;

  acl::Acl old;
  int rc = acl::Read(path, old);
  if (rc != acl::kOk) {
    snprintf(buf, sizeof buf, "GetNamedSecurityInfo：%s，错误号：%d", shownPath.c_str(), rc);
    return buf;
  }
  acl::Access access{account, static_cast<uint32_t>(mask), acl::Mode::Grant, acl::kSubContainersAndObjects};
  std::vector<acl::Entry> merged;
  rc = acl::Merge({access}, replace ? nullptr : &old.entries, merged);
  if (rc != acl::kOk) {
    snprintf(buf, sizeof buf, "SetEntriesInAcl失败：%d", rc);
    return buf;
  }
  rc = acl::Apply(path, merged, true);
  if (rc != acl::kOk) {
    snprintf(buf, sizeof buf, "SetNamedSecutiryInfo失败：%s，错误号：%d", shownPath.c_str(), rc);
    return buf;
  }
  return {};
}
