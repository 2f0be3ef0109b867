// Context-menu commands chosen with the mouse run once: 删除规则 on the rule list asks
// one question and deletes the chosen rule only; 修改规则 opens one editor; every
// command of every menu of the panel's lists reaches its window once.
#include "tests/interaction/panel_session.h"

#include <sstream>

#include "common/config.h"
#include "platform/ui/menu.h"
#include "platform/ui/resource_set.h"
#include "resources/panel_ids.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"

namespace {

using namespace res::panel;
using qortest::Journey;
using qortest::PanelSession;

TEST(ContextMenuTest, DeleteAsksOnceAndEditOpensOneEditor) {
  PanelSession s;
  ASSERT_TRUE(s.WriteRules({"甲", "乙", "丙"}));
  auto& user = s.User();
  qortest::QuietPanel panel;
  // Every question the panel asks, in the order they were answered.
  std::vector<std::string> questions;
  int editors = 0;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); }, [&] { user.Click(panel, kIdcRulesTab); })
      .Then("rule list", [&] { return user.Ready(*panel.RulesPage(), kIdcRuleList) && user.RowCount(*panel.RulesPage(), kIdcRuleList) == 3; },
            [&] {
              user.ClickRow(*panel.RulesPage(), kIdcRuleList, 0);
              user.RightClickRow(*panel.RulesPage(), kIdcRuleList, 0);
            })
      .Then("menu", [&] { return user.MenuShows(); }, [&] { user.ChooseMenu("删除规则(&D)"); })
      .Then("question", [&] { return user.BoxIsModalTop() && user.BoxCaption() == "确认？"; },
            [&] {
              questions.push_back(user.BoxText());
              user.AnswerBox("是(&Y)");
            })
      // A second question stands here when the command ran twice; it is declined.
      .Then("deleted", [&] { return user.BoxIsModalTop() || user.RowCount(*panel.RulesPage(), kIdcRuleList) != 3; },
            [&] {
              if (!user.BoxShows()) return;
              questions.push_back(user.BoxText());
              user.AnswerBox("否(&N)");
            })
      // 修改规则 opens one editor, and closing it gives the main window back.
      .Then("rule list again", [&] { return !user.BoxShows() && user.Ready(*panel.RulesPage(), kIdcRuleList) && user.IsActive(panel); },
            [&] {
              user.ClickRow(*panel.RulesPage(), kIdcRuleList, 0);
              user.RightClickRow(*panel.RulesPage(), kIdcRuleList, 0);
            })
      .Then("menu again", [&] { return user.MenuShows(); }, [&] { user.ChooseMenu("修改规则(&M)"); })
      .Then("editor", [&] { return user.Showing(kDlgRuleEditor); },
            [&] {
              editors = user.CountOpen(kDlgRuleEditor);
              user.Click(*user.Find(kDlgRuleEditor), kIdCancel);
            })
      .Then("close", [&] { return !user.BoxShows() && !user.Find(kDlgRuleEditor) && user.Ready(panel, kIdcCloseButton); },
            [&] { user.Click(panel, kIdcCloseButton); });
  ASSERT_EQ(s.RunToTheEnd(j, panel), "");
  EXPECT_EQ(questions, (std::vector<std::string>{"确定要删除限制规则[甲]吗？"}));
  EXPECT_EQ(editors, 1);
  const auto stored = s.ReadStore();
  ASSERT_EQ(stored.rules.size(), 2u);
  EXPECT_EQ(rule::ReadTag(stored.rules[0], rule::kName), "乙");
  EXPECT_EQ(rule::ReadTag(stored.rules[1], rule::kName), "丙");
}

// What the windows did after one menu choice, from the window journal: the commands
// that reached a window, the windows opened modally, the boxes and the shell opens.
struct AfterChoice {
  std::string choice;
  int commands = 0, modals = 0, boxes = 0, shells = 0, editors = 0;
};

