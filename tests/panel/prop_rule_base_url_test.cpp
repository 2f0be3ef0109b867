// The URL page: domain and URL boxes to their list fields and back, and the domain
// text exchanged with the site picker.
#include <gtest/gtest.h>

#include "panel/prop_rule_base_url.h"
#include "resources/panel_ruleext_ids.h"
#include "tests/panel/rule_page_fixture.h"

namespace {

using namespace res::panel;

// The picker stands in: notes what it was offered and answers as told.
class PickerUrlPage : public CPropRuleBaseUrl {
 public:
  using CPropRuleBaseUrl::CPropRuleBaseUrl;
  int answer = kIdOk;
  std::string addDomains;  // put into the shared text, as ticked rows would be
  std::string offered;
  bool buttonEnabledDuringRun = true;

 protected:
  int RunSitePicker() override {
    offered = Context().siteDomains;
    buttonEnabledDuringRun = IsItemEnabled(kIdcUrlBrowse);
    Context().siteDomains += addDomains;
    return answer;
  }
};

class UrlPageTest : public qortest::RulePageTest {};

TEST_F(UrlPageTest, NewRuleOpensWithBothSecondButtonsAndEmptyBoxes) {
  auto page = Open<PickerUrlPage>();
  EXPECT_EQ(page->RadioIndex(kIdcUrlSitesOnly), 1);
  EXPECT_EQ(page->RadioIndex(kIdcUrlWhite), 1);
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(m_config.m_strEditRule,
            "<KeySitesAllowed>0</KeySitesAllowed><KeySites></KeySites>"
            "<KeyUrlAllowed>0</KeyUrlAllowed><KeyUrlData></KeyUrlData>");
}

TEST_F(UrlPageTest, StoredDomainsReadBackWithoutTheirOuterBars) {
  struct Case {
    const char* stored;
    const char* box;
  } cases[] = {
      {"|a.com|b.com|", "a.com\r\nb.com"},
      {"a.com|b.com", "a.com\r\nb.com"},
      {"||a.com||b.com||", "a.com\r\nb.com"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    auto page = Open<PickerUrlPage>(Rule({{rule::kSitesAllowed, "1"}, {rule::kSites, c.stored},
                                          {rule::kUrlData, "/Admin/*.asp|/x"}}));
    EXPECT_EQ(page->ItemText(kIdcUrlSites), c.box);
    EXPECT_EQ(page->RadioIndex(kIdcUrlSitesOnly), 0);
    EXPECT_EQ(page->RadioIndex(kIdcUrlWhite), 1);  // missing tag
    EXPECT_EQ(page->ItemText(kIdcUrlData), "/Admin/*.asp\r\n/x");
  }
}

TEST_F(UrlPageTest, SaveLowerCasesDomainsButKeepsTheCaseOfUrls) {
  auto page = Open<PickerUrlPage>();
  page->UserEdit(kIdcUrlSites, "WWW.Example.com\r\n<b>.example.com");
  page->UserEdit(kIdcUrlData, "/Admin/admin_*.asp\r\n\r\n/Login");
  page->Click(kIdcUrlWhite);
  page->Click(kIdcUrlSitesOnly);
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kSitesAllowed), "1");
  EXPECT_EQ(Tag(rule::kSites), "www.example.com|b.example.com");
  EXPECT_EQ(Tag(rule::kUrlAllowed), "1");
  EXPECT_EQ(Tag(rule::kUrlData), "/Admin/admin_*.asp|/Login");
}

TEST_F(UrlPageTest, DomainsAreOfferedToThePickerLowerCasedOnePerBar) {
  struct Case {
    const char* box;
    const char* offered;
  } cases[] = {
      {"A.com\nB.COM", "|a.com|b.com|"},
      {"a.com\r\nb.com\rc.com", "|a.com|b.com|c.com|"},
      {"a.com\r\n\r\nb.com\r\n", "|a.com|b.com|"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    EXPECT_EQ(CPropRuleBaseUrl::DomainsForPicker(c.box), c.offered);
    auto page = Open<PickerUrlPage>();
    page->UserEdit(kIdcUrlSites, c.box);
    page->answer = kIdCancel;
    page->Click(kIdcUrlBrowse);
    EXPECT_EQ(page->offered, c.offered);
    EXPECT_EQ(m_domains, c.offered);
    EXPECT_EQ(page->ItemText(kIdcUrlSites), c.box);  // cancelled: the box stays
  }
}

TEST_F(UrlPageTest, ThePickersChoiceReplacesTheDomainBox) {
  auto page = Open<PickerUrlPage>();
  page->UserEdit(kIdcUrlSites, "A.com");
  page->addDomains = "b.com|";
  page->Click(kIdcUrlBrowse);
  EXPECT_FALSE(page->buttonEnabledDuringRun);
  EXPECT_TRUE(page->IsItemEnabled(kIdcUrlBrowse));
  EXPECT_EQ(page->ItemText(kIdcUrlSites), "a.com\r\nb.com");
  ASSERT_TRUE(page->SaveRule());
  EXPECT_EQ(Tag(rule::kSites), "a.com|b.com");
}

}  // namespace
