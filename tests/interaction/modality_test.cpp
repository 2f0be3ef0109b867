// Modal windows after other modal windows came and went: the log viewer opened after
// the rule editor was opened and closed is the modal window in front (over the main
// window, as the window system stacks them on a real screen), the main window
// refuses the user's clicks while it shows, and gets them back when it closes; the
// main window's close button then ends the panel.
#include "tests/interaction/panel_session.h"

#include "resources/panel_log_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_rule_ids.h"

namespace {

using namespace res::panel;
using qortest::Journey;
using qortest::PanelSession;

struct Seen {
  bool viewerModal = false, viewerOnTop = false, mainBlocked = false;
  bool pageAfterRefusedClick = false;
  bool mainFreeAfter = false;
};

TEST(ModalityTest, LogViewerAfterTheEditorBlocksTheMainWindowUntilItCloses) {
  PanelSession s;
  auto& user = s.User();
  qortest::QuietPanel panel;
  Seen seen;
  Journey j;
  j.Then("main window", [&] { return s.PanelReady(panel); },
         [&] { user.Click(panel, kIdcRulesTab); })
      .Then("rule list", [&] { return user.Ready(*panel.RulesPage(), kIdcRuleAdd); },
            [&] { user.Click(*panel.RulesPage(), kIdcRuleAdd); })
      .Then("editor", [&] { return user.Showing(kDlgRuleEditor); },
            [&] { user.Click(*user.Find(kDlgRuleEditor), kIdCancel); })
      .Then("editor closed", [&] { return !user.Find(kDlgRuleEditor) && user.Ready(panel, kIdcLogsTab); },
            [&] { user.Click(panel, kIdcLogsTab); })
      .Then("log page", [&] { return user.Ready(*panel.LogsPage(), kIdcLogShowDetail); },
            [&] { user.Click(*panel.LogsPage(), kIdcLogShowDetail); })
      .Then("viewer in front", [&] { return user.Showing(kDlgLogShow) && user.IsActive(*user.Find(kDlgLogShow)); },
            [&] {
              ui::Dialog& viewer = *user.Find(kDlgLogShow);
              seen.viewerModal = user.IsModalTop(viewer);
              seen.viewerOnTop = user.IsOnTop(viewer);
              seen.mainBlocked = user.IsBlocked(panel);
              // The person clicks the main window's page buttons and close button.
              user.Click(panel, kIdcRulesTab);
              user.Click(*panel.LogsPage(), kIdcLogShowDetail);
              user.Click(panel, kIdcCloseButton);
              seen.pageAfterRefusedClick = panel.LogsPage()->IsVisible() && user.Shows(panel);
              user.CloseBox(viewer);
            })
      .Then("main window back",
            [&] { return !user.Find(kDlgLogShow) && user.IsActive(panel) && user.Ready(panel, kIdcCloseButton); },
            [&] {
              seen.mainFreeAfter = !user.IsBlocked(panel);
              user.Click(panel, kIdcCloseButton);
            });
  j.Start();
  panel.DoModal();
  ASSERT_EQ(j.Failure(), "");
  EXPECT_TRUE(j.Finished());
  EXPECT_TRUE(seen.viewerModal);
  EXPECT_TRUE(seen.viewerOnTop);
  EXPECT_TRUE(seen.mainBlocked);
  EXPECT_TRUE(seen.pageAfterRefusedClick);
  EXPECT_TRUE(seen.mainFreeAfter);
  // The close button ended the main window's run: DoModal came back.
  EXPECT_FALSE(panel.IsCreated());
}

}  // namespace
