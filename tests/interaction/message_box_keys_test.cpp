// Message boxes answered from the keyboard as a person answers them: Enter takes the
// default button, Escape the Cancel or No answer (or the only button), Alt and a
// button's letter that button; the keys go to the box the window system has focused,
// and the dialog under the box stays open with what was typed into it.
#include "tests/interaction/panel_session.h"

#include <atomic>
#include <cstdio>

#include "panel/dlg_rule.h"
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

}  // namespace
