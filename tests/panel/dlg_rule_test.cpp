// The rule editor frame: loading the rule under edit, the save through every page,
// refusals that keep the editor open, and the group switch.
#include "panel/dlg_rule.h"

#include <gtest/gtest.h>

#include "platform/ui/ui_hooks.h"
#include "panel/prop_rule_base_base.h"
#include "resources/panel_rule_ids.h"
#include "tests/panel/rule_test_fixture.h"

namespace {

using namespace res::panel;

class DlgRuleTest : public qortest::RuleTest {
 protected:
  // Runs the editor; action plays the user once it shows.
  int RunEditor(std::function<void(CDlgRule&)> action) {
    CDlgRule editor(Context());
    Host().WhenShown(kDlgRuleEditor, [&](ui::Dialog&) { action(editor); });
    return editor.DoModal();
  }
  static CPropRuleBaseBase& BasePage(CDlgRule& editor) {
    return static_cast<CPropRuleBaseBase&>(*editor.BasicGroup().Page(CPropRuleBase::kBase));
  }
  void EditAt(int index, const std::string& name) {
    m_config.m_nEditIndex = index;
    m_config.m_strEditName = name;
  }
};

TEST_F(DlgRuleTest, NewRuleSavedUnchangedIsAppendedWithItsDefaults) {
  StoreRules({Rule("a")});
  m_config.m_listRules = StoredRules();
  EditAt(-1, "");
  Host().ExpectMessageBox("保存完毕，重启IIS立即生效。", kIdOk);
  EXPECT_EQ(RunEditor([](CDlgRule& e) { e.Click(kIdOk); }), kIdOk);
  const StringList stored = StoredRules();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0], Rule("a"));
  const std::string& r = stored[1];
  EXPECT_EQ(rule::ReadTag(r, rule::kName), "新任务名2");
  EXPECT_EQ(rule::ReadTag(r, rule::kNoteType), "4");
  EXPECT_EQ(rule::ReadTag(r, rule::kSendReason), "1");
  EXPECT_EQ(rule::ReadTag(r, rule::kOn), "1");
  // KeyOn comes after every page's tags.
  EXPECT_GT(r.find("<KeyOn>"), r.find("<KeyOsDataOther>"));
  // What the pages show a new rule is what the record defines for it, tag for tag.
  EXPECT_EQ(r, rule::NewRuleText(1));
}

TEST_F(DlgRuleTest, EditedRuleKeepsItsPlaceAndClearedEnableStoresZero) {
  StoreRules({Rule("a"), Rule("b", "<KeyNoteType>1</KeyNoteType>"), Rule("c")});
  m_config.m_listRules = StoredRules();
  EditAt(1, "b");
  Host().ExpectMessageBox("保存完毕", kIdOk);
  EXPECT_EQ(RunEditor([](CDlgRule& e) {
              EXPECT_EQ(e.IsItemChecked(kIdcEditorOn), 1);
              EXPECT_EQ(BasePage(e).ItemText(kIdcBaseName), "b");
              e.Click(kIdcEditorOn);
              e.Click(kIdOk);
            }),
            kIdOk);
  const StringList stored = StoredRules();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(rule::ReadTag(stored[1], rule::kName), "b");
  EXPECT_EQ(rule::ReadTag(stored[1], rule::kOn), "0");
  EXPECT_EQ(rule::ReadTag(stored[1], rule::kNoteType), "1");
  EXPECT_EQ(stored[0], Rule("a"));
  EXPECT_EQ(stored[2], Rule("c"));
}

TEST_F(DlgRuleTest, ARuleWithoutANameIsReplacedAtItsPlace) {
  StoreRules({Rule("a"), "<KeyName></KeyName><KeyOn>1</KeyOn>", Rule("c")});
  m_config.m_listRules = StoredRules();
  EditAt(1, "");
  Host().ExpectMessageBox("保存完毕", kIdOk);
  EXPECT_EQ(RunEditor([](CDlgRule& e) {
              BasePage(e).UserEdit(kIdcBaseName, "b");
              e.Click(kIdOk);
            }),
            kIdOk);
  const StringList stored = StoredRules();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[0], Rule("a"));
  EXPECT_EQ(rule::ReadTag(stored[1], rule::kName), "b");
  EXPECT_EQ(stored[2], Rule("c"));
}

TEST_F(DlgRuleTest, StoredDisabledRuleLoadsUnticked) {
  StoreRules({Rule("a", "<KeyOn>0</KeyOn>")});
  EditAt(0, "a");
  EXPECT_EQ(RunEditor([](CDlgRule& e) {
              EXPECT_EQ(e.IsItemChecked(kIdcEditorOn), 0);
              e.Click(kIdCancel);
            }),
            kIdCancel);
}

