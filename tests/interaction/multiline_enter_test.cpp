// Enter in the rule editor as a person presses it: in every multi-line box of the rule
// pages it starts a new line (also with Shift, Ctrl or from the keypad), so two
// entries typed one after the other are stored as two; in a single-line box it does
// what the editor's default button "保存" does.
#include "tests/interaction/panel_session.h"

#include <atomic>

#include "panel/dlg_rule.h"
#include "resources/panel_rule_ids.h"
#include "resources/panel_ruleext_ids.h"

namespace {

using namespace res::panel;
using qortest::Hand;
using qortest::Journey;
using qortest::PanelSession;

struct Box {
  const char* what;
  int group;  // editor button of the basic or the advanced group
  int holder;
  int show;  // the holder's button of the page
  int page;
  int box;
  Hand enter;
  const char* tag;
  const char* stored;  // the field after "first", Enter, "second"
  const char* before = "";  // what the box holds in a new rule
};

const Box kBoxes[] = {
    {"IP", kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowIp, kDlgRuleIp, kIdcIpData, Hand::Enter, rule::kIpData,
     "1.1.1.1|2.2.2.2"},
    {"domains", kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowUrl, kDlgRuleUrl, kIdcUrlSites, Hand::ShiftEnter,
     rule::kSites, "a.com|b.com"},
    {"URL", kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowUrl, kDlgRuleUrl, kIdcUrlData, Hand::CtrlEnter,
     rule::kUrlData, "/admin|/test"},
    {"custom text", kIdcEditorBasic, kDlgRuleBaseHolder, kIdcShowBase, kDlgRuleBase, kIdcBaseWords, Hand::KeypadEnter,
     rule::kNoteWords, "stop\r\ngo", "您的访问被禁止，如有疑问请联系服务器管理员处理。"},
    {"spider", kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowSpider, kDlgRuleSpider, kIdcSpiderData, Hand::Enter,
     rule::kSpiderData, "bota|botb"},
    {"time", kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowTime, kDlgRuleTime, kIdcTimeData, Hand::KeypadEnter,
     rule::kTimeData, "08:00-09:00|20:00-21:00"},
    {"referer", kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowRefer, kDlgRuleRefer, kIdcReferData, Hand::ShiftEnter,
     rule::kReferData, "ref1.com|ref2.com"},
    {"browser", kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowBrowser, kDlgRuleBrowser, kIdcBrowserData,
     Hand::CtrlEnter, rule::kBrowserData, "msie|opera"},
    {"languages", kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowBrowser, kDlgRuleBrowser, kIdcBrowserOtherLanguages,
     Hand::Enter, rule::kBrowserLanguageData, "xx|yy"},
    {"OS", kIdcEditorAdvanced, kDlgRuleExtHolder, kIdcShowOs, kDlgRuleOs, kIdcOsOther, Hand::Enter, rule::kOsDataOther,
     "beos|haiku"},
};

// The two entries typed into a box, as the user types them.
std::pair<std::string, std::string> Entries(const Box& b) {
  const std::string s = b.stored;
  const size_t bar = s.find('|') != std::string::npos ? s.find('|') : s.find("\r\n");
  const size_t skip = s[bar] == '|' ? 1 : 2;
  return {s.substr(0, bar), s.substr(bar + skip)};
}

TEST(MultilineEnterTest, EveryBoxTakesEnterAsANewLineAndEnterInTheNameSaves) {
  PanelSession s;
  auto& user = s.User();
  CConfig config;
  config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
  config.Load();
  std::atomic<bool> updating{false};
  std::atomic<int> restart{0};
  std::string domains;
  CDlgRule editor(RuleContext{config, updating, restart, domains, ui::Font{}});

  std::vector<std::string> shown(std::size(kBoxes));
  std::vector<bool> stillOpen(std::size(kBoxes));
  Journey j;
  for (size_t i = 0; i < std::size(kBoxes); ++i) {
    const Box& b = kBoxes[i];
    j.Then(std::string("page of ") + b.what, [&user] { return user.Showing(kDlgRuleEditor); },
           [&user, &editor, b] {
             user.Click(editor, b.group);
             if (ui::Dialog* holder = user.Find(b.holder)) user.Click(*holder, b.show);
           });
    j.Then(std::string("box ") + b.what, [&user, b] { return user.Showing(b.page); },
           [&user, &editor, &shown, &stillOpen, b, i] {
             ui::Dialog& page = *user.Find(b.page);
             const auto [first, second] = Entries(b);
             user.Type(page, b.box, first);
             user.Press(page, b.enter);
             user.Type(page, b.box, second);
             shown[i] = user.Text(page, b.box);
             stillOpen[i] = user.Shows(editor);
           });
  }
  // Enter in the one-line name box presses "保存".
  j.Then("name box", [&user] { return user.Showing(kDlgRuleEditor); },
         [&user, &editor] {
           user.Click(editor, kIdcEditorBasic);
           user.Click(*user.Find(kDlgRuleBaseHolder), kIdcShowBase);
         })
      .Then("Enter in the name", [&user] { return user.Showing(kDlgRuleBase); },
            [&user] {
              ui::Dialog& base = *user.Find(kDlgRuleBase);
              user.Type(base, kIdcBaseName, "z");
              user.Press(base, Hand::Enter);
            })
      .Then("saved box", [&user] { return user.BoxShows() && user.BoxCaption() == "Qor"; },
            [&user] { user.AnswerBox("确定"); });
  j.Start();
  const int result = editor.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_EQ(result, kIdOk);

  const auto stored = s.ReadStore();
  ASSERT_EQ(stored.rules.size(), 1u);
  const std::string& rule = stored.rules[0];
  EXPECT_EQ(rule::ReadTag(rule, rule::kName), "新任务名1z");
  for (size_t i = 0; i < std::size(kBoxes); ++i) {
    const Box& b = kBoxes[i];
    const auto [first, second] = Entries(b);
    EXPECT_TRUE(stillOpen[i]) << b.what << ": Enter closed the editor";
    EXPECT_EQ(shown[i], b.before + first + "\n" + second) << b.what;
    EXPECT_EQ(rule::ReadTag(rule, b.tag), b.before + std::string(b.stored)) << b.what;
  }
}

}  // namespace