std::vector<AfterChoice> SplitByChoice(const std::string& journal) {
  std::vector<AfterChoice> out;
  std::istringstream lines(journal);
  for (std::string line; std::getline(lines, line);) {
    auto starts = [&](const char* word) { return line.rfind(word, 0) == 0; };
    if (starts("menu ") || starts("dblclick ")) out.push_back({line});
    if (out.empty()) continue;
    out.back().commands += starts("command ");
    out.back().modals += starts("modal ");
    out.back().editors += line == "modal " + std::to_string(res::panel::kDlgRuleEditor);
    out.back().boxes += starts("box ");
    out.back().shells += starts("shell ");
  }
  return out;
}

// Every command of the rule list's, the log page's and the log viewer's menus, chosen
// with the mouse on the first row, reaches its window once: one question (answered
// no), one window (closed again) or one folder opened, and the window is back. A
// double click on each list's empty area reaches its window as one on no row.
TEST(ContextMenuTest, EveryCommandOfEveryListMenuRunsOnce) {
  PanelSession s;
  ASSERT_TRUE(s.WriteRules({"甲", "乙"}));
  s.Install().WriteProgramFile("log/qor2026-12-08.log", "2026-12-8 9:00:00\tIP\t拦截访问\t10.1.1.1\t上海市\n");
  const std::string journal = s.Install().Base() + "journal";
  setenv("QOR_UI_JOURNAL", journal.c_str(), 1);
  // Folders open without a desktop's opener: the panel records them instead.
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", s.Install().Base().c_str(), 1);
  auto& user = s.User();
  qortest::QuietPanel panel;
  auto linesSoFar = [&](const std::string& word) {
    std::string text;
    (void)platform::fs::ReadFile(journal, text);  // not written yet reads as empty
    int n = 0;
    for (size_t at = text.find("\n" + word); at != std::string::npos; at = text.find("\n" + word, at + 1)) ++n;
    return n + (text.rfind(word, 0) == 0);
  };
  auto commandsSoFar = [&] { return linesSoFar("command "); };
  auto viewer = [&]() -> ui::Dialog& { return *user.Find(kDlgLogShow); };
  struct Place {
    const char* where;
    int menu, list;
    std::function<ui::Dialog&()> window, owner;
  };
  const Place places[] = {
      {"rule list", kMenuRuleList, kIdcRuleList, [&]() -> ui::Dialog& { return panel; },
       [&]() -> ui::Dialog& { return *panel.RulesPage(); }},
      {"log page", kMenuLogList, kIdcLogList, [&]() -> ui::Dialog& { return panel; },
       [&]() -> ui::Dialog& { return *panel.LogsPage(); }},
      {"viewer days", kMenuLogDays, kIdcShowDays, viewer, viewer},
      {"viewer entries", kMenuLogEntries, kIdcShowEntries, viewer, viewer},
  };
  // Offscreen, a closed menu does not always hand activation back; a click goes to the
  // window all the same there.
  auto active = [&](ui::Dialog& window) { return !qortest::RealInput() || user.IsActive(window); };
  const int pageTab[] = {kIdcRulesTab, kIdcLogsTab};
  std::vector<std::string> chosen;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); }, [] {});
  for (const Place& p : places) {
    const bool inViewer = &p >= &places[2];
    auto idle = [&, p, inViewer] {
      if (user.BoxShows() || user.MenuShows() || user.Find(kDlgRuleEditor)) return false;
      if (!inViewer && user.Find(kDlgLogShow)) return false;
      return active(p.window()) && user.Ready(p.owner(), p.list) && user.RowCount(p.owner(), p.list) > 0;
    };
    if (&p == &places[2]) {
      j.Then("log page before the viewer", [&] { return user.Ready(*panel.LogsPage(), kIdcLogShowDetail) && active(panel); },
             [&] { user.Click(*panel.LogsPage(), kIdcLogShowDetail); })
          .Then("viewer", [&] { return user.Showing(kDlgLogShow); }, [&] { user.ClickRow(viewer(), kIdcShowDays, 0, 0); });
    } else if (!inViewer) {
      const int tab = pageTab[&p - places];
      j.Then(std::string("tab of the ") + p.where, [&] { return active(panel) && !user.BoxShows(); },
             [&, tab] { user.Click(panel, tab); });
    }
    for (const ui::MenuItem& item : ui::LoadMenu(p.menu)->SubMenu(0)->items) {
      if (item.separator) continue;
      const std::string name = std::string(p.where) + " " + item.text;
      auto before = std::make_shared<int>(0);
      j.Then(name, idle,
             [&, p, name, before] {
               chosen.push_back(name);
               *before = commandsSoFar();
               user.ClickRow(p.owner(), p.list, 0);
               user.RightClickRow(p.owner(), p.list, 0);
             })
          .Then(name + ": menu", [&] { return user.MenuShows(); }, [&, item] { user.ChooseMenu(item.text); })
          // The command came (a box or window it opened is up by then): a question is
          // answered no, a notice taken, a window closed again.
          .Then(name + ": ran",
                [&, before, inViewer] {
                  if (commandsSoFar() == *before) return false;
                  if (user.Find(kDlgRuleEditor)) return user.Showing(kDlgRuleEditor);
                  if (!inViewer && user.Find(kDlgLogShow)) return user.Showing(kDlgLogShow);
                  return true;
                },
                [&, inViewer] {
                  if (user.BoxShows()) {
                    (void)(user.AnswerBox("否(&N)") || user.AnswerBox("取消") || user.AnswerBox("确定"));
                  } else if (user.Find(kDlgRuleEditor)) {
                    user.Click(*user.Find(kDlgRuleEditor), kIdCancel);
                  } else if (!inViewer && user.Find(kDlgLogShow)) {
                    user.CloseBox(viewer());
                  }
                });
    }
    // A double click beside the rows reaches the window too (the rule list opens the
    // editor for a new rule there).
    const std::string name = std::string(p.where) + " beside the rows";
    auto before = std::make_shared<int>(0);
    j.Then(name, idle,
           [&, p, name, before] {
             chosen.push_back(name);
             *before = linesSoFar("dblclick ");
             user.DoubleClickEmpty(p.owner(), p.list);
           })
        .Then(name + ": heard",
              [&, before] { return linesSoFar("dblclick ") > *before && (!user.Find(kDlgRuleEditor) || user.Showing(kDlgRuleEditor)); },
              [&] {
                if (user.Find(kDlgRuleEditor)) user.Click(*user.Find(kDlgRuleEditor), kIdCancel);
              });
  }
  j.Then("viewer at the end", [&] { return user.Find(kDlgLogShow) && active(viewer()) && !user.BoxShows(); }, [&] { user.CloseBox(viewer()); })
      .Then("main window at the end", [&] { return !user.Find(kDlgLogShow) && user.Ready(panel, kIdcCloseButton) && active(panel); },
            [&] { user.Click(panel, kIdcCloseButton); });
  const std::string failure = s.RunToTheEnd(j, panel);
  setenv("PATH", oldPath.c_str(), 1);
  unsetenv("QOR_UI_JOURNAL");
  ASSERT_EQ(failure, "");
  std::string text;
  ASSERT_EQ(platform::fs::ReadFile(journal, text), platform::fs::kOk);
  const std::vector<AfterChoice> after = SplitByChoice(text);
  ASSERT_EQ(after.size(), chosen.size()) << text;
  for (size_t i = 0; i < after.size(); ++i) {
    SCOPED_TRACE(chosen[i] + " (" + after[i].choice + ")");
    if (after[i].choice.rfind("dblclick ", 0) == 0) {
      EXPECT_EQ(after[i].choice.substr(after[i].choice.size() - 3), " -1");
      EXPECT_EQ(after[i].editors, chosen[i].rfind("rule list", 0) == 0 ? 1 : 0);
      EXPECT_EQ(after[i].commands + after[i].boxes + after[i].shells, 0);
      continue;
    }
    EXPECT_EQ(after[i].commands, 1);
    EXPECT_LE(after[i].modals, 1);
    EXPECT_LE(after[i].boxes, 1);
    EXPECT_LE(after[i].shells, 1);
  }
}

}  // namespace