TEST_F(DlgRuleTest, CloseWaysStoreNothing) {
  for (int closer : {int(kIdCancel), kIdcEditorCloseText, kIdcEditorClose}) {
    StoreRules({Rule("a")});
    EditAt(0, "a");
    EXPECT_EQ(RunEditor([closer](CDlgRule& e) {
                BasePage(e).UserEdit(kIdcBaseName, "changed");
                e.Click(kIdcEditorOn);
                e.SendCommand(closer);
              }),
              kIdCancel);
    EXPECT_EQ(StoredRules(), StringList{Rule("a")});
  }
}

TEST_F(DlgRuleTest, RefusedPageKeepsTheEditorOpenAndTheStoreUnchangedThenSavesAfterCorrection) {
  StoreRules({Rule("a"), Rule("b")});
  EditAt(1, "b");
  Host().ExpectMessageBox("任务名重复", kIdOk);
  Host().ExpectMessageBox("保存完毕", kIdOk);
  EXPECT_EQ(RunEditor([this](CDlgRule& e) {
              BasePage(e).UserEdit(kIdcBaseName, "a");
              e.Click(kIdOk);
              EXPECT_FALSE(e.HasEnded());
              EXPECT_TRUE(e.IsItemEnabled(kIdOk));
              EXPECT_EQ(m_config.m_strEditRule, Rule("b"));
              EXPECT_EQ(StoredRules(), (StringList{Rule("a"), Rule("b")}));
              BasePage(e).UserEdit(kIdcBaseName, "b2");
              e.Click(kIdOk);
            }),
            kIdOk);
  const StringList stored = StoredRules();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(rule::ReadTag(stored[1], rule::kName), "b2");
}

TEST_F(DlgRuleTest, SaveIsRefusedWhileTheIpLibraryDownloads) {
  m_ipLibUpdating = true;
  Host().ExpectMessageBox("正在更新IP库，请稍后。。。", kIdOk);
  EXPECT_EQ(RunEditor([this](CDlgRule& e) {
              e.Click(kIdOk);
              EXPECT_FALSE(e.HasEnded());
              m_ipLibUpdating = false;
              e.Click(kIdCancel);
            }),
            kIdCancel);
  EXPECT_TRUE(StoredRules().empty());
}

TEST_F(DlgRuleTest, FailedWriteIsReportedAndLeavesTheListAsItWas) {
  StoreRules({Rule("a")});
  m_config.m_listRules = StoredRules();
  EditAt(-1, "");
  // The store's path points into a folder that does not exist.
  m_config.SetPath(m_install.ProgramDir() + "missing/dir/config.db");
  Host().ExpectMessageBox("保存失败", kIdOk);
  EXPECT_EQ(RunEditor([this](CDlgRule& e) {
              e.Click(kIdOk);
              EXPECT_FALSE(e.HasEnded());
              EXPECT_EQ(m_config.m_listRules.size(), 1u);
              e.Click(kIdCancel);
            }),
            kIdCancel);
}

TEST_F(DlgRuleTest, RuleGoneFromTheStoreIsEditedAsANewOne) {
  StoreRules({Rule("a")});
  EditAt(5, "zzz");
  Host().ExpectMessageBox("保存完毕", kIdOk);
  EXPECT_EQ(RunEditor([](CDlgRule& e) { e.Click(kIdOk); }), kIdOk);
  const StringList stored = StoredRules();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0], Rule("a"));
}

TEST_F(DlgRuleTest, GroupSwitchShowsOneGroupAtATime) {
  RunEditor([](CDlgRule& e) {
    EXPECT_EQ(e.CurrentGroup(), &e.BasicGroup());
    EXPECT_TRUE(e.BasicGroup().IsVisible());
    EXPECT_FALSE(e.AdvancedGroup().IsVisible());
    e.Click(kIdcEditorAdvanced);
    EXPECT_EQ(e.CurrentGroup(), &e.AdvancedGroup());
    EXPECT_FALSE(e.BasicGroup().IsVisible());
    EXPECT_TRUE(e.AdvancedGroup().IsVisible());
    e.Click(kIdcEditorAdvanced);
    EXPECT_TRUE(e.AdvancedGroup().IsVisible());
    // Pages inside a group switch the same way.
    e.Click(kIdcEditorBasic);
    CPropRuleBase& basic = e.BasicGroup();
    EXPECT_EQ(basic.CurrentPage(), basic.Page(CPropRuleBase::kBase));
    basic.Click(kIdcShowUrl);
    EXPECT_EQ(basic.CurrentPage(), basic.Page(CPropRuleBase::kUrl));
    EXPECT_FALSE(basic.Page(CPropRuleBase::kBase)->IsVisible());
    EXPECT_TRUE(basic.Page(CPropRuleBase::kUrl)->IsVisible());
    basic.Click(kIdcBaseLabel);
    EXPECT_EQ(basic.CurrentPage(), basic.Page(CPropRuleBase::kUrl));
    e.Click(kIdCancel);
  });
  EXPECT_EQ(Host().LogStartingWith("caption 132").back(), "caption 132 Qor·网站访问控制系统 - 规则设置");
}

}  // namespace
