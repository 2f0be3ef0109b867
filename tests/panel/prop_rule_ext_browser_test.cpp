// The browser and OS pages: language and system tokens to check boxes and back, and
// the browser table's add buttons.
#include <gtest/gtest.h>

#include "panel/prop_rule_ext_browser.h"
#include "panel/prop_rule_ext_os.h"
#include "resources/panel_ruleext_ids.h"
#include "tests/panel/rule_page_fixture.h"

namespace {

using namespace res::panel;

class BrowserOsPageTest : public qortest::RulePageTest {
 protected:
  std::string Stored() const { return Rule({{rule::kName, "r"}}); }
};

TEST_F(BrowserOsPageTest, LanguageValuesOpenWithTheirBoxesTicked) {
  struct Case {
    const char* value;
    std::vector<int> ticked;  // language indexes
    const char* other;
  } cases[] = {
      {"|ZH|en-us|", {0}, "en-us"},
      {"|zh|en|", {0, 1}, ""},
      {"zh-cn|it|", {8}, "zh-cn"},
      {"fr||de|x|y", {2, 3}, "x\r\ny"},
      {"", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    auto page = Open<CPropRuleExtBrowser>(Stored() + Rule({{rule::kBrowserLanguageData, c.value}}));
    for (int i = 0; i < rule::kLanguageCount; ++i) {
      const bool want = std::find(c.ticked.begin(), c.ticked.end(), i) != c.ticked.end();
      EXPECT_EQ(page->IsItemChecked(kIdcBrowserLanguages[i]), want ? 1 : 0) << i;
    }
    EXPECT_EQ(page->ItemText(kIdcBrowserOtherLanguages), c.other);
  }
}

TEST_F(BrowserOsPageTest, LanguagesSaveTheBoxThenTheTickedTokens) {
  struct Case {
    const char* box;
    std::vector<int> tick;
    const char* stored;
  } cases[] = {
      {"", {0, 1}, "|zh|en|"},
      {"zh", {0}, "zh|zh|"},
      {"zh-CN", {0, 1}, "zh-cn|zh|en|"},
      {"|ja|", {5}, "|ja|"},
      {"", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    auto page = Open<CPropRuleExtBrowser>();
    page->UserEdit(kIdcBrowserOtherLanguages, c.box);
    for (int i : c.tick) page->Click(kIdcBrowserLanguages[i]);
    ASSERT_TRUE(page->SaveRule());
    EXPECT_EQ(Tag(rule::kBrowserLanguageData), c.stored);
  }
}

TEST_F(BrowserOsPageTest, NewAndStoredChoicesAndTheBrowserBox) {
  auto fresh = Open<CPropRuleExtBrowser>();
  EXPECT_EQ(fresh->RadioIndex(kIdcBrowserAllow), 1);
  EXPECT_EQ(fresh->RadioIndex(kIdcBrowserLanguageAllow), 1);
  ASSERT_TRUE(fresh->SaveRule());
  EXPECT_EQ(m_config.m_strEditRule,
            "<KeyBrowserAllowed>0</KeyBrowserAllowed><KeyBrowserLanguageAllowed>0</KeyBrowserLanguageAllowed>"
            "<KeyBrowserData></KeyBrowserData><KeyBrowserLanguageData></KeyBrowserLanguageData>");

  auto stored = Open<CPropRuleExtBrowser>(Stored() + Rule({{rule::kBrowserAllowed, "1"},
                                                           {rule::kBrowserData, "MSIE|Chrome"}}));
  EXPECT_EQ(stored->RadioIndex(kIdcBrowserAllow), 0);
  EXPECT_EQ(stored->RadioIndex(kIdcBrowserLanguageAllow), 1);  // missing tag
  EXPECT_EQ(stored->ItemText(kIdcBrowserData), "MSIE\r\nChrome");
  stored->UserEdit(kIdcBrowserData, "MSIE\r\nChrome\r\nMyAgent");
  ASSERT_TRUE(stored->SaveRule());
  EXPECT_EQ(Tag(rule::kBrowserData), "MSIE|Chrome|MyAgent");  // case kept
}

TEST_F(BrowserOsPageTest, TheTableHoldsTheThirteenKnownBrowsers) {
  auto page = Open<CPropRuleExtBrowser>();
  ASSERT_EQ(page->m_listBrowsers.GetItemCount(), 13);
  EXPECT_EQ(page->m_listBrowsers.GetItemText(0, 0), "Internet Explorer");
  EXPECT_EQ(page->m_listBrowsers.GetItemText(2, 1), "QQBrowser|TencentTraveler");
  EXPECT_EQ(page->m_listBrowsers.GetItemText(12, 1), "Mobile");
  EXPECT_EQ(page->m_listBrowsers.ColumnWidth(0), 100);
  EXPECT_EQ(page->m_listBrowsers.ColumnWidth(1), 96);
  EXPECT_FALSE(page->IsItemVisible(kIdcBrowserChoose));
}

TEST_F(BrowserOsPageTest, AddingARowAppendsItsPiecesOnce) {
  auto page = Open<CPropRuleExtBrowser>();
  page->Click(kIdcBrowserAdd);  // nothing selected
  EXPECT_EQ(page->ItemText(kIdcBrowserData), "");
  page->ClickRow(kIdcBrowserTable, 2);
  page->Click(kIdcBrowserAdd);
  EXPECT_EQ(page->ItemText(kIdcBrowserData), "qqbrowser\r\ntencenttraveler");
  page->Click(kIdcBrowserAdd);
  EXPECT_EQ(page->ItemText(kIdcBrowserData), "qqbrowser\r\ntencenttraveler");
  // A double click does the same; what was typed meanwhile stays.
  page->UserEdit(kIdcBrowserData, "qqbrowser\r\ntencenttraveler\r\nMyAgent");
  page->DoubleClick(kIdcBrowserTable, 3);
  EXPECT_EQ(page->ItemText(kIdcBrowserData), "qqbrowser\r\ntencenttraveler\r\nmyagent\r\nchrome");
}

TEST_F(BrowserOsPageTest, AddAllFillsTheBoxWithEveryTokenInTableOrder) {
  auto page = Open<CPropRuleExtBrowser>();
  page->Click(kIdcBrowserAddAll);
  EXPECT_EQ(page->ItemText(kIdcBrowserData),
            "msie\r\nmaxthon\r\nqqbrowser\r\ntencenttraveler\r\nchrome\r\n360se\r\nfirefox\r\nopera\r\n"
            "lbbrowser\r\ntheworld\r\nmetasr\r\nucbrowser\r\ntaobrowser\r\nmobile");
  Host().ClearLog();
  page->Click(kIdcBrowserAddAll);
  EXPECT_TRUE(Host().LogStartingWith("text 143 1041").empty());  // nothing new: nothing shown
}

TEST_F(BrowserOsPageTest, OsValuesOpenWithTheirBoxes) {
  struct Case {
    const char* value;
    std::vector<int> ticked;  // OsBox indexes
    bool versionsEnabled;
  } cases[] = {
      {"|windows |linux|", {0, 1, 2, 3, 4}, false},
      {"|windows nt 10.|windows nt 5.|andriod|", {1, 3, 6}, true},
      {"macos|unix", {5, 7}, true},
      {"|Linux|", {}, true},  // case counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    auto page = Open<CPropRuleExtOs>(Stored() + Rule({{rule::kOsDataWindows, c.value}}));
    for (int i = 0; i < rule::kOsCount; ++i) {
      const bool want = std::find(c.ticked.begin(), c.ticked.end(), i) != c.ticked.end();
      EXPECT_EQ(page->IsItemChecked(kIdcOsBoxes[i]), want ? 1 : 0) << i;
    }
    for (int id : {kIdcOsNt10, kIdcOsNt6, kIdcOsNt5}) EXPECT_EQ(page->IsItemEnabled(id), c.versionsEnabled);
    EXPECT_EQ(page->RadioIndex(kIdcOsAllow), 1);
  }
}

TEST_F(BrowserOsPageTest, OsSaveWritesTheTickedTokensAndTheOtherBoxLowerCased) {
  struct Case {
    std::vector<int> tick;
    const char* stored;
  } cases[] = {
      {{1, 2, 4}, "|windows nt 10.|windows nt 6.|linux|"},
      {{0, 1, 7}, "|windows |macos|"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    auto page = Open<CPropRuleExtOs>();
    for (int i : c.tick) page->Click(kIdcOsBoxes[i]);
    page->UserEdit(kIdcOsOther, "FreeBSD\r\nSunOS");
    ASSERT_TRUE(page->SaveRule());
    EXPECT_EQ(Tag(rule::kOsDataWindows), c.stored);
    EXPECT_EQ(Tag(rule::kOsDataOther), "freebsd|sunos");
    EXPECT_EQ(Tag(rule::kOsAllowed), "0");
  }
}

TEST_F(BrowserOsPageTest, AllWindowsGreysTheVersionsAndKeepsTheirTicks) {
  auto page = Open<CPropRuleExtOs>();
  page->Click(kIdcOsNt6);
  page->Click(kIdcOsAllWindows);
  for (int id : {kIdcOsNt10, kIdcOsNt6, kIdcOsNt5}) EXPECT_FALSE(page->IsItemEnabled(id));
  EXPECT_EQ(page->IsItemChecked(kIdcOsNt6), 1);
  page->Click(kIdcOsAllWindows);
  for (int id : {kIdcOsNt10, kIdcOsNt6, kIdcOsNt5}) EXPECT_TRUE(page->IsItemEnabled(id));
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kOsDataWindows), "|windows nt 6.|");
}

TEST_F(BrowserOsPageTest, HelpLinksOfBothPages) {
  const std::string site = CRuleChildPage::HelpAddress("");
  auto browser = Open<CPropRuleExtBrowser>();
  auto os = Open<CPropRuleExtOs>();
  browser->Click(kIdcBrowserTableHelp);
  browser->Click(kIdcBrowserLanguageHelp);
  os->Click(kIdcOsHelp);
  ASSERT_EQ(Host().ShellOpens().size(), 3u);
  EXPECT_EQ(Host().ShellOpens()[0].file, site + "/help/rules/browser.html");
  EXPECT_EQ(Host().ShellOpens()[1].file, site + "/help/rules/browser.html");
  EXPECT_EQ(Host().ShellOpens()[2].file, site + "/help/rules/os.html");
}

}  // namespace
