// The site picker: the rows from the IIS look-ups, the ticks from the handed-over
// domains, and how OK merges the ticked host names.
#include "panel/dlg_base_sel_sites.h"

#include <gtest/gtest.h>

#include "platform/ui/ui_hooks.h"
#include "resources/panel_rule_ids.h"
#include "tests/panel/rule_test_fixture.h"

namespace {

using namespace res::panel;

class FakeSites : public CDlgBaseSelSites {
 public:
  using CDlgBaseSelSites::CDlgBaseSelSites;
  StringList pools{"p1", "p2"};
  std::map<std::string, std::pair<StringList, StringList>> sites{
      {"p1", {{"站点一", "site two"}, {"WWW.A.com", "b.com"}}},
      {"p2", {{}, {"C.com"}}},
  };
  // What the user saw while the look-ups ran.
  std::string captionWhileFilling;
  bool buttonsWhileFilling = true;

 protected:
  int EnumAppPools(StringList& out) override {
    captionWhileFilling = WindowText();
    buttonsWhileFilling = IsItemEnabled(kIdOk) || IsItemEnabled(kIdCancel);
    out = pools;
    return 1;
  }
  int EnumSites(const std::string& pool, StringList& comments, StringList& domains) override {
    const auto& s = sites[pool];
    comments.insert(comments.end(), s.first.begin(), s.first.end());
    domains.insert(domains.end(), s.second.begin(), s.second.end());
    return 1;
  }
};

class SelSitesTest : public qortest::RuleTest {
 protected:
  // Opens the picker, lets the fill timer run, then plays the user.
  int Run(FakeSites& dlg, std::function<void(FakeSites&)> action) {
    Host().WhenShown(kDlgSelSites, [&](ui::Dialog&) {
      // The look-ups wait until the window shows.
      EXPECT_EQ(dlg.captionWhileFilling, "");
      Host().RunFor(250);
      EXPECT_EQ(dlg.captionWhileFilling, "正在列表域名，请稍后...");
      EXPECT_FALSE(dlg.buttonsWhileFilling);
      action(dlg);
    });
    return dlg.DoModal();
  }
};

TEST_F(SelSitesTest, ListsEveryHostNameAndTicksTheKnownOnesWhateverTheirCase) {
  m_siteDomains = "|www.a.com|c.com|";
  FakeSites dlg(m_siteDomains);
  Run(dlg, [](FakeSites& d) {
    ui::ListCtrl& list = d.List();
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 0), "1");
    EXPECT_EQ(list.GetItemText(0, 1), "WWW.A.com");
    EXPECT_EQ(list.GetItemText(0, 2), "站点一");
    EXPECT_EQ(list.GetItemText(2, 1), "C.com");
    EXPECT_EQ(list.GetItemText(2, 2), "");
    EXPECT_TRUE(list.GetCheck(0));
    EXPECT_FALSE(list.GetCheck(1));
    EXPECT_TRUE(list.GetCheck(2));
    EXPECT_EQ(d.WindowText(), "绑定的域名列表完毕，总共 3 个");
    EXPECT_TRUE(d.IsItemEnabled(kIdOk));
    EXPECT_TRUE(d.IsItemEnabled(kIdCancel));
    d.Click(kIdCancel);
  });
  EXPECT_EQ(m_siteDomains, "|www.a.com|c.com|");
}

TEST_F(SelSitesTest, OkAddsTickedNamesAndNeverRemovesUntickedOnes) {
  const struct {
    const char* before;
    std::vector<int> tick, untick;
    const char* after;
  } cases[] = {
      {"", {1}, {}, "|b.com|"},
      {"|WWW.A.com|", {}, {0}, "|www.a.com|"},
      {"x.com", {1, 2}, {}, "|x.com|b.com|c.com|"},
      {"|c.com", {2}, {}, "|c.com|"},
  };
  for (const auto& c : cases) {
    m_siteDomains = c.before;
    FakeSites dlg(Context());
    EXPECT_EQ(Run(dlg,
                  [&](FakeSites& d) {
                    for (int row : c.tick) d.List().SetCheck(row, true);
                    for (int row : c.untick) d.List().SetCheck(row, false);
                    d.Click(kIdOk);
                  }),
              kIdOk);
    EXPECT_EQ(m_siteDomains, c.after) << c.before;
  }
}

TEST_F(SelSitesTest, NoPoolsGiveAnEmptyListWithoutMessage) {
  FakeSites dlg(m_siteDomains);
  dlg.pools.clear();
  Run(dlg, [](FakeSites& d) {
    EXPECT_EQ(d.List().GetItemCount(), 0);
    EXPECT_EQ(d.WindowText(), "绑定的域名列表完毕，总共 0 个");
    d.Click(kIdOk);
  });
  EXPECT_EQ(m_siteDomains, "");
}

TEST_F(SelSitesTest, DoubleClickTogglesTheSelectedRow) {
  FakeSites dlg(m_siteDomains);
  Run(dlg, [](FakeSites& d) {
    d.ClickRow(kIdcSitesList, 1);
    d.DoubleClick(kIdcSitesList, 1);
    EXPECT_TRUE(d.List().GetCheck(1));
    d.DoubleClick(kIdcSitesList, 1);
    EXPECT_FALSE(d.List().GetCheck(1));
    d.Click(kIdCancel);
  });
}

}  // namespace
