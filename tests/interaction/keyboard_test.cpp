// The keyboard and the mouse at the panel's windows as a person uses them: Tab and
// Shift+Tab go round every window and page (a radio group is one stop, the arrows
// move inside it and inside a list), a disabled control keeps the focus, Esc closes
// the rule editor from every page, a tap on the caption band leaves the window where
// it is and a drag moves it.
#include "tests/interaction/panel_session.h"

#include <algorithm>
#include <set>

#include "platform/ui/resource_set.h"
#include "resources/panel_ids.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"
#include "resources/panel_ruleext_ids.h"
#include "panel/dlg_base_sel_sites.h"
#include "panel/dlg_rule.h"
#include "common/config.h"
#include "common/rule_record.h"
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
// an id its dialog uses too); a group of radio buttons is one stop, its checked one.
std::vector<int> TabStops(ui::Dialog& dlg) {
  std::vector<int> ids;
  if (!dlg.IsVisible()) return ids;
  for (const auto& control : dlg.Controls()) {
    const ui::Control& c = *control;
    if (!(c.style & ui::style::kTabStop) || !dlg.IsItemVisible(c.id) || !dlg.IsItemEnabled(c.id)) continue;
    if (c.kind == ui::ControlKind::RadioButton && !c.check) continue;
    ids.push_back(c.id);
  }
  for (ui::Dialog* page : dlg.Children())
    for (int id : TabStops(*page)) ids.push_back(id);
  return ids;
}

// The dialog and the pages it shows.
void Shown(ui::Dialog& dlg, std::vector<ui::Dialog*>& out) {
  if (!dlg.IsVisible()) return;
  out.push_back(&dlg);
  for (ui::Dialog* page : dlg.Children()) Shown(*page, out);
}

// One window's round: its tab stops as its templates define them, and the controls
// Tab and Shift+Tab visit from the first stop on, as many presses as there are stops.
struct Round {
  std::string where;
  std::vector<int> stops, forward, backward;
  // The first stop disabled keeps the focus through a Space; enabled again, has it.
  bool keptWhileDisabled = false, backWhenEnabled = false;
  // Boxes that do not show the start of their text; radio buttons the arrows failed.
  std::vector<int> scrolled, radios;
};

// The first enabled, showing tab stop of the dialog or of a page it shows.
ui::Dialog* FirstStopOwner(ui::Dialog& dlg, int id) {
  for (const auto& c : dlg.Controls())
    if (c->id == id && (c->style & ui::style::kTabStop) && dlg.IsItemVisible(id) && dlg.IsItemEnabled(id)) return &dlg;
  for (ui::Dialog* page : dlg.Children())
    if (page->IsVisible())
      if (ui::Dialog* owner = FirstStopOwner(*page, id)) return owner;
  return nullptr;
}

Round GoRound(qortest::QtUser& user, ui::Dialog& window, std::string where) {
  Round r{std::move(where), TabStops(window), {}, {}};
  if (r.stops.empty()) return r;
  std::vector<ui::Dialog*> dialogs;
  Shown(window, dialogs);
  for (ui::Dialog* d : dialogs)
    for (const auto& c : d->Controls())
      if (c->kind == ui::ControlKind::Edit && !c->IsMultiline() && c->visible && !user.ShowsTextStart(*d, c->id))
        r.scrolled.push_back(c->id);
  ui::Dialog& owner = *FirstStopOwner(window, r.stops[0]);
  owner.SetFocusItem(r.stops[0]);
  owner.EnableItem(r.stops[0], false);
  user.Press(window, Hand::Space);
  r.keptWhileDisabled = user.FocusId() == r.stops[0];
  owner.EnableItem(r.stops[0], true);
  r.backWhenEnabled = user.HasFocus(owner, r.stops[0]);
  // From each checked radio button Down checks the next one of its group, Up the first again.
  for (ui::Dialog* d : dialogs)
    for (size_t i = 0; i + 1 < d->Controls().size(); ++i) {
      const ui::Control &c = *d->Controls()[i], &next = *d->Controls()[i + 1];
      if (c.kind != ui::ControlKind::RadioButton || next.kind != c.kind || !c.check || (next.style & ui::style::kGroup)) continue;
      d->SetFocusItem(c.id);
      user.Press(window, Hand::Down);
      const int down = next.check ? user.FocusId() : 0;
      user.Press(window, Hand::Up);
      if (down != next.id || user.FocusId() != c.id || !c.check) r.radios.push_back(c.id);
    }
  owner.SetFocusItem(r.stops[0]);
  const int n = static_cast<int>(r.stops.size());
  r.forward = Walk(user, window, Hand::Tab, n);
  r.backward = Walk(user, window, Hand::ShiftTab, n);
  return r;
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
              // A second click there would be a double click, which opens the editor.
              panel.RulesPage()->SetFocusItem(kIdcRuleList);
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
  ASSERT_EQ(s.RunToTheEnd(j, panel), "");
  // Tab goes from the list to the page's buttons; Shift+Tab leaves it the other way.
  EXPECT_TRUE(Has(ruleTabs, kIdcRuleAdd) && Has(ruleTabs, kIdcRuleEdit) && Has(ruleTabs, kIdcRuleDelete))
      << ::testing::PrintToString(ruleTabs);
  EXPECT_NE(ruleBackTabs.at(0), kIdcRuleList) << ::testing::PrintToString(ruleBackTabs);
  ASSERT_FALSE(dayTabs.empty());
  EXPECT_NE(dayTabs[0], kIdcShowDays) << ::testing::PrintToString(dayTabs);
}

