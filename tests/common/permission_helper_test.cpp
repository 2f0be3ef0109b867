#include "common/permission_helper.h"

#include <gtest/gtest.h>

#include "platform/faults.h"
#include "platform/ui/ui_hooks.h"
#include "platform/accounts.h"
#include "platform/acl.h"
#include "platform/fs.h"
#include "platform/textconv.h"
#include "tests/support/temp_install.h"

namespace acl = platform::acl;
namespace fs = platform::fs;

namespace {

TEST(ParsePermissionTest, ExactTextsOnly) {
  struct Case {
    const char* text;
    int64_t mask;
  } cases[] = {
      {"w", 0x40000000},   {"r", 0x80000000},   {"rw", 0xC0000000},  {"wr", 0xC0000000},
      {"rwd", 0xC0010000}, {"wrd", 0xC0010000}, {"e", 0x20000000},   {"re", 0xA0000000},
      {"er", 0xA0000000},  {"red", 0xA0010000}, {"erd", 0xA0010000}, {"we", 0x60000000},
      {"ew", 0x60000000},  {"all", 0x10000000}, {"RW", -1},          {"d", -1},
      {"ALL", -1},         {"rwe", -1},         {"", -1},            {" r", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(PermissionHelper::ParsePermission(c.text), c.mask) << c.text;
}

using platform::faults::Kind;

class PermissionHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install.WriteMachineIni("admin_group=管理员\n");
    dir = install.ProgramDir() + "iis/log";
    file = install.ProgramDir() + "iis/config.db";
    ASSERT_EQ(fs::WriteFile(file, "x"), fs::kOk);
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
  }
  platform::faults::Guard faults;
  acl::Acl Read(const std::string& path) {
    acl::Acl a;
    EXPECT_EQ(acl::Read(path, a), acl::kOk);
    return a;
  }

  qortest::TempInstall install;
  std::string dir, file;
};

TEST_F(PermissionHelperTest, ChecksRunInOrder) {
  const std::string missing = install.ProgramDir() + "iis/qorip64.dll";
  struct Case {
    std::string permission, account, path, result;
  } cases[] = {
      {"", "Everyone", dir, "设置文件（夹）权限时传入的值不能为空"},
      {"r", "", dir, "设置文件（夹）权限时传入的值不能为空"},
      {"r", "Everyone", "", "设置文件（夹）权限时传入的值不能为空"},
      {"", "nobody-qor", missing, "设置文件（夹）权限时传入的值不能为空"},
      {"RW", "nobody-qor", missing, "无效的权限信息：RW"},
      {"rw", "nobody-qor", missing, "无效的用户名：nobody-qor"},
      {"re", "everyone", missing, "路径名无效：" + missing},
  };
  PermissionHelper h;
  for (const auto& c : cases)
    EXPECT_EQ(h.SetPathPermission(c.permission, c.account, c.path, 0), c.result) << c.permission << "/" << c.account;
  EXPECT_TRUE(Read(dir).entries.empty());  // nothing was changed
}

TEST_F(PermissionHelperTest, PathsInTheTextsAreGbk) {
  PermissionHelper h;
  const std::string shown = "网站/qorip.dll";
  const std::string missing = install.ProgramDir() + platform::GbkToUtf8(shown);
  EXPECT_EQ(h.SetPathPermission("re", "everyone", missing, 0), "路径名无效：" + install.ProgramDir() + shown);
  EXPECT_EQ(fs::MakeDirs(install.ProgramDir() + platform::GbkToUtf8("网站")), fs::kOk);
  ASSERT_EQ(fs::WriteFile(missing, "MZ"), fs::kOk);
  faults.Fail(Kind::AclApply, 32);
  EXPECT_EQ(h.SetPathPermission("re", "everyone", missing, 0),
            "SetNamedSecutiryInfo失败：" + install.ProgramDir() + shown + "，错误号：32");
}

TEST_F(PermissionHelperTest, GrantMergesOrReplacesAndProtects) {
  PermissionHelper h;
  // The repair's sequence on the program folder, then the log folder below it.
  ASSERT_EQ(h.SetPathPermission("all", "管理员", install.ProgramDir(), 1), "");
  ASSERT_EQ(h.SetPathPermission("all", "SYSTEM", install.ProgramDir(), 0), "");
  ASSERT_EQ(h.SetPathPermission("rw", "everyone", dir, 0), "");

  acl::Acl top = Read(install.ProgramDir());
  EXPECT_TRUE(top.isProtected);
  ASSERT_EQ(top.entries.size(), 2u);
  EXPECT_EQ(top.entries[0].trustee, "管理员");
  EXPECT_EQ(top.entries[0].mask, 0x10000000u);
  EXPECT_EQ(top.entries[0].inheritance, 3u);

  // Not replaced: the two inherited entries stay, as copies, beside the new one.
  acl::Acl log = Read(dir);
  EXPECT_TRUE(log.isProtected);
  ASSERT_EQ(log.entries.size(), 3u);
  bool everyone = false;
  for (const auto& e : log.entries) {
    EXPECT_FALSE(e.inherited);
    everyone = everyone || (e.trustee == "Everyone" && e.mask == 0xC0000000u);
  }
  EXPECT_TRUE(everyone);

  // Replaced: exactly one entry.
  ASSERT_EQ(h.SetPathPermission("r", "Everyone", dir, 1), "");
  log = Read(dir);
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_EQ(log.entries[0].mask, 0x80000000u);
}

TEST_F(PermissionHelperTest, PlatformFailuresGiveTheirTexts) {
  PermissionHelper h;
  ASSERT_EQ(h.SetPathPermission("r", "Everyone", file, 1), "");
  struct Case {
    Kind kind;
    int code;
    std::string result;
  } cases[] = {
      {Kind::AclRead, 5, "GetNamedSecurityInfo：" + file + "，错误号：5"},
      {Kind::AclMerge, 1332, "SetEntriesInAcl失败：1332"},
      {Kind::AclApply, 32, "SetNamedSecutiryInfo失败：" + file + "，错误号：32"},
  };
  for (const auto& c : cases) {
    faults.Fail(c.kind, c.code);
    EXPECT_EQ(h.SetPathPermission("all", "SYSTEM", file, 1), c.result);
    faults.Reset();
    acl::Acl a = Read(file);
    ASSERT_EQ(a.entries.size(), 1u);
    EXPECT_EQ(a.entries[0].trustee, "Everyone");
  }
}

TEST_F(PermissionHelperTest, AccountLists) {
  PermissionHelper h;
  EXPECT_TRUE(h.IsLocalUser("ROOT"));
  EXPECT_FALSE(h.IsLocalUser("SYSTEM"));
  EXPECT_TRUE(h.IsLocalGroup("system"));
  EXPECT_TRUE(h.IsLocalGroup("EVERYONE"));
  EXPECT_TRUE(h.IsLocalGroup("管理员"));
  EXPECT_FALSE(h.IsLocalGroup("nobody-qor"));
  StringList groups;
  ASSERT_EQ(h.EnumGroups(groups), 1);
  ASSERT_GE(groups.size(), 3u);
  EXPECT_EQ(groups[groups.size() - 2], "SYSTEM");
  EXPECT_EQ(groups.back(), "Everyone");
}

TEST_F(PermissionHelperTest, GroupEnumerationFailureIsShown) {
  std::vector<std::string> shown;
  unsigned flags = 0;
  SetMessageBoxHook([&](const std::string& text, const std::string& caption, unsigned f) {
    shown.push_back(caption + "|" + text);
    flags = f;
    return kIdOk;
  });
  faults.Fail(Kind::ListGroups, 2220);
  PermissionHelper h;  // the constructor enumerates too
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "ERROR|NetUserEnum: FAILED.  ERROR: 2220");
  EXPECT_EQ(flags, static_cast<unsigned>(kMbIconError));
  StringList list;
  EXPECT_EQ(h.EnumGroups(list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(h.IsLocalGroup("SYSTEM"));
  EXPECT_EQ(h.SetPathPermission("r", "SYSTEM", file, 0), "无效的用户名：SYSTEM");
  // A failing user list is silent.
  faults.When([](const platform::faults::Call& c) {
    const bool accounts = c.kind >= Kind::ListUsers && c.kind <= Kind::QueryGroups;
    return accounts ? platform::faults::Fault::Fail(5) : platform::faults::Fault{};
  });
  shown.clear();
  EXPECT_EQ(h.EnumUsers(list), 0);
  EXPECT_FALSE(h.IsLocalUser("root"));
  EXPECT_TRUE(shown.empty());
}

TEST_F(PermissionHelperTest, AdministratorsName) {
  PermissionHelper h;
  EXPECT_EQ(h.GetAdministratorsName(), "管理员");
  install.WriteMachineIni("admin_group=\n");
  EXPECT_EQ(h.GetAdministratorsName(), "");
}

}  // namespace
