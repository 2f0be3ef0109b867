// A rule's life on the real windows: created with region, IP, URL, browser and time
// criteria and a redirect notice, edited, switched off and deleted from the rule list
// page; after each step the store holds what the user did, the message boxes come in
// front of the editor, and the province choice greys out when 中国 is chosen.
#include "tests/interaction/panel_session.h"

#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"
#include "resources/panel_ruleext_ids.h"

namespace {

using namespace res::panel;
using qortest::Journey;
using qortest::PanelSession;


int RowOf(qortest::QtUser& user, ui::Dialog& dlg, int id, const std::string& text) {
  for (int r = 0; r < user.RowCount(dlg, id); ++r)
    if (user.CellText(dlg, id, r, 1) == text) return r;
  return -1;
}

struct Looks {
  int radioDark = 0, buttonDark = 0;
  bool radioEnabled = false, buttonEnabled = false;
};

TEST(RuleLifecycleTest, CreateEditSwitchOffAndDelete) {
  PanelSession s;
  auto& user = s.User();
  qortest::QuietPanel panel;
  auto editor = [&user]() -> ui::Dialog& { return *user.Find(kDlgRuleEditor); };
  auto page = [&user](int group, int holder, int show) {
    user.Click(*user.Find(kDlgRuleEditor), group);
    user.Click(*user.Find(holder), show);
  };
  auto box = [&user](const std::string& caption) {
    return [&user, caption] { return user.BoxShows() && user.BoxCaption() == caption; };
  };
  Looks before, after, reopened;
  bool savedBoxInFront = false;
  PanelSession::Stored created, edited, deleted;
  std::string listedName;
  int rowsAfterDelete = -1;

  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); },
         [&] { user.Click(panel, kIdcRulesTab); })
      .Then("rule list", [&] { return user.Ready(*panel.RulesPage(), kIdcRuleAdd); },
            [&] { user.Click(*panel.RulesPage(), kIdcRuleAdd); })
      .Then("base page", [&] { return user.Showing(kDlgRuleBase); },
            [&] {
              ui::Dialog& base = *user.Find(kDlgRuleBase);
              user.Type(base, kIdcBaseName, "甲");
              user.Click(base, kIdcBaseNoteRedirect);
              user.Type(base, kIdcBaseUrl, "www.example.com");
              page(kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowArea);
            })
      .Then("region page",
            [&] { return user.Showing(kDlgRuleArea) && user.RowCount(*user.Find(kDlgRuleArea), kIdcAreaCountriesFree) > 0; },
            [&] {
              ui::Dialog& area = *user.Find(kDlgRuleArea);
              before = {PanelSession::PixelsDarkerThan(user.Picture(area, kIdcAreaProvinceAllow), 70),
                        PanelSession::PixelsDarkerThan(user.Picture(area, kIdcAreaAddProvince), 70),
                        user.LooksEnabled(area, kIdcAreaProvinceAllow), user.LooksEnabled(area, kIdcAreaAddProvince)};
              const int row = RowOf(user, area, kIdcAreaCountriesFree, "中国");
              user.ClickRow(area, kIdcAreaCountriesFree, row);
              user.Click(area, kIdcAreaAddCountry);
              after = {PanelSession::PixelsDarkerThan(user.Picture(area, kIdcAreaProvinceAllow), 70),
                       PanelSession::PixelsDarkerThan(user.Picture(area, kIdcAreaAddProvince), 70),
                       user.LooksEnabled(area, kIdcAreaProvinceAllow), user.LooksEnabled(area, kIdcAreaAddProvince)};
              page(kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowIp);
            })
      .Then("IP page", [&] { return user.Showing(kDlgRuleIp); },
            [&] {
              user.Type(*user.Find(kDlgRuleIp), kIdcIpData, "1.2.3.4");
              page(kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowUrl);
            })
      .Then("URL page", [&] { return user.Showing(kDlgRuleUrl); },
            [&] {
              user.Type(*user.Find(kDlgRuleUrl), kIdcUrlData, "/admin");
              page(kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowBrowser);
            })
      .Then("browser page", [&] { return user.Showing(kDlgRuleBrowser); },
            [&] {
              user.Type(*user.Find(kDlgRuleBrowser), kIdcBrowserData, "msie");
              page(kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowTime);
            })
      .Then("time page", [&] { return user.Showing(kDlgRuleTime); },
            [&] {
              user.Type(*user.Find(kDlgRuleTime), kIdcTimeData, "08:00-09:00");
              user.Click(editor(), kIdOk);
            })
      .Then("saved box", [&] { return box("Qor")() && user.BoxIsModalTop(); },
            [&] {
              savedBoxInFront = user.IsBlocked(*user.Find(kDlgRuleEditor));
              user.AnswerBox("确定");
            })
      .Then("list after create", [&] { return !user.Find(kDlgRuleEditor) && user.RowCount(*panel.RulesPage(), kIdcRuleList) == 1; },
            [&] {
              created = s.ReadStore();
              listedName = user.CellText(*panel.RulesPage(), kIdcRuleList, 0, 1);
              user.ClickRow(*panel.RulesPage(), kIdcRuleList, 0);
              user.Click(*panel.RulesPage(), kIdcRuleEdit);
            })
      .Then("editor again", [&] { return user.Showing(kDlgRuleBase); },
            [&] { page(kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowArea); })
      .Then("region page of the stored rule", [&] { return user.Showing(kDlgRuleArea); },
            [&] {
              ui::Dialog& area = *user.Find(kDlgRuleArea);
              reopened = {PanelSession::PixelsDarkerThan(user.Picture(area, kIdcAreaProvinceAllow), 70),
                          PanelSession::PixelsDarkerThan(user.Picture(area, kIdcAreaAddProvince), 70),
                          user.LooksEnabled(area, kIdcAreaProvinceAllow), user.LooksEnabled(area, kIdcAreaAddProvince)};
              page(kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowBase);
            })
      .Then("base page again", [&] { return user.Showing(kDlgRuleBase); },
            [&] {
              user.Type(*user.Find(kDlgRuleBase), kIdcBaseName, "乙");
              user.Click(editor(), kIdcEditorOn);
              user.Click(editor(), kIdOk);
            })
      .Then("saved box again", box("Qor"), [&] { user.AnswerBox("确定"); })
      .Then("list after edit", [&] { return !user.Find(kDlgRuleEditor) && user.CellText(*panel.RulesPage(), kIdcRuleList, 0, 1) == "新任务名1甲乙"; },
            [&] {
              edited = s.ReadStore();
              user.ClickRow(*panel.RulesPage(), kIdcRuleList, 0);
              user.Click(*panel.RulesPage(), kIdcRuleDelete);
            })
      .Then("delete question", box("确认？"), [&] { user.AnswerBox("是(&Y)"); })
      .Then("list after delete",
            [&] { return user.RowCount(*panel.RulesPage(), kIdcRuleList) == 0 && user.Ready(panel, kIdcCloseButton); },
            [&] {
              deleted = s.ReadStore();
              rowsAfterDelete = user.RowCount(*panel.RulesPage(), kIdcRuleList);
              user.Click(panel, kIdcCloseButton);
            });
  ASSERT_EQ(s.RunToTheEnd(j, panel), "");

  // Created: every criterion as typed, a redirect notice, switched on.
  ASSERT_EQ(created.rules.size(), 1u);
  const std::string& r = created.rules[0];
  EXPECT_EQ(rule::ReadTag(r, rule::kName), "新任务名1甲");
  EXPECT_EQ(listedName, "新任务名1甲");
  EXPECT_EQ(rule::ReadTag(r, rule::kNoteType), "3");
  EXPECT_EQ(rule::ReadTag(r, rule::kNoteUrl), "http://www.example.com");
  EXPECT_NE(rule::ReadTag(r, rule::kAreaData), "");
  EXPECT_EQ(rule::ReadTag(r, rule::kIpData), "1.2.3.4");
  EXPECT_EQ(rule::ReadTag(r, rule::kUrlData), "/admin");
  EXPECT_EQ(rule::ReadTag(r, rule::kBrowserData), "msie");
  EXPECT_EQ(rule::ReadTag(r, rule::kTimeData), "08:00-09:00");
  EXPECT_EQ(rule::ReadTag(r, rule::kOn), "1");
  EXPECT_TRUE(savedBoxInFront);

  // Edited: renamed and switched off, still one rule.
  ASSERT_EQ(edited.rules.size(), 1u);
  EXPECT_EQ(rule::ReadTag(edited.rules[0], rule::kName), "新任务名1甲乙");
  EXPECT_EQ(rule::ReadTag(edited.rules[0], rule::kOn), "0");
  EXPECT_EQ(rule::ReadTag(edited.rules[0], rule::kIpData), "1.2.3.4");

  // Deleted.
  EXPECT_TRUE(deleted.rules.empty());
  EXPECT_EQ(rowsAfterDelete, 0);

  // With 中国 chosen the province choice is disabled and looks it: no black text left.
  EXPECT_TRUE(before.radioEnabled);
  EXPECT_TRUE(before.buttonEnabled);
  EXPECT_GT(before.radioDark, 0);
  EXPECT_GT(before.buttonDark, 0);
  EXPECT_FALSE(after.radioEnabled);
  EXPECT_FALSE(after.buttonEnabled);
  EXPECT_EQ(after.radioDark, 0);
  EXPECT_EQ(after.buttonDark, 0);
  // So it is when the editor opens on a rule with 中国.
  EXPECT_FALSE(reopened.radioEnabled);
  EXPECT_FALSE(reopened.buttonEnabled);
  EXPECT_EQ(reopened.radioDark, 0);
  EXPECT_EQ(reopened.buttonDark, 0);
}

}  // namespace
