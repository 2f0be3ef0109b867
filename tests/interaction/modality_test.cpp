// Modal windows after other modal windows came and went. One panel session runs the
// About box, the rule editor, the log viewer and the site picker (over the editor) one
// after another, some of them twice; each in turn is the modal window in front and
// active (over its owner, as the window system stacks them on a real screen), its
// owner refuses the user's clicks and keys while it shows, and gets the window back,
// taking input again, when it closes. The main window's close button then ends the
// panel.
#include "tests/interaction/panel_session.h"

#include <vector>

#include "platform/ui/resource_set.h"
#include "resources/panel_ids.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"
#include "resources/panel_ruleext_ids.h"

namespace {

using namespace res::panel;
using qortest::Hand;
using qortest::Journey;
using qortest::PanelSession;
using qortest::QtUser;

enum class Run { About, Editor, Viewer, Picker };

const char* NameOf(Run run) {
  switch (run) {
    case Run::About:
      return "About";
    case Run::Editor:
      return "editor";
    case Run::Viewer:
      return "viewer";
    case Run::Picker:
      return "site picker";
  }
  return "";
}

int TemplateOf(Run run) {
  switch (run) {
    case Run::About:
      return kDlgAbout;
    case Run::Editor:
      return kDlgRuleEditor;
    case Run::Viewer:
      return kDlgLogShow;
    case Run::Picker:
      return kDlgSelSites;
  }
  return 0;
}

struct Seen {
  bool checked = false;
  bool modal = false, onTop = false, ownerBlocked = false;
  bool clicksRefused = false, keysRefused = false;
  bool ownerBack = false;
};

// The steps that open each modal run, look at it, poke its owner and close it.
class ModalRuns {
 public:
  ModalRuns(PanelSession& s, qortest::QuietPanel& panel, Journey& j) : m_user(s.User()), m_panel(panel), m_j(j) {
    m_j.Then("main window", [&s, &panel] { return s.PanelReady(panel); }, [] {});
  }

  // Opens the run from the main window, looks at it and closes it; the owner is free
  // again afterwards (the editor under a site picker is closed with its Cancel).
  void Check(Run run, const std::string& tag, Seen& seen) {
    Open(run, tag);
    m_j.Then(tag + " in front", [this, run] { return Up(run); },
             [this, run, &seen] {
               ui::Dialog& window = *m_user.Find(TemplateOf(run));
               ui::Dialog& owner = Owner(run);
               seen.checked = true;
               seen.modal = m_user.IsModalTop(window);
               seen.onTop = m_user.IsOnTop(window);
               seen.ownerBlocked = m_user.IsBlocked(owner);
               if (run == Run::Picker) PokeEditor(seen);
               else PokeMainWindow(seen);
               seen.clicksRefused = seen.clicksRefused && m_user.Shows(window);
               Close(run);
             })
        .Then(tag + " owner back",
              [this, run] {
                if (m_user.Find(TemplateOf(run))) return false;
                if (run != Run::Picker) return m_user.IsActive(m_panel) && m_user.Ready(m_panel, kIdcRulesTab);
                ui::Dialog* editor = m_user.Find(kDlgRuleEditor);
                return editor && m_user.IsActive(*editor) && m_user.Ready(*editor, kIdCancel);
              },
              [this, run, &seen] {
                ui::Dialog& owner = Owner(run);
                seen.ownerBack = !m_user.IsBlocked(owner) && m_user.IsActive(owner);
                // The editor takes clicks again: its Cancel closes it.
                if (run == Run::Picker) m_user.Click(owner, kIdCancel);
              });
  }

  // The main window's close button ends the panel.
  void Quit() {
    m_j.Then("main window free at the end", [this] { return MainFree(); }, [this] { m_user.Click(m_panel, kIdcCloseButton); });
  }

 private:
  ui::Dialog& Owner(Run run) { return run == Run::Picker ? *m_user.Find(kDlgRuleEditor) : m_panel; }

  // The main window active and no other window of the program up.
  bool MainFree() {
    for (Run run : {Run::About, Run::Editor, Run::Viewer, Run::Picker})
      if (m_user.Find(TemplateOf(run))) return false;
    return !m_user.MenuShows() && m_user.IsActive(m_panel) && m_user.Ready(m_panel, kIdcRulesTab);
  }

  void Open(Run run, const std::string& tag) {
    switch (run) {
      case Run::About:
        m_j.Then(tag + " main window", [this] { return MainFree(); },
                 [this] {
                   // Alt+Space where no window manager takes it; a right click on the
                   // drawn caption band where one does (openbox).
                   if (qortest::RealInput()) m_user.RightClickCaption(m_panel);
                   else m_user.Press(m_panel, qortest::Hand::AltSpace);
                 })
            .Then(tag + " system menu", [this] { return m_user.MenuShows(); },
                  [this] { m_user.ChooseMenu(ui::LoadString(kStrAboutMenu)); });
        return;
      case Run::Editor:
      case Run::Picker:
        m_j.Then(tag + " main window", [this] { return MainFree(); },
                 [this] { m_user.Click(m_panel, kIdcRulesTab); })
            .Then(tag + " rule list", [this] { return m_user.Ready(*m_panel.RulesPage(), kIdcRuleAdd); },
                  [this] { m_user.Click(*m_panel.RulesPage(), kIdcRuleAdd); });
        if (run == Run::Editor) return;
        m_j.Then(tag + " editor", [this] { return Up(Run::Editor); },
                 [this] {
                   m_user.Click(*m_user.Find(kDlgRuleEditor), kIdcEditorBasic);
                   m_user.Click(*m_user.Find(kDlgRuleBaseHolder), kIdcShowUrl);
                 })
            .Then(tag + " URL page",
                  [this] { return m_user.Showing(kDlgRuleUrl) && m_user.Ready(*m_user.Find(kDlgRuleUrl), kIdcUrlBrowse); },
                  [this] { m_user.Click(*m_user.Find(kDlgRuleUrl), kIdcUrlBrowse); });
        return;
      case Run::Viewer:
        m_j.Then(tag + " main window", [this] { return MainFree(); },
                 [this] { m_user.Click(m_panel, kIdcLogsTab); })
            .Then(tag + " log page", [this] { return m_user.Ready(*m_panel.LogsPage(), kIdcLogShowDetail); },
                  [this] { m_user.Click(*m_panel.LogsPage(), kIdcLogShowDetail); });
        return;
    }
  }

