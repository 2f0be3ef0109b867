// The keyboard and the mouse at the panel's lists and caption as a person uses them:
// Tab and Shift+Tab leave a list for the next control (the arrows move inside it), a
// tap on the caption band leaves the window where it is.
#include "tests/interaction/panel_session.h"

#include <algorithm>

#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"

namespace {

using namespace res::panel;
using qortest::Hand;
using qortest::Journey;
using qortest::PanelSession;

// The controls the focus visits from the list on, one key at a time.
std::vector<int> Walk(qortest::QtUser& user, ui::Dialog& window, Hand key, int presses) {
  std::vector<int> ids;
  for (int i = 0; i < presses; ++i) {
    user.Press(window, key);
    ids.push_back(user.FocusId());
  }
  return ids;
}

bool Has(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

TEST(KeyboardTest, TabLeavesTheRuleListAndTheViewerDays) {
  PanelSession s;
  s.Install().WriteProgramFile("log/qor2026-12-08.log", "2026-12-8 9:00:00\tIP\t拦截访问\t10.1.1.1\t上海市\n");
  auto& user = s.User();
  qortest::QuietPanel panel;
  std::vector<int> ruleTabs, ruleBackTabs, dayTabs;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); }, [&] { user.Click(panel, kIdcRulesTab); })
      .Then("rule list", [&] { return user.Ready(*panel.RulesPage(), kIdcRuleList) && user.IsActive(panel); },
            [&] {
              user.Click(*panel.RulesPage(), kIdcRuleList);
              ruleTabs = Walk(user, panel, Hand::Tab, 4);
              user.Click(*panel.RulesPage(), kIdcRuleList);
              ruleBackTabs = Walk(user, panel, Hand::ShiftTab, 2);
              user.Click(panel, kIdcLogsTab);
            })
      .Then("log page", [&] { return user.Ready(*panel.LogsPage(), kIdcLogShowDetail); },
            [&] { user.Click(*panel.LogsPage(), kIdcLogShowDetail); })
      .Then("viewer", [&] { return user.Showing(kDlgLogShow) && user.RowCount(*user.Find(kDlgLogShow), kIdcShowDays) > 0; },
            [&] {
              ui::Dialog& viewer = *user.Find(kDlgLogShow);
              user.ClickRow(viewer, kIdcShowDays, 0, 0);
              dayTabs = Walk(user, viewer, Hand::Tab, 2);
              user.CloseBox(viewer);
            })
      .Then("viewer closed", [&] { return !user.Find(kDlgLogShow) && user.Ready(panel, kIdcCloseButton); },
            [&] { user.Click(panel, kIdcCloseButton); });
  s.ThenPanelCloses(j, panel);
  j.Start();
  panel.DoModal();
  ASSERT_EQ(j.Failure(), "");
  // Tab goes from the list to the page's buttons; Shift+Tab leaves it the other way.
  EXPECT_TRUE(Has(ruleTabs, kIdcRuleAdd) && Has(ruleTabs, kIdcRuleEdit) && Has(ruleTabs, kIdcRuleDelete))
      << ::testing::PrintToString(ruleTabs);
  EXPECT_NE(ruleBackTabs.at(0), kIdcRuleList) << ::testing::PrintToString(ruleBackTabs);
  ASSERT_FALSE(dayTabs.empty());
  EXPECT_NE(dayTabs[0], kIdcShowDays) << ::testing::PrintToString(dayTabs);
}

// A tap on the caption band (press and release with no hold) leaves the window where
// it is, also once the pointer goes on.
TEST(KeyboardTest, ATapOnTheCaptionLeavesTheWindowInPlace) {
  PanelSession s;
  auto& user = s.User();
  qortest::QuietPanel panel;
  ui::Rect before, after;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); },
         [&] {
           before = user.ScreenRect(panel);
           user.TapCaption(panel);
           user.MovePointer(before.left + 200, before.top + 150);
           user.MovePointer(before.left + 260, before.top + 190);
           after = user.ScreenRect(panel);
           user.Click(panel, kIdcCloseButton);
         });
  s.ThenPanelCloses(j, panel);
  j.Start();
  panel.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
}

}  // namespace
