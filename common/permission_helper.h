#pragma once
// Grants a local account or group a permission on a file or folder, given as a short
// permission text, and finds the local name of the Administrators group.
#include <cstdint>
#include <string>

#include "common/build.h"

class PermissionHelper {
 public:
  // Fills the user and the group list.
  PermissionHelper();

  // "w", "r", "rw"/"wr", "rwd"/"wrd", "e", "re"/"er", "red"/"erd", "we"/"ew", "all"
  // (exact case) to an access mask; -1 for any other text.
  static int64_t ParsePermission(const std::string& permission);
  // Empty on success, else the error message. replace drops every other entry of the
  // path; either way the path stops taking entries from its parent folder.
  std::string SetPathPermission(const std::string& permission, const std::string& account, const std::string& path,
                                int replace);
  // Enumerates the users again on every call.
  bool IsLocalUser(const std::string& name);
  // Enumerates the groups once; "SYSTEM" and "Everyone" count as groups.
  bool IsLocalGroup(const std::string& name);
  // Appends the names: 1, or 0 on failure.
  int EnumUsers(StringList& list);
  // Appends the names and then "SYSTEM" and "Everyone": 1, or 0 on failure (shown in
  // a message box).
  int EnumGroups(StringList& list);
  // Empty when it cannot be found.
  std::string GetAdministratorsName();

 private:
  StringList m_users;
  StringList m_groups;
};
