#include "platform/faults.h"
#include "platform/accounts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/temp_install.h"

namespace acc = platform::accounts;

namespace {

class AccountsTest : public ::testing::Test {
 protected:
  platform::faults::Guard faults;
  qortest::TempInstall install;
};

bool Has(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

TEST_F(AccountsTest, WellKnownNamesIgnoreCase) {
  install.WriteMachineIni("admin_group=管理员组\n");
  struct Case {
    const char* asked;
    const char* name;
    const char* sid;
  } cases[] = {
      {"system", "SYSTEM", acc::kSidSystem},
      {"NT AUTHORITY\\System", "SYSTEM", acc::kSidSystem},
      {"EVERYONE", "Everyone", acc::kSidEveryone},
      {"管理员组", "管理员组", acc::kSidAdministrators},
      {"builtin\\管理员组", "管理员组", acc::kSidAdministrators},
  };
  for (const auto& c : cases) {
    acc::Account a;
    ASSERT_EQ(acc::LookupName(c.asked, a), acc::kOk) << c.asked;
    EXPECT_EQ(a.name, c.name) << c.asked;
    EXPECT_EQ(a.sid, c.sid) << c.asked;
  }
  acc::Account a;
  EXPECT_EQ(acc::LookupName("Administrators", a), acc::kNoneMapped);  // not this machine's name
  EXPECT_EQ(acc::LookupName("WRONGDOMAIN\\SYSTEM", a), acc::kNoneMapped);
  EXPECT_EQ(acc::LookupName("", a), acc::kNoneMapped);
}

TEST_F(AccountsTest, LinuxUsersAndGroupsAreLocalAccounts) {
  install.WriteMachineIni();
  std::vector<std::string> users, groups;
  ASSERT_EQ(acc::ListUsers(users), acc::kOk);
  ASSERT_EQ(acc::ListGroups(groups), acc::kOk);
  EXPECT_TRUE(Has(users, "root"));
  EXPECT_TRUE(Has(groups, "root"));
  EXPECT_TRUE(Has(groups, "Administrators"));
  EXPECT_FALSE(Has(groups, "SYSTEM"));
  EXPECT_FALSE(Has(groups, "Everyone"));
  acc::Account a;
  ASSERT_EQ(acc::LookupName("ROOT", a), acc::kOk);
  EXPECT_EQ(a.name, "root");
  EXPECT_EQ(a.kind, acc::Kind::User);
  acc::Account back;
  ASSERT_EQ(acc::LookupSid(a.sid, back), acc::kOk);
  EXPECT_EQ(back.name, "root");
  EXPECT_EQ(acc::LookupName("no-such-account-qor", a), acc::kNoneMapped);
  EXPECT_EQ(acc::LookupSid("S-1-5-99", a), acc::kNoneMapped);
}

TEST_F(AccountsTest, AdministratorsByGroupQuery) {
  install.WriteMachineIni("admin_group=Administratoren\n");
  std::vector<std::string> names;
  ASSERT_EQ(acc::QueryGroupsBySid(acc::kSidAdministrators, names), acc::kOk);
  EXPECT_EQ(names, std::vector<std::string>{"Administratoren"});
  EXPECT_EQ(acc::AdministratorsName(), "Administratoren");

  install.WriteMachineIni("wmi=0\n");
  EXPECT_EQ(acc::QueryGroupsBySid(acc::kSidAdministrators, names), acc::kAccessDenied);
  EXPECT_TRUE(names.empty());
}

TEST_F(AccountsTest, FaultHookFailsTheNamedCall) {
  faults.Fail(platform::faults::Kind::ListGroups, 2221);
  std::vector<std::string> list;
  EXPECT_EQ(acc::ListGroups(list), 2221);
  EXPECT_EQ(acc::ListUsers(list), acc::kOk);
}

}  // namespace
