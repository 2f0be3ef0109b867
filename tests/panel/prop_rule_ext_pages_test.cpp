// The proxy, referer, spider, time and IP pages: allow/deny choices, flags and
// list boxes read from and written to the rule under edit.
#include <gtest/gtest.h>

#include "panel/prop_rule_base_ip.h"
#include "panel/prop_rule_ext_agent.h"
#include "panel/prop_rule_ext_refer.h"
#include "panel/prop_rule_ext_spider.h"
#include "panel/prop_rule_ext_time.h"
#include "resources/panel_ruleext_ids.h"
#include "tests/panel/rule_page_fixture.h"

namespace {

using namespace res::panel;

class RuleExtPagesTest : public qortest::RulePageTest {};

TEST_F(RuleExtPagesTest, NewRuleDefaultsAndWhatSavingThemUnchangedWrites) {
  auto agent = Open<CPropRuleExtAgent>();
  auto refer = Open<CPropRuleExtRefer>();
  auto spider = Open<CPropRuleExtSpider>();
  auto time = Open<CPropRuleExtTime>();
  auto ip = Open<CPropRuleBaseIp>();
  EXPECT_EQ(agent->RadioIndex(kIdcAgentAllow), 0);
  EXPECT_EQ(refer->RadioIndex(kIdcReferAllow), 1);
  EXPECT_EQ(spider->RadioIndex(kIdcSpiderAllow), 1);
  EXPECT_EQ(time->RadioIndex(kIdcTimeAllow), 1);
  EXPECT_EQ(ip->RadioIndex(kIdcIpAllow), 1);
  for (int id : kIdcSpiderFlags) EXPECT_EQ(spider->IsItemChecked(id), 0);
  EXPECT_EQ(refer->ItemText(kIdcReferData), "");

  ASSERT_TRUE(spider->SaveRule());
  ASSERT_TRUE(agent->SaveRule());
  ASSERT_TRUE(time->SaveRule());
  ASSERT_TRUE(refer->SaveRule());
  ASSERT_TRUE(ip->SaveRule());
  EXPECT_EQ(m_config.m_strEditRule,
            "<KeySpiderAllowed>0</KeySpiderAllowed><KeySpiderBaidu>0</KeySpiderBaidu>"
            "<KeySpider360>0</KeySpider360><KeySpiderSogou>0</KeySpiderSogou>"
            "<KeySpiderGoogle>0</KeySpiderGoogle><KeySpiderData></KeySpiderData>"
            "<KeyAgentAllowed>1</KeyAgentAllowed><KeyTimeAllowed>0</KeyTimeAllowed><KeyTimeData></KeyTimeData>"
            "<KeyReferAllowed>0</KeyReferAllowed><KeyReferData></KeyReferData>"
            "<KeyIpAllowed>0</KeyIpAllowed><KeyIpData></KeyIpData>");
}

TEST_F(RuleExtPagesTest, AStoredChoiceIsTheFirstButtonOnlyForExactlyOne) {
  struct Case {
    const char* value;
    bool present;
    int index;
  } cases[] = {{"1", true, 0}, {"0", true, 1}, {"", true, 1}, {"2", true, 1}, {"", false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    // Some other tag keeps the rule from counting as new.
    std::string rule = Rule({{rule::kName, "r"}});
    if (c.present) {
      rule += Rule({{rule::kAgentAllowed, c.value}, {rule::kReferAllowed, c.value},
                    {rule::kSpiderAllowed, c.value}, {rule::kTimeAllowed, c.value}, {rule::kIpAllowed, c.value}});
    }
    EXPECT_EQ(Open<CPropRuleExtAgent>(rule)->RadioIndex(kIdcAgentAllow), c.index);
    EXPECT_EQ(Open<CPropRuleExtRefer>(rule)->RadioIndex(kIdcReferAllow), c.index);
    EXPECT_EQ(Open<CPropRuleExtSpider>(rule)->RadioIndex(kIdcSpiderAllow), c.index);
    EXPECT_EQ(Open<CPropRuleExtTime>(rule)->RadioIndex(kIdcTimeAllow), c.index);
    EXPECT_EQ(Open<CPropRuleBaseIp>(rule)->RadioIndex(kIdcIpAllow), c.index);
  }
}

TEST_F(RuleExtPagesTest, SpiderFlagsTickOnlyForOneAndSaveInTheirOrder) {
  const std::string rule = Rule({{rule::kSpiderBaidu, "0"}, {rule::kSpider360, "1"}, {rule::kSpiderSogou, ""},
                                 {rule::kSpiderData, "Bingbot|YandexBot"}});
  auto page = Open<CPropRuleExtSpider>(rule);
  EXPECT_EQ(page->IsItemChecked(kIdcSpiderFlags[0]), 0);
  EXPECT_EQ(page->IsItemChecked(kIdcSpiderFlags[1]), 1);
  EXPECT_EQ(page->IsItemChecked(kIdcSpiderFlags[2]), 0);
  EXPECT_EQ(page->IsItemChecked(kIdcSpiderFlags[3]), 0);  // missing
  EXPECT_EQ(page->ItemText(kIdcSpiderData), "Bingbot\r\nYandexBot");

  page->Click(kIdcSpiderFlags[3]);
  page->Click(kIdcSpiderAllow);
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kSpiderAllowed), "1");
  EXPECT_EQ(Tag(rule::kSpiderBaidu), "0");
  EXPECT_EQ(Tag(rule::kSpider360), "1");
  EXPECT_EQ(Tag(rule::kSpiderSogou), "0");
  EXPECT_EQ(Tag(rule::kSpiderGoogle), "1");
  EXPECT_EQ(Tag(rule::kSpiderData), "Bingbot|YandexBot");
}

