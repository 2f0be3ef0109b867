// The rule list page: the rows, add and edit through the editor, delete, the menu and
// the refusal while the IP library downloads.
#include "panel/prop_dlg_rule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/op_log.h"
#include "common/program_paths.h"
#include "platform/ui/ui_hooks.h"
#include "panel/dlg_rule.h"
#include "resources/panel_ids.h"
#include "resources/panel_rule_ids.h"
#include "tests/panel/rule_test_fixture.h"

namespace {

using namespace res::panel;

// The editor replaced by a script step.
class ScriptedRulePage : public CPropDlgRule {
 public:
  using CPropDlgRule::CPropDlgRule;
  std::function<int()> editor;
  int runs = 0;

 protected:
  int RunEditor() override {
    ++runs;
    return editor ? editor() : CPropDlgRule::RunEditor();
  }
};

class PropDlgRuleTest : public qortest::RuleTest {
 protected:
  PropDlgRuleTest() : m_main(kDlgAbout) {
    g_LogDir = m_install.ProgramDir() + "log/";
    m_config.SetLogOn("1");
    SetOpLogConfig(&m_config);
    m_main.Create();
    m_main.ShowWindow(ui::ShowMode::Show);
  }
  ~PropDlgRuleTest() override { SetOpLogConfig(nullptr); }
  void Open(ScriptedRulePage& page) { ASSERT_TRUE(page.Create(&m_main)); }
  std::string OpLogText() {
    std::string all;
    if (!std::filesystem::exists(g_LogDir)) return all;
    for (const auto& entry : std::filesystem::directory_iterator(g_LogDir)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      all += ss.str();
    }
    return all;
  }
  ui::Dialog m_main;
};

TEST_F(PropDlgRuleTest, RowsShowNumberNameSitesAndState) {
  StoreRules({Rule("a", "<KeySites>|x.com|y.com|</KeySites>"), Rule("b", "<KeyOn>0</KeyOn>"),
              Rule("c", "<KeyOn>1</KeyOn>")});
  ScriptedRulePage page(Context());
  Open(page);
  ui::ListCtrl& list = page.List();
  ASSERT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(list.ColumnCount(), 4);
  EXPECT_EQ(list.ColumnWidth(3), 0);
  EXPECT_EQ(list.GetItemText(0, 0), "1");
  EXPECT_EQ(list.GetItemText(2, 0), "3");
  EXPECT_EQ(list.GetItemText(0, 1), "a");
  EXPECT_EQ(list.GetItemText(0, 2), "|x.com|y.com|");
  EXPECT_TRUE(list.GetCheck(0));
  EXPECT_FALSE(list.GetCheck(1));
  EXPECT_TRUE(list.GetCheck(2));
  EXPECT_EQ(page.ItemText(kIdcRuleCount), "任务规则列表(一共 3 条)");
  EXPECT_EQ(page.ItemText(kIdcRuleProgress), "完成.");
  EXPECT_EQ(m_config.m_listRules.size(), 3u);
}

TEST_F(PropDlgRuleTest, EmptyListDoubleClickOpensTheEditorForANewRule) {
  ScriptedRulePage page(Context());
  Open(page);
  EXPECT_EQ(page.ItemText(kIdcRuleCount), "任务规则列表(一共 0 条)");
  m_config.m_nEditIndex = 4;
  m_config.m_strEditName = "old";
  page.editor = [] { return int(kIdCancel); };
  page.DoubleClick(kIdcRuleList);
  EXPECT_EQ(page.runs, 1);
  EXPECT_EQ(m_config.m_nEditIndex, -1);
  EXPECT_EQ(m_config.m_strEditName, "");
  EXPECT_EQ(m_needRestart, 0);
}

TEST_F(PropDlgRuleTest, NewRuleSavedInTheEditorIsAddedAtTheEnd) {
  StoreRules({Rule("a")});
  ScriptedRulePage page(Context());
  Open(page);
  Host().WhenShown(kDlgRuleEditor, [](ui::Dialog& e) { e.Click(kIdOk); });
  Host().ExpectMessageBox("保存完毕", kIdOk);
  page.Click(kIdcRuleAdd);
  ASSERT_EQ(page.List().GetItemCount(), 2);
  EXPECT_EQ(page.List().GetItemText(1, 0), "2");
  EXPECT_EQ(page.List().GetItemText(1, 1), "新任务名2");
  EXPECT_EQ(m_needRestart, 1);
  EXPECT_TRUE(m_main.IsVisible());
}

TEST_F(PropDlgRuleTest, MainWindowHidesWhileTheEditorRunsAndComesBack) {
  ScriptedRulePage page(Context());
  Open(page);
  bool hiddenDuring = false;
  page.editor = [&] {
    Host().RunFor(250);
    hiddenDuring = !m_main.IsVisible();
    return int(kIdCancel);
  };
  page.Click(kIdcRuleAdd);
  EXPECT_TRUE(hiddenDuring);
  EXPECT_TRUE(m_main.IsVisible());
  EXPECT_FALSE(Host().HasTimer(page, 1));
}

TEST_F(PropDlgRuleTest, EditedRuleIsShownWithItsNewNameAndKeepsItsRow) {
  StoreRules({Rule("a"), Rule("b")});
  ScriptedRulePage page(Context());
  Open(page);
  page.ClickRow(kIdcRuleList, 1);
  Host().WhenShown(kDlgRuleEditor, [](ui::Dialog& d) {
    auto& e = static_cast<CDlgRule&>(d);
    e.BasicGroup().Page(CPropRuleBase::kBase)->UserEdit(kIdcBaseName, "b2");
    e.Click(kIdOk);
  });
  Host().ExpectMessageBox("保存完毕", kIdOk);
  page.Click(kIdcRuleEdit);
  EXPECT_EQ(m_config.m_nEditIndex, 1);
  ASSERT_EQ(page.List().GetItemCount(), 2);
  EXPECT_EQ(page.List().GetItemText(1, 1), "b2");
  EXPECT_EQ(m_needRestart, 1);
}

TEST_F(PropDlgRuleTest, EditWithoutSelectionDoesNothing) {
  StoreRules({Rule("a")});
  ScriptedRulePage page(Context());
  Open(page);
  m_ipLibUpdating = true;
  page.Click(kIdcRuleEdit);  // no message: the selection test comes first
  EXPECT_EQ(page.runs, 0);
}

TEST_F(PropDlgRuleTest, AddAndEditAreRefusedWhileTheIpLibraryDownloads) {
  StoreRules({Rule("a")});
  ScriptedRulePage page(Context());
  Open(page);
  m_ipLibUpdating = true;
  Host().ExpectMessageBox("正在更新IP库，暂时无法操作，请稍等...", kIdOk);
  page.Click(kIdcRuleAdd);
  page.ClickRow(kIdcRuleList, 0);
  Host().ExpectMessageBox("正在更新IP库", kIdOk);
  page.Click(kIdcRuleEdit);
  EXPECT_EQ(page.runs, 0);
}

TEST_F(PropDlgRuleTest, DeleteAnsweredNoChangesNothing) {
  StoreRules({Rule("a"), Rule("b")});
  ScriptedRulePage page(Context());
  Open(page);
  page.ClickRow(kIdcRuleList, 0);
  Host().ExpectMessageBox("确定要删除限制规则[a]吗？", kIdNo);
  page.Click(kIdcRuleDelete);
  EXPECT_EQ(page.List().GetItemCount(), 2);
  EXPECT_EQ(StoredRules().size(), 2u);
  EXPECT_EQ(OpLogText().find("删除限制规则"), std::string::npos);
  EXPECT_EQ(m_needRestart, 0);
}

TEST_F(PropDlgRuleTest, DeleteAnsweredYesRemovesTheRuleAndLogsIt) {
  StoreRules({Rule("a"), Rule("b"), Rule("c")});
  ScriptedRulePage page(Context());
  Open(page);
  page.ClickRow(kIdcRuleList, 1);
  Host().ExpectMessageBox("[b]", kIdYes);
  page.Click(kIdcRuleDelete);
  EXPECT_EQ(StoredRules(), (StringList{Rule("a"), Rule("c")}));
  ASSERT_EQ(page.List().GetItemCount(), 2);
  EXPECT_EQ(page.List().GetItemText(1, 0), "2");
  EXPECT_EQ(page.ItemText(kIdcRuleCount), "任务规则列表(一共 2 条)");
  EXPECT_NE(OpLogText().find("[保存]删除限制规则:b"), std::string::npos);
  EXPECT_EQ(m_needRestart, 1);
}

TEST_F(PropDlgRuleTest, DeleteRemovesTheSelectedRowWhenNamesRepeat) {
  StoreRules({Rule("a", "<KeyOn>1</KeyOn>"), Rule("b"), Rule("a", "<KeyOn>0</KeyOn>")});
  ScriptedRulePage page(Context());
  Open(page);
  page.ClickRow(kIdcRuleList, 2);
  Host().ExpectMessageBox("[a]", kIdYes);
  page.Click(kIdcRuleDelete);
  EXPECT_EQ(StoredRules(), (StringList{Rule("a", "<KeyOn>1</KeyOn>"), Rule("b")}));
}

TEST_F(PropDlgRuleTest, FailedDeleteIsReportedNotLoggedAndKeepsTheRows) {
  StoreRules({Rule("a"), Rule("b")});
  ScriptedRulePage page(Context());
  Open(page);
  page.ClickRow(kIdcRuleList, 0);
  // The store's path points into a folder that does not exist.
  m_config.SetPath(m_install.ProgramDir() + "missing/dir/config.db");
  Host().ExpectMessageBox("[a]", kIdYes);
  Host().ExpectMessageBox("删除失败", kIdOk);
  page.Click(kIdcRuleDelete);
  EXPECT_EQ(page.List().GetItemCount(), 2);
  EXPECT_EQ(OpLogText().find("删除限制规则"), std::string::npos);
  EXPECT_EQ(m_needRestart, 0);
}

TEST_F(PropDlgRuleTest, DeleteWithoutSelectionAsksNothing) {
  StoreRules({Rule("a")});
  ScriptedRulePage page(Context());
  Open(page);
  page.Click(kIdcRuleDelete);
  EXPECT_EQ(StoredRules().size(), 1u);
}

TEST_F(PropDlgRuleTest, MenuCommandsReachTheirOperations) {
  StoreRules({Rule("a")});
  ScriptedRulePage page(Context());
  Open(page);
  // Refresh picks up what another save stored.
  CConfig other;
  other.Load();
  other.SetRuleData(CConfig::JoinRuleList({Rule("a"), Rule("z")}));
  ASSERT_EQ(other.Save(), 1);
  m_config.Load();
  Host().ExpectMenu(kCmdRuleRefresh);
  page.RightClick(kIdcRuleList, -1, ui::Point{10, 10});
  Host().RunPending();
  EXPECT_EQ(page.List().GetItemCount(), 2);
  ASSERT_EQ(Host().Menus().size(), 1u);
  EXPECT_EQ(Host().Menus()[0].commands,
            (std::vector<int>{kCmdRuleAdd, kCmdRuleEdit, kCmdRuleDelete, kCmdRuleRefresh}));
  // Add and edit open one editor each, after the menu has closed.
  page.editor = [] { return int(kIdCancel); };
  ASSERT_TRUE(page.ClickRow(kIdcRuleList, 0));
  for (int command : {kCmdRuleAdd, kCmdRuleEdit}) {
    SCOPED_TRACE(command);
    page.runs = 0;
    Host().ExpectMenu(command);
    page.RightClick(kIdcRuleList, 0, ui::Point{10, 10});
    Host().RunPending();
    EXPECT_EQ(page.runs, 1);
  }
}

TEST_F(PropDlgRuleTest, DeleteFromTheMenuAsksOnceAndDeletesTheChosenRuleOnly) {
  StoreRules({Rule("a"), Rule("b"), Rule("c")});
  ScriptedRulePage page(Context());
  Open(page);
  ASSERT_TRUE(page.ClickRow(kIdcRuleList, 0));
  Host().ExpectMenu(kCmdRuleDelete);
  Host().ExpectMessageBox("[a]", kIdYes);
  page.RightClick(kIdcRuleList, 0, ui::Point{10, 10});
  Host().RunPending();
  EXPECT_EQ(Host().MessageBoxes().size(), 1u);
  ASSERT_EQ(StoredRules().size(), 2u);
  EXPECT_EQ(page.List().GetItemCount(), 2);
}

TEST_F(PropDlgRuleTest, AClickOnARowBoxLeavesItShowingTheRuleState) {
  StoreRules({Rule("a", "<KeyOn>1</KeyOn>"), Rule("b", "<KeyOn>0</KeyOn>")});
  ScriptedRulePage page(Context());
  Open(page);
  page.UserCheckRow(kIdcRuleList, 0, false);
  page.UserCheckRow(kIdcRuleList, 1, true);
  EXPECT_TRUE(page.List().GetCheck(0));
  EXPECT_FALSE(page.List().GetCheck(1));
  EXPECT_EQ(StoredRules(), (StringList{Rule("a", "<KeyOn>1</KeyOn>"), Rule("b", "<KeyOn>0</KeyOn>")}));
}

TEST_F(PropDlgRuleTest, EnterAndEscapeNeverCloseThePage) {
  ScriptedRulePage page(Context());
  Open(page);
  EXPECT_TRUE(Host().PressKey(page, ui::Key::Escape));
  EXPECT_TRUE(Host().PressKey(page, ui::Key::Enter));
  EXPECT_TRUE(page.IsCreated());
}

}  // namespace
