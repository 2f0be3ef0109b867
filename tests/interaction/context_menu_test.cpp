// Context-menu commands chosen with the mouse run once: 删除规则 on the rule list asks
// one question and deletes the chosen rule only; 修改规则 opens one editor.
#include "tests/interaction/panel_session.h"

#include "common/config.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"

namespace {

using namespace res::panel;
using qortest::Journey;
using qortest::PanelSession;

TEST(ContextMenuTest, DeleteAsksOnceAndEditOpensOneEditor) {
  PanelSession s;
  {
    CConfig config(Build::Panel);
    config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
    config.Load();
    StringList rules;
    for (const char* name : {"甲", "乙", "丙"}) {
      std::string text;
      ASSERT_TRUE(rule::WriteTag(text, rule::kName, name));
      rules.push_back(text);
    }
    config.SetRuleData(CConfig::JoinRuleList(rules));
    ASSERT_EQ(config.Save(), 1);
  }
  auto& user = s.User();
  qortest::QuietPanel panel;
  // Every question the panel asks, in the order they were answered.
  std::vector<std::string> questions;
  int editors = 0;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); }, [&] { user.Click(panel, kIdcRulesTab); })
      .Then("rule list", [&] { return user.Ready(*panel.RulesPage(), kIdcRuleList) && user.RowCount(*panel.RulesPage(), kIdcRuleList) == 3; },
            [&] {
              user.ClickRow(*panel.RulesPage(), kIdcRuleList, 0);
              user.RightClickRow(*panel.RulesPage(), kIdcRuleList, 0);
            })
      .Then("menu", [&] { return user.MenuShows(); }, [&] { user.ChooseMenu("删除规则(&D)"); })
      .Then("question", [&] { return user.BoxIsModalTop() && user.BoxCaption() == "确认？"; },
            [&] {
              questions.push_back(user.BoxText());
              user.AnswerBox("是(&Y)");
            })
      // A second question stands here when the command ran twice; it is declined.
      .Then("deleted", [&] { return user.BoxIsModalTop() || user.RowCount(*panel.RulesPage(), kIdcRuleList) != 3; },
            [&] {
              if (!user.BoxShows()) return;
              questions.push_back(user.BoxText());
              user.AnswerBox("否(&N)");
            })
      // 修改规则 opens one editor, and closing it gives the main window back.
      .Then("rule list again", [&] { return !user.BoxShows() && user.Ready(*panel.RulesPage(), kIdcRuleList) && user.IsActive(panel); },
            [&] {
              user.ClickRow(*panel.RulesPage(), kIdcRuleList, 0);
              user.RightClickRow(*panel.RulesPage(), kIdcRuleList, 0);
            })
      .Then("menu again", [&] { return user.MenuShows(); }, [&] { user.ChooseMenu("修改规则(&M)"); })
      .Then("editor", [&] { return user.Showing(kDlgRuleEditor); },
            [&] {
              editors = user.CountOpen(kDlgRuleEditor);
              user.Click(*user.Find(kDlgRuleEditor), kIdCancel);
            })
      .Then("close", [&] { return !user.BoxShows() && !user.Find(kDlgRuleEditor) && user.Ready(panel, kIdcCloseButton); },
            [&] { user.Click(panel, kIdcCloseButton); });
  s.ThenPanelCloses(j, panel);
  j.Start();
  panel.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_EQ(questions, (std::vector<std::string>{"确定要删除限制规则[甲]吗？"}));
  EXPECT_EQ(editors, 1);
  const auto stored = s.ReadStore();
  ASSERT_EQ(stored.rules.size(), 2u);
  EXPECT_EQ(rule::ReadTag(stored.rules[0], rule::kName), "乙");
  EXPECT_EQ(rule::ReadTag(stored.rules[1], rule::kName), "丙");
}

}  // namespace
