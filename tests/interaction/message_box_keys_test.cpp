// Message boxes answered from the keyboard as a person answers them: Enter takes the
// default button, Escape the Cancel or No answer (or the only button), Alt and a
// button's letter that button; the keys go to the box the window system has focused,
// and the dialog under the box stays open with what was typed into it.
#include "tests/interaction/panel_session.h"

#include <atomic>
#include <cstdio>

#include "panel/dlg_rule.h"
#include "platform/fs.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"

namespace {

using namespace res::panel;
using qortest::Hand;
using qortest::Journey;
using qortest::PanelSession;

struct Answer {
  unsigned flags;
  const char* key;  // "Enter", "Escape", or the letter pressed with Alt
  int answer;
};

const Answer kAnswers[] = {
    {kMbOk | kMbIconInformation, "Enter", kIdOk},
    {kMbOk | kMbIconError, "Escape", kIdOk},
    {kMbOkCancel, "Enter", kIdOk},
    {kMbOkCancel, "Escape", kIdCancel},
    {kMbOkCancel | kMbDefButton2, "Enter", kIdCancel},
    {kMbYesNo | kMbIconQuestion, "Enter", kIdYes},
    {kMbYesNo | kMbIconQuestion, "Escape", kIdNo},
    {kMbYesNo | kMbIconQuestion, "Y", kIdYes},
    {kMbYesNo | kMbIconQuestion, "N", kIdNo},
    {kMbYesNo | kMbDefButton2, "Enter", kIdNo},
    {kMbYesNoCancel, "Enter", kIdYes},
    {kMbYesNoCancel, "Escape", kIdCancel},
    {kMbYesNoCancel, "N", kIdNo},
    {kMbYesNoCancel, "Y", kIdYes},
};

void PressAnswerKey(qortest::QtUser& user, const std::string& key) {
  if (key == "Enter") user.PressFocused(Hand::Enter);
  else if (key == "Escape") user.PressFocused(Hand::Escape);
  else user.PressAlt(key[0]);
}

// The rule editor as the owner of every box, with a name typed into it.
class EditorUnderBoxes : public ::testing::Test {
 protected:
  EditorUnderBoxes() : m_editor(RuleContext{m_config, m_updating, m_restart, m_domains, ui::Font{}}) {
    m_config.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
    m_config.Load();
  }
  PanelSession m_session;
  CConfig m_config;
  std::atomic<bool> m_updating{false};
  std::atomic<int> m_restart{0};
  std::string m_domains;
  CDlgRule m_editor;
};

TEST_F(EditorUnderBoxes, EveryBoxKindAnswersEnterEscapeAndItsLetters) {
  auto& user = m_session.User();
  std::vector<int> answers(std::size(kAnswers), -1);
  std::vector<std::string> names(std::size(kAnswers));
  std::vector<bool> editorOpen(std::size(kAnswers));
  Journey j;
  j.Then("editor", [&] { return user.Showing(kDlgRuleBase); },
         [&] { user.Type(*user.Find(kDlgRuleBase), kIdcBaseName, "k"); });
  for (size_t i = 0; i < std::size(kAnswers); ++i) {
    const Answer& a = kAnswers[i];
    const std::string tag = std::to_string(i) + " " + a.key;
    j.Then(tag + " box", [&] { return user.Showing(kDlgRuleBase) && !user.BoxShows(); },
           [&, i, a] { answers[i] = ShowMessageBox("第" + std::to_string(i) + "问", "确认？", a.flags); })
        // The key goes once the window system has given the box the keyboard.
        .Then(tag + " key", [&] { return user.BoxIsModalTop() && user.FocusedTitle() == "确认？"; },
              [&, a] { PressAnswerKey(user, a.key); })
        .Then(tag + " answered", [&] { return !user.BoxShows() && user.Showing(kDlgRuleBase); },
              [&, i] {
                editorOpen[i] = user.Shows(m_editor) && !m_editor.HasEnded();
                names[i] = user.Text(*user.Find(kDlgRuleBase), kIdcBaseName);
              });
  }
  j.Then("cancel", [&] { return user.Ready(m_editor, kIdCancel); }, [&] { user.Click(m_editor, kIdCancel); });
  j.Start();
  m_editor.DoModal();
  ASSERT_EQ(j.Failure(), "");
  for (size_t i = 0; i < std::size(kAnswers); ++i) {
    SCOPED_TRACE(std::to_string(i) + ": flags " + std::to_string(kAnswers[i].flags) + ", key " + kAnswers[i].key);
    EXPECT_EQ(answers[i], kAnswers[i].answer);
    EXPECT_TRUE(editorOpen[i]) << "the key reached the editor under the box";
    EXPECT_EQ(names[i], "新任务名1k");
  }
}

// Ctrl+C in a box copies its text, as the log viewer's detail box says it does.
TEST_F(EditorUnderBoxes, CtrlCCopiesTheBoxText) {
  auto& user = m_session.User();
  std::string copied;
  Journey j;
  j.Then("editor", [&] { return user.Showing(kDlgRuleBase); },
         [&] { ShowMessageBox("序号:1\n\n类型:URL", "Qor详细日志(摁下Ctrl+C可复制文字内容)", kMbOk); })
      .Then("box", [&] { return user.BoxIsModalTop(); },
            [&] {
              user.PressFocused(Hand::CtrlC);
              copied = user.ClipboardText();
              user.PressFocused(Hand::Escape);
            })
      .Then("cancel", [&] { return !user.BoxShows() && user.Ready(m_editor, kIdCancel); },
            [&] { user.Click(m_editor, kIdCancel); });
  j.Start();
  m_editor.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_NE(copied.find("序号:1"), std::string::npos) << copied;
}

// A save that a box refuses leaves the editor open with what was entered, however the
// box is answered.
TEST_F(EditorUnderBoxes, RefusedSaveKeepsTheEditorWithWhatWasTyped) {
  auto& user = m_session.User();
  const char* keys[] = {"Escape", "Enter"};
  std::vector<std::string> passwords;
  std::vector<bool> editorOpen;
  Journey j;
  j.Then("editor", [&] { return user.Showing(kDlgRuleBase) && user.Ready(*user.Find(kDlgRuleBase), kIdcBaseNoteLogin); },
         [&] {
           ui::Dialog& base = *user.Find(kDlgRuleBase);
           user.Click(base, kIdcBaseNoteLogin);
           user.Type(base, kIdcBasePassword, "ab");
         });
  for (const char* key : keys) {
    const std::string tag = key;
    j.Then(tag + " save", [&] { return user.Ready(m_editor, kIdOk) && !user.BoxShows(); },
           [&] { user.Click(m_editor, kIdOk); })
        .Then(tag + " refused", [&] { return user.BoxIsModalTop() && user.BoxText() == "请输入不少于4位的登录密码。"; },
              [&, tag] { PressAnswerKey(user, tag); })
        .Then(tag + " editor back", [&] { return !user.BoxShows() && (user.Showing(kDlgRuleBase) || !user.Find(kDlgRuleEditor)); },
              [&] {
                editorOpen.push_back(user.Find(kDlgRuleEditor) && !m_editor.HasEnded());
                ui::Dialog* base = user.Find(kDlgRuleBase);
                passwords.push_back(base ? user.Text(*base, kIdcBasePassword) : std::string());
              });
  }
  j.Then("cancel", [&] { return user.Ready(m_editor, kIdCancel); }, [&] { user.Click(m_editor, kIdCancel); });
  j.Start();
  const int result = m_editor.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_EQ(result, kIdCancel);
  EXPECT_EQ(editorOpen, (std::vector<bool>{true, true}));
  EXPECT_EQ(passwords, (std::vector<std::string>{"ab", "ab"}));
}

// The boxes the panel itself shows, each answered with Enter, Escape and its Alt
// letters: the journal of the window system shows the answer, and the window under
// the box is still open with only what that answer does (a Yes deletes one rule or
// one day, an OK of 保存完毕 closes the editor it saved).
TEST(PanelBoxes, EveryBoxOfThePanelAnswersItsKeys) {
  PanelSession s;
  ASSERT_TRUE(s.WriteRules({"甲", "乙", "丙", "丁"}));
  for (int day = 1; day <= 4; ++day)
    s.Install().WriteProgramFile("log/qor2026-12-0" + std::to_string(day) + ".log",
                                 "2026-12-" + std::to_string(day) + " 9:00:00\tIP\t拦截访问\t10.1.1.1\t上海市\n");
  const std::string journal = s.Install().Base() + "journal";
  setenv("QOR_UI_JOURNAL", journal.c_str(), 1);
  auto& user = s.User();
  qortest::QuietPanel panel;
  auto rules = [&]() -> ui::Dialog& { return *panel.RulesPage(); };  // made with the window
  auto viewer = [&]() -> ui::Dialog& { return *user.Find(kDlgLogShow); };
  auto ruleRows = [&] { return user.RowCount(rules(), kIdcRuleList); };
  auto days = [&] { return user.RowCount(viewer(), kIdcShowDays); };
  auto panelFree = [&] {
    return !user.BoxShows() && !user.Find(kDlgRuleEditor) && !user.Find(kDlgLogShow) && user.IsActive(panel) &&
           user.Ready(rules(), kIdcRuleList);
  };
  auto viewerFree = [&] { return !user.BoxShows() && !user.MenuShows() && user.Showing(kDlgLogShow) && days() > 0; };
  struct Asked {
    std::string tag, caption;
    int answer;
    bool ownerKept = false;
  };
  std::vector<Asked> asked;
  int before = 0;
  Journey j;
  // The key once the window system has given the box the keyboard; then what the
  // window under it shows, with the count that answer leaves.
  auto answer = [&](const std::string& tag, const std::string& caption, const char* key, int expected,
                    std::function<bool()> ownerBack, std::function<int()> count, int change) {
    j.Then(tag + " box", [&, caption] { return user.BoxIsModalTop() && user.FocusedTitle() == caption; },
           [&, tag, caption, key, expected, count] {
             asked.push_back({tag, caption, expected});
             before = count();
             PressAnswerKey(user, key);
           })
        .Then(tag + " answered", [&, ownerBack] { return ownerBack(); },
              [&, count, change] { asked.back().ownerKept = count() == before + change; });
  };
  // The two start-up notices (no IP library date, the service stopped), over the main
  // window; their OK starts an update or a repair, so only Escape here (Enter takes OK
  // in the editor's sweep above).
  constexpr int kNotices = 2;
  for (int n = 0; n < kNotices; ++n)
    answer("start notice " + std::to_string(n) + " Escape", "通知", "Escape", kIdCancel,
           [&, n] { return (n == 0 || !user.BoxShows()) && !panel.HasEnded(); }, [] { return 0; }, 0);
  j.Then("main window", [&] { return s.PanelReady(panel); }, [&] { user.Click(panel, kIdcRulesTab); });
  // 确认？ on the rule list: Yes deletes the chosen rule and nothing else.
  const std::pair<const char*, int> yesNo[] = {{"Enter", kIdYes}, {"Escape", kIdNo}, {"Y", kIdYes}, {"N", kIdNo}};
  for (const auto& [key, expected] : yesNo) {
    j.Then(std::string("rule list before ") + key, [&] { return panelFree() && ruleRows() > 0; },
           [&] {
             user.ClickRow(rules(), kIdcRuleList, 0);
             user.Click(rules(), kIdcRuleDelete);
           });
    answer(std::string("delete question ") + key, "确认？", key, expected, [&] { return panelFree(); }, ruleRows,
           expected == kIdYes ? -1 : 0);
  }
  // 保存完毕 after a new rule is saved: OK closes the editor, the rule is in the list.
  for (const char* key : {"Enter", "Escape"}) {
    j.Then(std::string("rule list before saving with ") + key, [&] { return panelFree(); },
           [&] { user.Click(rules(), kIdcRuleAdd); })
        .Then(std::string("editor with ") + key, [&] { return user.Showing(kDlgRuleEditor) && user.Ready(*user.Find(kDlgRuleEditor), kIdOk); },
              [&] { user.Click(*user.Find(kDlgRuleEditor), kIdOk); });
    // (the list under the editor shows the new rule once the editor has closed)
    answer(std::string("saved ") + key, "Qor", key, kIdOk, [&] { return panelFree(); }, ruleRows, 1);
  }
  // The viewer's question before a day is deleted, and an entry's detail box.
  j.Then("main window before the viewer", [&] { return panelFree(); }, [&] { user.Click(panel, kIdcLogsTab); })
      .Then("log page", [&] { return user.Ready(*panel.LogsPage(), kIdcLogShowDetail); },
            [&] { user.Click(*panel.LogsPage(), kIdcLogShowDetail); });
  // The day the question names is still on disk (the panel's own log of the deletion
  // may start today's file, so the number of days tells nothing).
  std::string dayFile;
  auto dayKept = [&]() -> int {
    if (user.BoxShows()) {
      const std::string question = user.BoxText();
      const size_t from = question.find('[') + 1;
      dayFile = question.substr(from, question.find(']') - from);
    }
    return platform::fs::Exists(dayFile) ? 1 : 0;
  };
  for (const auto& [key, expected] : yesNo) {
    j.Then(std::string("viewer before ") + key, viewerFree,
           [&] {
             // The oldest day: today's file is the one the panel logs the deletion in.
             user.ClickRow(viewer(), kIdcShowDays, days() - 1, 0);
             user.RightClickRow(viewer(), kIdcShowDays, days() - 1, 0);
           })
        .Then(std::string("viewer menu ") + key, [&] { return user.MenuShows(); }, [&] { user.ChooseMenu("删除当天日志"); });
    answer(std::string("day question ") + key, "Qor", key, expected, viewerFree, dayKept, expected == kIdYes ? -1 : 0);
  }
  const std::string detail = "Qor详细日志(摁下Ctrl+C可复制文字内容)";
  for (const char* key : {"Enter", "Escape"}) {
    j.Then(std::string("entries before ") + key, [&] { return viewerFree() && user.RowCount(viewer(), kIdcShowEntries) > 0; },
           [&] { user.DoubleClickRow(viewer(), kIdcShowEntries, 0); });
    answer(std::string("detail ") + key, detail, key, kIdOk, viewerFree, days, 0);
  }
  j.Then("viewer at the end", viewerFree, [&] { user.CloseBox(viewer()); })
      .Then("main window at the end",
            [&] { return !user.BoxShows() && !user.Find(kDlgLogShow) && user.IsActive(panel) && user.Ready(panel, kIdcCloseButton); }, [&] { user.Click(panel, kIdcCloseButton); });
  const std::string failure = s.RunToTheEnd(j, panel);
  unsetenv("QOR_UI_JOURNAL");
  ASSERT_EQ(failure, "");
  // The journal's boxes with those captions, in the order they were answered.
  std::string text;
  ASSERT_EQ(platform::fs::ReadFile(journal, text), platform::fs::kOk);
  // (a box's text may run over several lines; its answer ends the entry).
  std::vector<int> answers;
  int notices = 0;
  for (size_t at = text.find("box ["); at != std::string::npos; at = text.find("\nbox [", at + 1)) {
    const size_t from = text.find('[', at) + 1;
    const std::string caption = text.substr(from, text.find(']', from) - from);
    const size_t arrow = text.find(" -> ", from);
    if (arrow == std::string::npos) break;
    if (caption == "通知" && ++notices > kNotices) continue;  // later notices are waved away
    if (caption == "通知" || caption == "确认？" || caption == "Qor" || caption == detail)
      answers.push_back(std::atoi(text.c_str() + arrow + 4));
  }
  // The question about restarting IIS as the panel closes comes last.
  ASSERT_EQ(answers.size(), asked.size() + 1) << text;
  for (size_t i = 0; i < asked.size(); ++i) {
    SCOPED_TRACE(asked[i].tag);
    EXPECT_EQ(answers[i], asked[i].answer);
    EXPECT_TRUE(asked[i].ownerKept);
  }
}

}  // namespace
