// The keyboard and the mouse at the panel's lists and caption as a person uses them:
// Tab and Shift+Tab leave a list for the next control (the arrows move inside it), a
// tap on the caption band leaves the window where it is.
#include "tests/interaction/panel_session.h"

#include <algorithm>
#include <set>

#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"
#include "panel/dlg_rule.h"
#include "common/config.h"
#include <atomic>

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

// Enabled, showing tab stops of a dialog and of the pages it shows (a page may use
// an id its dialog uses too).
std::vector<int> TabStops(ui::Dialog& dlg) {
  std::vector<int> ids;
  if (!dlg.IsVisible()) return ids;
  for (const auto& c : dlg.Controls())
    if ((c->style & ui::style::kTabStop) && dlg.IsItemVisible(c->id) && dlg.IsItemEnabled(c->id)) ids.push_back(c->id);
  for (ui::Dialog* page : dlg.Children())
    for (int id : TabStops(*page)) ids.push_back(id);
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

// From the first control, Tab reaches every enabled control of the editor and its
// page and comes back round; Shift+Tab goes the other way.
TEST(KeyboardTest, TabGoesRoundTheRuleEditor) {
  PanelSession s;
  auto& user = s.User();
  CConfig config;
  std::atomic<bool> updating{false};
  std::atomic<int> restart{0};
  std::string domains;
  CDlgRule editor(RuleContext{config, updating, restart, domains, ui::Font{}});
  std::vector<int> stops;
  std::vector<int> forward, backward;
  int first = 0, tickDark = -1;
  Journey j;
  j.Then("editor", [&] { return user.Showing(kDlgRuleBase); },
         [&] {
           // 开启任务 is ticked and enabled: its tick is drawn dark (its text is white).
           tickDark = PanelSession::PixelsDarkerThan(user.Picture(editor, kIdcEditorOn), 70);
           stops = TabStops(editor);
           first = user.FocusId();
           forward = Walk(user, editor, Hand::Tab, static_cast<int>(stops.size()));
           backward = Walk(user, editor, Hand::ShiftTab, static_cast<int>(stops.size()));
           user.Click(editor, kIdCancel);
         });
  j.Start();
  editor.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_GT(tickDark, 0);
  // The editor opens at its first control, not at the caption's close box.
  EXPECT_EQ(first, kIdcEditorBasic);
  const std::set<int> all(stops.begin(), stops.end());
  EXPECT_EQ(std::set<int>(forward.begin(), forward.end()), all) << ::testing::PrintToString(forward);
  EXPECT_EQ(forward.back(), first);
  EXPECT_EQ(std::set<int>(backward.begin(), backward.end()), all) << ::testing::PrintToString(backward);
  EXPECT_EQ(backward.back(), first);
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
