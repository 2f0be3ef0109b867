#include "tools/security.h"

#include <cstdlib>
#include <vector>

#include "common/coding.h"
#include "common/filter_module.h"
#include "platform/gbk.h"
#include "platform/acl.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tools/file_tests.h"
#include "tools/windows_info.h"

namespace acl = platform::acl;

namespace {

bool ParseInteger(const std::string& text, int& out) {
  std::string t = gbk::Trim(text, " \t");
  if (t.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(t.c_str(), &end, 10);
  if (*end) return false;
  out = static_cast<int>(v);
  return true;
}

void Pause() { platform::clock::Sleep(200); }

}  // namespace

uint32_t RightsMask(const std::string& rights) {
  if (rights == "w") return acl::kGenericWrite;
  if (rights == "r") return acl::kGenericRead;
  if (rights == "e") return acl::kGenericExecute;
  if (rights == "wr" || rights == "rw") return acl::kGenericRead | acl::kGenericWrite;
  if (rights == "re" || rights == "er") return acl::kGenericRead | acl::kGenericExecute;
  if (rights == "we" || rights == "ew") return acl::kGenericWrite | acl::kGenericExecute;
  if (rights == "all" || gbk::CharCount(rights) == 3) return acl::kGenericAll;
  return 0;
}

int SetPathAcl(const std::string& path, const std::string& aclText, int keepInherited) {
  if (path.empty() || path[0] != '/' || gbk::Find(aclText, ':') == gbk::npos) return -1;
  std::vector<acl::Entry> list;
  bool any = false;
  for (const auto& item : gbk::Split(aclText + ";", ";")) {
    if (gbk::Trim(item, " \t").empty() || gbk::Find(item, ':') == gbk::npos) continue;
    std::vector<std::string> fields = gbk::Split(item, ":");
    int inherit = 0;
    if (fields.size() < 3 || !ParseInteger(fields[2], inherit)) return acl::kInvalidParameter;
    uint32_t mask = RightsMask(gbk::ToLower(fields[1]));
    if (mask == 0) continue;
    acl::Access access;
    access.trustee = fields[0];
    access.mask = mask;
    access.mode = acl::Mode::Set;
    access.inheritance = inherit == 1 ? acl::kSubContainersAndObjects : acl::kNoPropagate;
    std::vector<acl::Entry> merged;
    if (int rc = acl::Merge({access}, any ? &list : nullptr, merged)) return rc;
    list = std::move(merged);
    any = true;
  }
  // Nothing left to grant: an empty list would lock everyone out.
  if (!any) return -1;
  int rc = acl::Apply(path, list, keepInherited == 0);
  return rc == acl::kOk ? 1 : rc;
}

bool SetSystemPathSecurity(const std::string& admin) {
  const std::string folder = ProgramFolder();
  for (const char* sub : {"/iis", "/iis/log"}) {
    // A folder that cannot be made fails its own grant below, which reports it.
    if (!DirExists(folder + sub)) (void)platform::fs::MakeDir(folder + sub);
    Pause();
  }
  const std::string owners = admin + ":all:1;system:rwe:1;";
  SetPathAcl(folder, owners, 0);
  const std::string modules = folder + "/iis/" + GetBuiltinText();
  SetPathAcl(modules + filter_module::kModuleEnding32, owners + "everyone:re:0;", 0);
  SetPathAcl(modules + filter_module::kModuleEnding64, owners + "everyone:re:0;", 0);
  Pause();
  SetPathAcl(folder + "/iis/config.ini", owners + "everyone:r:0;", 0);
  Pause();
  SetPathAcl(folder + "/iis/config.db", owners + "everyone:r:0;", 0);
  Pause();
  SetPathAcl(folder + "/iis/log", owners + "everyone:wr:1;", 0);
  SetPathAcl(folder + "/log", owners, 0);
  return true;
}