TEST_F(RuleExtPagesTest, BoxesAreStoredAsTypedWithLineBreaksAsBars) {
  struct Case {
    const char* box;
    const char* stored;
  } cases[] = {
      {"02:00-13:20\r\n22:00-23:59", "02:00-13:20|22:00-23:59"},
      {"25:99-xx", "25:99-xx"},
      {"a\r\n\r\nb", "a|b"},
      {"a\r\n\r\n\r\n\r\n\r\nb", "a|||b"},
      {"Mixed\nCase", "Mixed|Case"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    auto time = Open<CPropRuleExtTime>();
    time->UserEdit(kIdcTimeData, c.box);
    ASSERT_TRUE(time->SaveRule());
    EXPECT_EQ(Tag(rule::kTimeData), c.stored);
    auto refer = Open<CPropRuleExtRefer>();
    refer->UserEdit(kIdcReferData, c.box);
    ASSERT_TRUE(refer->SaveRule());
    EXPECT_EQ(Tag(rule::kReferData), c.stored);
    auto ip = Open<CPropRuleBaseIp>();
    ip->UserEdit(kIdcIpData, c.box);
    ASSERT_TRUE(ip->SaveRule());
    EXPECT_EQ(Tag(rule::kIpData), c.stored);
  }
}

TEST_F(RuleExtPagesTest, ListFieldsReadBackCollapsingDoubledBars) {
  struct Case {
    const char* stored;
    const char* box;
  } cases[] = {{"a|||b", "a\r\n\r\nb"}, {"a||b", "a\r\nb"}, {"a|b", "a\r\nb"}, {"", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::string rule = Rule({{rule::kName, "r"}}) + "<KeyReferData>" + c.stored + "</KeyReferData>" +
                             "<KeyTimeData>" + c.stored + "</KeyTimeData><KeyIpData>" + c.stored + "</KeyIpData>";
    EXPECT_EQ(Open<CPropRuleExtRefer>(rule)->ItemText(kIdcReferData), c.box);
    EXPECT_EQ(Open<CPropRuleExtTime>(rule)->ItemText(kIdcTimeData), c.box);
    EXPECT_EQ(Open<CPropRuleBaseIp>(rule)->ItemText(kIdcIpData), c.box);
  }
}

TEST_F(RuleExtPagesTest, AValueThatWouldBreakTheRuleIsRefusedWithAMessage) {
  auto page = Open<CPropRuleExtRefer>();
  page->UserEdit(kIdcReferData, "a</KeyReferData><KeyOn>0");
  Host().ExpectMessageBox("</Key", kIdOk);
  EXPECT_FALSE(page->SaveRule());
  EXPECT_FALSE(HasTag(rule::kReferData));
  ASSERT_EQ(Host().MessageBoxes().size(), 1u);
  EXPECT_EQ(Host().MessageBoxes()[0].caption, "错误");
}

// Notes which controls were asked to select their whole text.
class SelectAllHost : public ui::TestHost {
 public:
  std::vector<int> selected;
  void Changed(ui::Dialog& dlg, int id, ui::Aspect aspect) override {
    if (aspect == ui::Aspect::SelectAll) selected.push_back(id);
    ui::TestHost::Changed(dlg, id, aspect);
  }
};

TEST_F(RuleExtPagesTest, CtrlASelectsAllOnlyInThePagesBox) {
  SelectAllHost host;
  auto page = Open<CPropRuleExtTime>();
  page->SetFocusItem(kIdcTimeData);
  host.PressKey(*page, ui::Key::A, false);
  EXPECT_TRUE(host.selected.empty());
  host.PressKey(*page, ui::Key::A, true);
  EXPECT_EQ(host.selected, std::vector<int>{kIdcTimeData});
  page->SetFocusItem(kIdcTimeAllow);
  host.PressKey(*page, ui::Key::A, true);
  EXPECT_EQ(host.selected.size(), 1u);
  page.reset();
}

TEST_F(RuleExtPagesTest, HelpLinksOpenTheirPageOnTheProductSite) {
  const std::string site = CRuleChildPage::HelpAddress("");
  ASSERT_EQ(site.rfind("http", 0), 0u);
  auto refer = Open<CPropRuleExtRefer>();
  auto time = Open<CPropRuleExtTime>();
  auto spider = Open<CPropRuleExtSpider>();
  EXPECT_TRUE(refer->Click(kIdcReferHelp));
  EXPECT_TRUE(time->Click(kIdcTimeHelp));
  EXPECT_TRUE(spider->Click(kIdcSpiderCommon));
  ASSERT_EQ(Host().ShellOpens().size(), 3u);
  EXPECT_EQ(Host().ShellOpens()[0].file, site + "/help/rules/referer.html");
  EXPECT_EQ(Host().ShellOpens()[1].file, site + "/help/rules/time.html");
  EXPECT_EQ(Host().ShellOpens()[2].file, site + "/help/rules/spider.html");
  EXPECT_EQ(Host().ShellOpens()[0].verb, "open");
  EXPECT_TRUE(spider->IsItemEnabled(kIdcSpiderCommon));
  EXPECT_EQ(refer->OnSetCursor(kIdcReferHelp), ui::Cursor::Hand);
  EXPECT_EQ(refer->OnSetCursor(kIdcReferData), ui::Cursor::Default);
}

TEST_F(RuleExtPagesTest, LinksAreBlueStaticsTransparentAndTheSaveButtonHidden) {
  auto ip = Open<CPropRuleBaseIp>();
  auto colorsOf = [&](int id) { return ip->ColorsOf(ip->Item(id)); };
  EXPECT_TRUE(colorsOf(kIdcIpHint).transparent);
  EXPECT_FALSE(colorsOf(kIdcIpHint).hasText);
  EXPECT_TRUE(colorsOf(kIdcIpFeedback).hasText);
  EXPECT_EQ(colorsOf(kIdcIpFeedback).text, ui::Rgb(0, 0, 255));
  EXPECT_FALSE(ip->IsItemVisible(kIdcRulePageSave));
  // The feedback static is only coloured: a click opens nothing.
  ip->Click(kIdcIpFeedback);
  EXPECT_TRUE(Host().ShellOpens().empty());
  const std::vector<std::string> painted = Host().PaintDialog(*ip);
  ASSERT_FALSE(painted.empty());
  EXPECT_NE(painted[0].find("#FFFFFF"), std::string::npos) << painted[0];
}

}  // namespace