// The editor opens at its first control (not at the caption's close box), and its
// ticked, enabled 开启任务 draws its tick dark under its white text.
TEST(KeyboardTest, TheEditorOpensAtItsFirstControl) {
  PanelSession s;
  auto& user = s.User();
  CConfig config;
  std::atomic<bool> updating{false};
  std::atomic<int> restart{0};
  std::string domains;
  CDlgRule editor(RuleContext{config, updating, restart, domains, ui::Font{}});
  int first = 0, tickDark = -1;
  Journey j;
  j.Then("editor", [&] { return user.Showing(kDlgRuleBase); },
         [&] {
           tickDark = PanelSession::PixelsDarkerThan(user.Picture(editor, kIdcEditorOn), 70);
           first = user.FocusId();
           user.Click(editor, kIdCancel);
         });
  j.Start();
  editor.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_GT(tickDark, 0);
  EXPECT_EQ(first, kIdcEditorBasic);
}

// From the first control of every window and page the panel shows, Tab reaches every
// enabled, showing control and comes back round; Shift+Tab the other way.
TEST(KeyboardTest, TabGoesRoundEveryWindowAndPage) {
  PanelSession s;
  // File types longer than their box.
  std::string types;
  for (int i = 0; i < 20; ++i) types += "ext" + std::to_string(i) + "|";
  ASSERT_TRUE(s.WriteRules({"甲"}, {{rule::kFileTypes, types}}));
  // A day of log, whose tabs in the viewer need the strip's arrows.
  s.Install().WriteProgramFile("log/qor2026-12-08.log", "2026-12-8 9:00:00\tIP\t拦截访问\t10.1.1.1\t上海市\n");
  auto& user = s.User();
  qortest::QuietPanel panel;
  std::vector<Round> rounds;
  std::vector<std::string> systemMenu;
  int focusAfterPicker = 0;
  Journey j;
  auto mainFree = [&] {
    return !user.Find(kDlgAbout) && !user.Find(kDlgLogShow) && !user.Find(kDlgRuleEditor) && user.IsActive(panel) &&
           user.Ready(panel, kIdcRulesTab);
  };
  j.Then("main window", [&] { return s.PanelReady(panel); }, [] {});
  // The main window's three pages.
  const std::pair<int, const char*> tabs[] = {{kIdcSystemTab, "system"}, {kIdcRulesTab, "rules"}, {kIdcLogsTab, "logs"}};
  for (const auto& [tab, name] : tabs)
    j.Then(std::string("main window before ") + name, mainFree, [&, tab = tab] { user.Click(panel, tab); })
        .Then(std::string("page ") + name, [&, tab = tab] { return user.HasFocus(panel, tab) || user.IsActive(panel); },
              [&, name = name] { rounds.push_back(GoRound(user, panel, std::string("main window, ") + name)); });
  // About, from the caption's system menu.
  j.Then("main window before About", mainFree, [&] { user.RightClickCaption(panel); })
      .Then("system menu", [&] { return user.MenuShows(); },
            [&] {
              systemMenu = user.MenuItems();
              user.ChooseMenu(ui::LoadString(kStrAboutMenu));
            })
      .Then("About", [&] { return user.Showing(kDlgAbout); },
            [&] {
              rounds.push_back(GoRound(user, *user.Find(kDlgAbout), "About"));
              user.Click(*user.Find(kDlgAbout), kIdOk);
            });
  // The log viewer.
  j.Then("main window before the viewer", mainFree, [&] { user.Click(panel, kIdcLogsTab); })
      .Then("log page", [&] { return user.Ready(*panel.LogsPage(), kIdcLogShowDetail); },
            [&] { user.Click(*panel.LogsPage(), kIdcLogShowDetail); })
      .Then("viewer", [&] { return user.Showing(kDlgLogShow) && user.RowCount(*user.Find(kDlgLogShow), kIdcShowDays) == 1; },
            [&] { user.ClickRow(*user.Find(kDlgLogShow), kIdcShowDays, 0, 0); })
      .Then("viewer with a day", [&] { return user.RowCount(*user.Find(kDlgLogShow), kIdcShowEntries) == 1; },
            [&] {
              rounds.push_back(GoRound(user, *user.Find(kDlgLogShow), "log viewer"));
              user.CloseBox(*user.Find(kDlgLogShow));
            });
  // The rule editor's eleven pages, each in an editor opened with a double click on the
  // stored rule and closed with Esc from the page's last control; then the site picker
  // over the URL page.
  struct EditorPage {
    int group, holder, button, page;
    const char* name;
  };
  const EditorPage pages[] = {
      {kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowBase, kDlgRuleBase, "base"},
      {kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowArea, kDlgRuleArea, "region"},
      {kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowIp, kDlgRuleIp, "IP"},
      {kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowNotice, kDlgRuleNotice, "notice"},
      {kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowSpider, kDlgRuleSpider, "spider"},
      {kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowAgent, kDlgRuleAgent, "agent"},
      {kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowTime, kDlgRuleTime, "time"},
      {kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowRefer, kDlgRuleRefer, "referrer"},
      {kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowBrowser, kDlgRuleBrowser, "browser"},
      {kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowOs, kDlgRuleOs, "OS"},
      {kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowUrl, kDlgRuleUrl, "URL"},
  };
  j.Then("main window before the editor", mainFree, [&] { user.Click(panel, kIdcRulesTab); });
  for (const EditorPage& p : pages)
    j.Then(std::string("rule list before ") + p.name, [&] { return mainFree() && user.RowCount(*panel.RulesPage(), kIdcRuleList) == 1; },
           [&] { user.DoubleClickRow(*panel.RulesPage(), kIdcRuleList, 0); })
        .Then(std::string("editor before ") + p.name, [&] { return user.Showing(kDlgRuleEditor); },
              [&, p] {
                user.Click(*user.Find(kDlgRuleEditor), p.group);
                user.Click(*user.Find(p.holder), p.button);
              })
        .Then(std::string("editor page ") + p.name,
              [&, p] { return user.Find(p.page) && user.Shows(*user.Find(p.page)) && user.Showing(kDlgRuleEditor); },
              [&, p, last = &p == &pages[std::size(pages) - 1]] {
                ui::Dialog& editor = *user.Find(kDlgRuleEditor);
                rounds.push_back(GoRound(user, editor, std::string("editor, ") + p.name));
                if (last) return;
                ui::Dialog& page = *user.Find(p.page);
                page.SetFocusItem(TabStops(page).back());
                user.Press(editor, Hand::Escape);
              });
  j.Then("URL page browse", [&] { return user.Ready(*user.Find(kDlgRuleUrl), kIdcUrlBrowse); },
         [&] { user.Click(*user.Find(kDlgRuleUrl), kIdcUrlBrowse); })
      .Then("site picker", [&] { return user.Showing(kDlgSelSites) && user.Ready(*user.Find(kDlgSelSites), kIdCancel); },
            [&] {
              rounds.push_back(GoRound(user, *user.Find(kDlgSelSites), "site picker"));
              user.Click(*user.Find(kDlgSelSites), kIdCancel);
            })
      .Then("editor after the picker", [&] { return !user.Find(kDlgSelSites) && user.Showing(kDlgRuleEditor); },
            [&] {
              focusAfterPicker = user.FocusId();
              user.Press(*user.Find(kDlgRuleEditor), Hand::Escape);
            })
      .Then("main window at the end", mainFree, [&] { user.Click(panel, kIdcCloseButton); });
  ASSERT_EQ(s.RunToTheEnd(j, panel), "");
  ASSERT_EQ(rounds.size(), std::size(tabs) + 2 + std::size(pages) + 1);
  // The window's own entries stand above the panel's.
  std::string about = ui::LoadString(kStrAboutMenu);
  about.erase(std::remove(about.begin(), about.end(), '&'), about.end());
  EXPECT_EQ(systemMenu, (std::vector<std::string>{"移动(M)", "-", "关闭(C)", "-", about}));
  // The button that opened the site picker has the keyboard again.
  EXPECT_EQ(focusAfterPicker, kIdcUrlBrowse);
  for (const Round& r : rounds) {
    SCOPED_TRACE(r.where + ": stops " + ::testing::PrintToString(r.stops));
    ASSERT_FALSE(r.stops.empty());
    EXPECT_TRUE(r.keptWhileDisabled);
    EXPECT_TRUE(r.backWhenEnabled);
    EXPECT_EQ(r.scrolled, std::vector<int>{});
    EXPECT_EQ(r.radios, std::vector<int>{});
    const std::multiset<int> all(r.stops.begin(), r.stops.end());
    EXPECT_EQ(std::multiset<int>(r.forward.begin(), r.forward.end()), all) << "Tab " << ::testing::PrintToString(r.forward);
    EXPECT_EQ(r.forward.back(), r.stops[0]);
    EXPECT_EQ(std::multiset<int>(r.backward.begin(), r.backward.end()), all)
        << "Shift+Tab " << ::testing::PrintToString(r.backward);
    EXPECT_EQ(r.backward.back(), r.stops[0]);
  }
}

