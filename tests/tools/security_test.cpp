#include "tools/security.h"

#include <gtest/gtest.h>

#include "platform/acl.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"
#include "tools/account.h"

namespace acl = platform::acl;

namespace {

std::string Describe(const std::vector<acl::Entry>& entries) {
  std::string out;
  char buf[96];
  for (const auto& e : entries) {
    std::snprintf(buf, sizeof buf, "%s:%08X:%u%s;", e.trustee.c_str(), e.mask, e.inheritance, e.inherited ? "i" : "");
    out += buf;
  }
  return out;
}

std::string AclOf(const std::string& path, bool* isProtected = nullptr) {
  acl::Acl a;
  if (acl::Read(path, a) != acl::kOk) return "<missing>";
  if (isProtected) *isProtected = a.isProtected;
  return Describe(a.entries);
}

}  // namespace

TEST(Security, RightsTable) {
  struct Case {
    const char* rights;
    uint32_t mask;
  } cases[] = {
      {"w", 0x40000000}, {"r", 0x80000000},  {"e", 0x20000000},  {"wr", 0xC0000000}, {"rw", 0xC0000000},
      {"re", 0xA0000000}, {"er", 0xA0000000}, {"we", 0x60000000}, {"ew", 0x60000000}, {"all", 0x10000000},
      {"rwe", 0x10000000}, {"xyz", 0x10000000}, {"表格x", 0x10000000}, {"x", 0},        {"", 0},
      {"ww", 0},          {"rwed", 0},         {"表格", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RightsMask(c.rights), c.mask) << c.rights;
}

TEST(Security, SetPathAclInputs) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  const std::string dir = inst.ProgramDir() + "iis";
  struct Case {
    const char* aclText;
    int result;
    const char* acl;  // nullptr: unchanged
  } cases[] = {
      {"Administrators:all:1;system:rwe:1;", 1, "Administrators:10000000:3;SYSTEM:10000000:3;"},
      {"everyone:RW:1", 1, "Everyone:C0000000:3;"},
      {"everyone:r:0;;system:e:7", 1, "Everyone:80000000:4;SYSTEM:20000000:4;"},
      {"everyone:xyz:1;system:x:1", 1, "Everyone:10000000:3;"},
      {"everyone:r:1;everyone:w:1", 1, "Everyone:40000000:3;"},  // the later entry replaces
      {"everyone:x:1;system:q:0", -1, nullptr},                // nothing left: nothing applied
      {"no colon here", -1, nullptr},
      {"everyone:r", 87, nullptr},
      {"everyone:r:one", 87, nullptr},
      {"nobody-known:r:1", 1332, nullptr},
      {" everyone:r:1", 1332, nullptr},  // the trustee is taken as it stands
  };
  std::string last = AclOf(dir);
  for (const auto& c : cases) {
    EXPECT_EQ(SetPathAcl(dir, c.aclText, 0), c.result) << c.aclText;
    std::string now = AclOf(dir);
    EXPECT_EQ(now, c.acl ? c.acl : last) << c.aclText;
    last = now;
  }
  EXPECT_EQ(SetPathAcl("", "everyone:r:1", 0), -1);
  EXPECT_EQ(SetPathAcl("iis/log", "everyone:r:1", 0), -1);  // relative: no drive
  EXPECT_EQ(SetPathAcl(inst.ProgramDir() + "missing", "everyone:r:1", 0), acl::kFileNotFound);
}

TEST(Security, KeepInheritedDecidesProtection) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();
  const std::string parent = inst.ProgramDir() + "iis", child = parent + "/log";
  ASSERT_EQ(SetPathAcl(parent, "system:all:1", 0), 1);
  bool isProtected = false;
  ASSERT_EQ(SetPathAcl(child, "everyone:w:0", 1), 1);
  EXPECT_EQ(AclOf(child, &isProtected), "Everyone:40000000:4;SYSTEM:10000000:3i;");
  EXPECT_FALSE(isProtected);
  ASSERT_EQ(SetPathAcl(child, "everyone:w:0", 0), 1);
  EXPECT_EQ(AclOf(child, &isProtected), "Everyone:40000000:4;");
  EXPECT_TRUE(isProtected);
}

TEST(Security, SystemPathPermissionSet) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("admin_group=管理员组\n");
  ASSERT_EQ(platform::fs::RemoveTree(inst.ProgramDir() + "iis"), platform::fs::kOk);
  inst.WriteProgramFile("iis/qorip.dll", "MZ");  // no 64-bit module, no config.db
  inst.WriteProgramFile("iis/config.ini", "[System]\n");
  ASSERT_FALSE(platform::fs::Exists(inst.ProgramDir() + "iis/log"));  // the call below makes it
  platform::clock::SetFake(1767225600);
  ASSERT_EQ(GetAdministratorsName(), "管理员组");
  EXPECT_TRUE(SetSystemPathSecurity(GetAdministratorsName()));
  platform::clock::ClearFake();

  const std::string p = inst.ProgramDir(), owners = "管理员组:10000000:3;SYSTEM:10000000:3;";
  EXPECT_EQ(AclOf(p), owners);
  EXPECT_EQ(AclOf(p + "iis/qorip.dll"), owners + "Everyone:A0000000:4;");
  EXPECT_EQ(AclOf(p + "iis/qorip64.dll"), "<missing>");
  EXPECT_EQ(AclOf(p + "iis/config.ini"), owners + "Everyone:80000000:4;");
  EXPECT_EQ(AclOf(p + "iis/log"), owners + "Everyone:C0000000:3;");
  EXPECT_EQ(AclOf(p + "log"), owners);
  bool isProtected = false;
  AclOf(p + "iis/log", &isProtected);
  EXPECT_TRUE(isProtected);
}

TEST(Security, AdministratorsNameFallsBack) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("admin_group=Administratoren\n");
  EXPECT_EQ(GetAdministratorsName(), "Administratoren");
  inst.WriteMachineIni("admin_group=Administratoren\nwmi=0\n");
  EXPECT_EQ(GetAdministratorsName(), "Administrators");
}
