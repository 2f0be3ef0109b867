// The base and notice pages: what they show for new and stored rules and what the
// base page accepts and writes.
#include "panel/prop_rule_base_base.h"

#include <gtest/gtest.h>

#include "platform/ui/ui_hooks.h"
#include "panel/prop_rule_base_note.h"
#include "resources/panel_rule_ids.h"
#include "tests/panel/rule_test_fixture.h"

namespace {

using namespace res::panel;

class BasePageTest : public qortest::RuleTest {
 protected:
  // A page on the rule under edit, set up as the editor does.
  void Open(CPropRuleBaseBase& page) { ASSERT_TRUE(page.Create(nullptr)); }
};

TEST_F(BasePageTest, NewRuleIsOfferedTheNextNameAndTheCustomNotice) {
  m_config.m_listRules = {Rule("a"), Rule("b")};
  CPropRuleBaseBase page(Context());
  Open(page);
  EXPECT_EQ(page.ItemText(kIdcBaseName), "新任务名3");
  EXPECT_EQ(page.RadioIndex(kIdcBaseNoteBlank), 3);
  EXPECT_EQ(page.ItemText(kIdcBaseWords), "您的访问被禁止，如有疑问请联系服务器管理员处理。");
  EXPECT_EQ(page.IsItemChecked(kIdcBaseSendReason), 1);
  EXPECT_EQ(page.IsItemChecked(kIdcBaseAddWords), 0);
  EXPECT_EQ(page.RadioIndex(kIdcBaseFileTypeOnly), 0);
}

TEST_F(BasePageTest, StoredRuleWithoutNoticeTagsShowsTheCustomTextFallback) {
  m_config.m_strEditRule = Rule("r", "<KeyFileTypeAllowed>1</KeyFileTypeAllowed><KeyFileTypes>asp||php</KeyFileTypes>");
  m_config.m_strEditName = "r";
  CPropRuleBaseBase page(Context());
  Open(page);
  EXPECT_EQ(page.ItemText(kIdcBaseName), "r");
  EXPECT_EQ(page.ItemText(kIdcBaseFileTypes), "asp|php");
  EXPECT_EQ(page.RadioIndex(kIdcBaseFileTypeOnly), 0);
  EXPECT_EQ(page.RadioIndex(kIdcBaseNoteBlank), 3);
  EXPECT_EQ(page.ItemText(kIdcBaseWords), "Access to this server is forbidden from your client");
  EXPECT_EQ(page.IsItemChecked(kIdcBaseSendReason), 0);

  CPropRuleBaseNote note(Context());
  ASSERT_TRUE(note.Create(nullptr));
  EXPECT_EQ(note.RadioIndex(kIdcNoteBlank), 3);
  EXPECT_EQ(note.ItemText(kIdcNoteWords), "Access to this server is forbidden from your client");
}

TEST_F(BasePageTest, StoredNoticeTypesMapToTheirButtons) {
  const struct {
    const char* stored;
    int index;
  } cases[] = {{"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}, {"9", 3}, {"", 3}};
  for (const auto& c : cases) {
    m_config.m_strEditRule = Rule("r", std::string("<KeyNoteType>") + c.stored + "</KeyNoteType>");
    CPropRuleBaseBase page(Context());
    Open(page);
    EXPECT_EQ(page.RadioIndex(kIdcBaseNoteBlank), c.index) << c.stored;
    CPropRuleBaseNote note(Context());
    ASSERT_TRUE(note.Create(nullptr));
    EXPECT_EQ(note.RadioIndex(kIdcNoteBlank), c.index) << c.stored;
  }
}

struct SaveCase {
  const char* what;
  const char* name;
  int noteType;
  const char* password;
  const char* url;
  const char* words;
  const char* refusal;  // part of the message, null when accepted
};

TEST_F(BasePageTest, SaveChecksNameAndNotice) {
  const SaveCase cases[] = {
      {"blank name", "   ", 3, "", "", "x", "请输入需要任务标题"},
      {"short password", "n", 1, "  abc  ", "", "", "4"},
      {"password of four", "n", 1, "  abcd  ", "", "", nullptr},
      {"short redirect", "n", 2, "", "a.b", "", "请输入跳转页面地址"},
      {"redirect", "n", 2, "", "a.bc", "", nullptr},
      {"empty custom text", "n", 3, "", "", "", "请输入拦截时提示的文字"},
      {"blank page ignores the boxes", "n", 0, "", "", "", nullptr},
      {"name of another rule", "other", 3, "", "", "x", "任务名重复"},
      {"own name", "mine", 3, "", "", "x", nullptr},
      {"case differs", "OTHER", 3, "", "", "x", nullptr},
      {"injected tag", "n</KeyName>", 3, "", "", "x", "不能包含"},
  };
  for (const SaveCase& c : cases) {
    m_config.m_listRules = {Rule("other"), Rule("mine")};
    m_config.m_nEditIndex = 1;
    m_config.m_strEditName = "mine";
    m_config.m_strEditRule = Rule("mine");
    const std::string before = m_config.m_strEditRule;
    CPropRuleBaseBase page(Context());
    Open(page);
    page.UserEdit(kIdcBaseName, c.name);
    page.SetRadioIndex(kIdcBaseNoteBlank, c.noteType);
    page.UserEdit(kIdcBasePassword, c.password);
    page.UserEdit(kIdcBaseUrl, c.url);
    page.UserEdit(kIdcBaseWords, c.words);
    if (c.refusal) Host().ExpectMessageBox(c.refusal, kIdOk);
    EXPECT_EQ(page.SaveRule(), c.refusal == nullptr) << c.what;
    if (c.refusal) {
      EXPECT_EQ(m_config.m_strEditRule, before) << c.what;
    }
  }
}

TEST_F(BasePageTest, SaveWritesTheTagsInTheirForms) {
  CPropRuleBaseBase page(Context());
  Open(page);
  page.UserEdit(kIdcBaseName, "  规则一  ");
  page.UserEdit(kIdcBaseFileTypes, "ASP||<php>");
  page.SetRadioIndex(kIdcBaseFileTypeOnly, 1);
  page.SetRadioIndex(kIdcBaseNoteBlank, 2);
  page.UserEdit(kIdcBaseUrl, "WWW.Example.COM/X");
  page.UserEdit(kIdcBasePassword, " pw ");
  page.UserEdit(kIdcBaseWords, "<script>alert(1)</script>");
  page.CheckItem(kIdcBaseAddWords, 1);
  page.CheckItem(kIdcBaseSendReason, 0);
  ASSERT_TRUE(page.SaveRule());
  const std::string& r = m_config.m_strEditRule;
  EXPECT_EQ(rule::ReadTag(r, rule::kName), "规则一");
  EXPECT_EQ(rule::ReadTag(r, rule::kFileTypes), "asp|php");
  EXPECT_EQ(rule::ReadTag(r, rule::kFileTypeAllowed), "0");
  EXPECT_EQ(rule::ReadTag(r, rule::kNoteType), "3");
  EXPECT_EQ(rule::ReadTag(r, rule::kNoteUrl), "http://www.example.com/x");
  EXPECT_EQ(page.ItemText(kIdcBaseUrl), "http://www.example.com/x");
  EXPECT_EQ(rule::ReadTag(r, rule::kNotePassword), "pw");
  EXPECT_EQ(rule::ReadTag(r, rule::kNoteWords), "<script>alert(1)</script>");
  EXPECT_EQ(rule::ReadTag(r, rule::kAddWords), "1");
  EXPECT_EQ(rule::ReadTag(r, rule::kSendReason), "0");
  // Tags stand in save order in a new rule.
  EXPECT_EQ(r.find("<KeyName>"), 0u);
}

TEST_F(BasePageTest, RedirectWithSchemeInCapitalsGetsNoSecondPrefix) {
  CPropRuleBaseBase page(Context());
  Open(page);
  page.SetRadioIndex(kIdcBaseNoteBlank, 2);
  page.UserEdit(kIdcBaseUrl, "HTTP://A.COM");
  ASSERT_TRUE(page.SaveRule());
  EXPECT_EQ(rule::ReadTag(m_config.m_strEditRule, rule::kNoteUrl), "http://a.com");
}

}  // namespace