// The site picker with three sites of its own.
class ThreeSites : public CDlgBaseSelSites {
 public:
  using CDlgBaseSelSites::CDlgBaseSelSites;

 protected:
  int EnumAppPools(StringList& pools) override {
    pools = {"p"};
    return 1;
  }
  int EnumSites(const std::string&, StringList& comments, StringList& domains) override {
    comments = {"", "", ""};
    domains = {"a.com", "b.com", "c.com"};
    return 1;
  }
};

// Keys in the site picker's list as in a list view: Shift+Tab into it shows the focus
// on its first row and selects none; Down selects that row, End the last, Home the
// first. Space ticks and unticks the selected row, as a check-box list does; the
// ticked site is what OK gives back.
TEST(KeyboardTest, SpaceTicksTheSelectedSite) {
  PanelSession s;
  auto& user = s.User();
  std::string domains;
  ThreeSites picker(domains);
  std::vector<bool> ticks;
  std::vector<int> rows;  // the focused row after Shift+Tab, then the selected one after each key
  auto tick = [&](int row) { return picker.Item(kIdcSitesList)->list.Check(row); };
  Journey j;
  // The keys start once the window system has given the picker the keyboard.
  j.Then("picker",
         [&] {
           return user.Showing(kDlgSelSites) && user.Ready(picker, kIdOk) && user.RowCount(picker, kIdcSitesList) == 3 &&
                  user.FocusedTitle() == picker.WindowText();
         },
         [&] {
           picker.SetFocusItem(kIdOk);
           user.Press(picker, Hand::ShiftTab);
           rows = {user.CurrentRow(picker, kIdcSitesList), picker.Item(kIdcSitesList)->list.FirstSelected()};
           for (Hand key : {Hand::Down, Hand::End, Hand::Home, Hand::Down}) {
             user.Press(picker, key);
             rows.push_back(picker.Item(kIdcSitesList)->list.FirstSelected());
           }
           user.Press(picker, Hand::Space);
           ticks = {tick(0), tick(1), tick(2)};
           user.Press(picker, Hand::Down);
           user.Press(picker, Hand::Space);
           user.Press(picker, Hand::Space);
           ticks.push_back(tick(2));
           user.Click(picker, kIdOk);
         });
  j.Start();
  EXPECT_EQ(picker.DoModal(), kIdOk);
  ASSERT_EQ(j.Failure(), "");
  EXPECT_EQ(rows, (std::vector<int>{0, -1, 0, 2, 0, 1}));
  EXPECT_EQ(ticks, (std::vector<bool>{false, true, false, false}));
  EXPECT_EQ(domains, "|b.com|");
}

// A tap on the caption band (press and release with no hold) leaves the window where
// it is, also once the pointer goes on; a drag from there moves it all the way.
TEST(KeyboardTest, ATapOnTheCaptionLeavesTheWindowInPlaceADragMovesIt) {
  PanelSession s;
  auto& user = s.User();
  qortest::QuietPanel panel;
  ui::Rect before, after, dragged;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); },
         [&] {
           before = user.ScreenRect(panel);
           user.TapCaption(panel);
           user.MovePointer(before.left + 200, before.top + 150);
           user.MovePointer(before.left + 260, before.top + 190);
           after = user.ScreenRect(panel);
           // A drag moves it by the whole way the pointer went.
           user.DragCaption(panel, 60, 40);
         })
      .Then("dragged",
            [&] {
              const ui::Rect now = user.ScreenRect(panel);
              return !qortest::RealInput() || (now.left == after.left + 60 && now.top == after.top + 40);
            },
            [&] {
              dragged = user.ScreenRect(panel);
              user.Click(panel, kIdcCloseButton);
            });
  ASSERT_EQ(s.RunToTheEnd(j, panel), "");
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  if (qortest::RealInput()) EXPECT_EQ(dragged.top - after.top, 40);
}

}  // namespace
