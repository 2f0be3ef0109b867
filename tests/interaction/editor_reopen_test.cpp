// The rule editor opened, typed into, closed and opened again from the rule list page:
// the second editor takes the keys (the first one's widgets are gone by then) and
// what was typed and saved is what the store holds.
#include "tests/interaction/panel_session.h"

#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"

namespace {

using namespace res::panel;
using qortest::Journey;
using qortest::PanelSession;

TEST(EditorReopenTest, SecondEditorTakesKeysAndSavesWhatWasTyped) {
  PanelSession s;
  auto& user = s.User();
  qortest::QuietPanel panel;
  std::string firstName, secondName;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); },
         [&] { user.Click(panel, kIdcRulesTab); })
      .Then("rule list page", [&] { return user.Ready(*panel.RulesPage(), kIdcRuleAdd); },
            [&] { user.Click(*panel.RulesPage(), kIdcRuleAdd); })
      .Then("first editor", [&] { return user.Showing(kDlgRuleBase); },
            [&] {
              user.Type(*user.Find(kDlgRuleBase), kIdcBaseName, "x");
              firstName = user.Text(*user.Find(kDlgRuleBase), kIdcBaseName);
              user.Click(*user.Find(kDlgRuleEditor), kIdCancel);
            })
      .Then("editor closed", [&] { return !user.Find(kDlgRuleEditor) && user.Ready(*panel.RulesPage(), kIdcRuleAdd); },
            [&] { user.Click(*panel.RulesPage(), kIdcRuleAdd); })
      .Then("second editor", [&] { return user.Showing(kDlgRuleBase); },
            [&] {
              user.Type(*user.Find(kDlgRuleBase), kIdcBaseName, "y");
              secondName = user.Text(*user.Find(kDlgRuleBase), kIdcBaseName);
              user.Click(*user.Find(kDlgRuleEditor), kIdOk);
            })
      .Then("saved box", [&] { return user.BoxShows() && user.BoxCaption() == "Qor"; },
            [&] { user.AnswerBox("确定"); })
      .Then("saved", [&] { return !user.Find(kDlgRuleEditor) && user.Ready(panel, kIdcCloseButton); },
            [&] { user.CloseBox(panel); });
  j.Start();
  panel.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_TRUE(j.Finished());

  EXPECT_EQ(firstName, "新任务名1x");
  EXPECT_EQ(secondName, "新任务名1y");
  const auto stored = s.ReadStore();
  ASSERT_TRUE(stored.loaded);
  ASSERT_EQ(stored.rules.size(), 1u);
  // The closed editor's edit is gone; the saved one holds what was typed.
  EXPECT_EQ(rule::ReadTag(stored.rules[0], rule::kName), "新任务名1y");
  EXPECT_EQ(rule::ReadTag(stored.rules[0], rule::kOn), "1");
}

}  // namespace
