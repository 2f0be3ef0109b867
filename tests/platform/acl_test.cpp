#include "platform/acl.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace acl = platform::acl;
namespace fs = platform::fs;

namespace {

class AclTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install.WriteMachineIni();
    root = install.ProgramDir() + "tree";
    ASSERT_EQ(fs::MakeDirs(root + "/sub/deeper"), fs::kOk);
    ASSERT_EQ(fs::WriteFile(root + "/file.txt", "x"), fs::kOk);
    ASSERT_EQ(fs::WriteFile(root + "/sub/inner.txt", "x"), fs::kOk);
  }

  // Grants on path, replacing its own list.
  void Give(const std::string& path, std::vector<acl::Access> accesses, bool isProtected = false) {
    std::vector<acl::Entry> list;
    ASSERT_EQ(acl::Merge(accesses, nullptr, list), acl::kOk);
    ASSERT_EQ(acl::Apply(path, list, isProtected), acl::kOk);
  }

  qortest::TempInstall install;
  std::string root;
};

std::vector<acl::Entry> Of(const std::string& path) {
  acl::Acl a;
  EXPECT_EQ(acl::Read(path, a), acl::kOk) << path;
  return a.entries;
}

TEST_F(AclTest, MissingPathAndUnknownTrustee) {
  acl::Acl a;
  EXPECT_EQ(acl::Read(root + "/none", a), acl::kFileNotFound);
  EXPECT_EQ(acl::Apply(root + "/none", {}, true), acl::kFileNotFound);
  std::vector<acl::Entry> out;
  EXPECT_EQ(acl::Merge({{"nobody-qor-test", acl::kGenericRead, acl::Mode::Grant, 0}}, nullptr, out), acl::kNoneMapped);
}

TEST_F(AclTest, GrantMergesAndSetReplaces) {
  std::vector<acl::Entry> list;
  ASSERT_EQ(acl::Merge({{"everyone", acl::kGenericRead, acl::Mode::Grant, 3},
                        {"SYSTEM", acl::kGenericAll, acl::Mode::Grant, 3},
                        {"Everyone", acl::kGenericWrite, acl::Mode::Grant, 3}},
                       nullptr, list),
            acl::kOk);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].trustee, "Everyone");
  EXPECT_EQ(list[0].mask, acl::kGenericRead | acl::kGenericWrite);

  std::vector<acl::Entry> set;
  ASSERT_EQ(acl::Merge({{"EVERYONE", acl::kGenericExecute, acl::Mode::Set, 0}}, &list, set), acl::kOk);
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(set[0].trustee, "SYSTEM");
  EXPECT_EQ(set[1].trustee, "Everyone");
  EXPECT_EQ(set[1].mask, acl::kGenericExecute);
  EXPECT_EQ(set[1].inheritance, 0u);

  // A grant with other inheritance is an entry of its own.
  std::vector<acl::Entry> two;
  ASSERT_EQ(acl::Merge({{"SYSTEM", acl::kGenericRead, acl::Mode::Grant, 0}}, &list, two), acl::kOk);
  EXPECT_EQ(two.size(), 3u);
}

TEST_F(AclTest, InheritanceFollowsTheFlags) {
  Give(root, {{"Everyone", acl::kGenericRead, acl::Mode::Grant, acl::kSubContainersAndObjects},
              {"SYSTEM", acl::kGenericAll, acl::Mode::Grant, acl::kObjectInherit},
              {"Administrators", acl::kGenericWrite, acl::Mode::Grant, acl::kContainerInherit | acl::kNoPropagate}});

  auto file = Of(root + "/file.txt");
  ASSERT_EQ(file.size(), 2u);  // files take object-inherit entries only
  EXPECT_TRUE(file[0].inherited);
  EXPECT_EQ(file[0].inheritance, 0u);

  auto sub = Of(root + "/sub");
  ASSERT_EQ(sub.size(), 3u);
  for (const auto& e : sub) {
    EXPECT_TRUE(e.inherited);
    if (e.trustee == "SYSTEM") {
      EXPECT_EQ(e.inheritance, acl::kObjectInherit | acl::kInheritOnly);
    } else if (e.trustee == "Administrators") {
      EXPECT_EQ(e.inheritance, 0u);  // stops here
    }
  }
  auto deeper = Of(root + "/sub/deeper");
  ASSERT_EQ(deeper.size(), 2u);  // Everyone and the passing SYSTEM entry
  auto inner = Of(root + "/sub/inner.txt");
  ASSERT_EQ(inner.size(), 2u);
}

TEST_F(AclTest, ProtectedStopsInheritanceAndKeepsCopies) {
  Give(root, {{"Everyone", acl::kGenericRead, acl::Mode::Grant, acl::kSubContainersAndObjects}});
  acl::Acl sub;
  ASSERT_EQ(acl::Read(root + "/sub", sub), acl::kOk);
  ASSERT_EQ(sub.entries.size(), 1u);
  EXPECT_FALSE(sub.isProtected);

  // Protecting with the inherited entries in the list turns them into explicit copies.
  ASSERT_EQ(acl::Apply(root + "/sub", sub.entries, true), acl::kOk);
  Give(root, {{"SYSTEM", acl::kGenericAll, acl::Mode::Grant, acl::kSubContainersAndObjects}});
  ASSERT_EQ(acl::Read(root + "/sub", sub), acl::kOk);
  EXPECT_TRUE(sub.isProtected);
  ASSERT_EQ(sub.entries.size(), 1u);
  EXPECT_EQ(sub.entries[0].trustee, "Everyone");
  EXPECT_FALSE(sub.entries[0].inherited);

  // Unprotected again: inherited entries in the list are dropped, the parent's apply.
  ASSERT_EQ(acl::Apply(root + "/sub/inner.txt", Of(root + "/sub/inner.txt"), false), acl::kOk);
  auto inner = Of(root + "/sub/inner.txt");
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_TRUE(inner[0].inherited);
}

TEST_F(AclTest, PathsAreResolved) {
  Give(root + "/sub/", {{"SYSTEM", acl::kGenericAll, acl::Mode::Grant, 0}}, true);
  acl::Acl a;
  ASSERT_EQ(acl::Read(root + "/sub/../sub", a), acl::kOk);
  EXPECT_TRUE(a.isProtected);
  EXPECT_EQ(a.entries.size(), 1u);
  ASSERT_EQ(acl::Clear(root + "/sub"), acl::kOk);
  ASSERT_EQ(acl::Read(root + "/sub", a), acl::kOk);
  EXPECT_FALSE(a.isProtected);
  EXPECT_TRUE(a.entries.empty());
}

}  // namespace