  // Shows, is active and takes input: the editor with its first page, the site picker
  // once its list is filled.
  // Shown, and stacked in front by the window manager (on a busy machine it raises the
  // window a moment after the window shows); a window that never comes to the front
  // fails the step at its bound.
  bool Up(Run run) {
    bool shown = false;
    switch (run) {
      case Run::Editor:
        shown = m_user.Showing(kDlgRuleEditor) && m_user.Showing(kDlgRuleBase);
        break;
      case Run::Picker:
        shown = m_user.Showing(kDlgSelSites) && m_user.Ready(*m_user.Find(kDlgSelSites), kIdCancel);
        break;
      default:
        shown = m_user.Showing(TemplateOf(run));
        break;
    }
    return shown && m_user.IsOnTop(*m_user.Find(TemplateOf(run)));
  }

  void Close(Run run) {
    ui::Dialog& window = *m_user.Find(TemplateOf(run));
    switch (run) {
      case Run::About:
        m_user.Click(window, kIdOk);
        return;
      case Run::Viewer:
        m_user.CloseBox(window);
        return;
      case Run::Editor:
      case Run::Picker:
        m_user.Click(window, kIdCancel);
        return;
    }
  }

  // The person clicks the tabs of the pages that do not show and the close button, and
  // presses the system menu's key: the page that showed still shows, no menu comes and
  // the panel's run goes on. (Under the editor the main window is hidden, as the rule
  // page does it; Qt refuses the clicks all the same.)
  void PokeMainWindow(Seen& seen) {
    const std::pair<int, ui::Dialog*> tabs[] = {
        {kIdcSystemTab, m_panel.SystemPage()}, {kIdcRulesTab, m_panel.RulesPage()}, {kIdcLogsTab, m_panel.LogsPage()}};
    ui::Dialog* shown = nullptr;
    for (const auto& [tab, page] : tabs)
      if (page->IsVisible()) shown = page;
    for (const auto& [tab, page] : tabs)
      if (page != shown) m_user.Click(m_panel, tab);
    m_user.Click(m_panel, kIdcCloseButton);
    seen.clicksRefused = shown && shown->IsVisible() && !m_panel.HasEnded();
    for (const auto& [tab, page] : tabs)
      if (page != shown && page->IsVisible()) seen.clicksRefused = false;
    seen.keysRefused = !m_user.Press(m_panel, Hand::AltSpace) && !m_user.MenuShows();
  }

  // The person clicks the editor's page buttons and its Cancel, and presses Escape at
  // it: the editor stays, on its URL page.
  void PokeEditor(Seen& seen) {
    auto editorStays = [this] {
      ui::Dialog* editor = m_user.Find(kDlgRuleEditor);
      ui::Dialog* url = m_user.Find(kDlgRuleUrl);
      return editor && m_user.Shows(*editor) && url && m_user.Shows(*url);
    };
    m_user.Click(*m_user.Find(kDlgRuleEditor), kIdcEditorBasic);
    m_user.Click(*m_user.Find(kDlgRuleBaseHolder), kIdcShowBase);
    m_user.Click(*m_user.Find(kDlgRuleEditor), kIdCancel);
    seen.clicksRefused = editorStays();
    seen.keysRefused = !m_user.Press(*m_user.Find(kDlgRuleEditor), Hand::Escape) && editorStays();
  }

  QtUser& m_user;
  qortest::QuietPanel& m_panel;
  Journey& m_j;
};

// In this order, each after all the ones before it were opened and closed.
constexpr Run kRuns[] = {Run::Editor, Run::Viewer, Run::About, Run::Editor, Run::Picker,
                         Run::Picker, Run::About, Run::Viewer, Run::Editor};

TEST(ModalityTest, EachModalRunBlocksItsOwnerUntilItClosesHoweverManyCameBefore) {
  PanelSession s;
  qortest::QuietPanel panel;
  Journey j;
  ModalRuns runs(s, panel, j);
  std::vector<Seen> seen(std::size(kRuns));
  for (size_t i = 0; i < std::size(kRuns); ++i)
    runs.Check(kRuns[i], std::to_string(i + 1) + ". " + NameOf(kRuns[i]), seen[i]);
  runs.Quit();
  j.Start();
  panel.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_TRUE(j.Finished());
  for (size_t i = 0; i < std::size(kRuns); ++i) {
    SCOPED_TRACE(std::to_string(i + 1) + ". " + NameOf(kRuns[i]));
    EXPECT_TRUE(seen[i].checked);
    EXPECT_TRUE(seen[i].modal);
    EXPECT_TRUE(seen[i].onTop);
    EXPECT_TRUE(seen[i].ownerBlocked);
    EXPECT_TRUE(seen[i].clicksRefused);
    EXPECT_TRUE(seen[i].keysRefused);
    EXPECT_TRUE(seen[i].ownerBack);
  }
  // The close button ended the main window's run: DoModal came back.
  EXPECT_FALSE(panel.IsCreated());
}

}  // namespace
