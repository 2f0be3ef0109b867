// The tray program's window and icon on the real host: the icon comes with the
// program's title, a status message from the mailslot changes it and shows a balloon,
// a right click on the icon opens its menu and the chosen entry runs (here: the panel
// is missing, which the user is told in a box), and the quit message (99) ends it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/tray_message.h"
#include "platform/fs.h"
#include "platform/ui/tray_icon.h"
#include "resources/tray_resources.h"
#include "tests/interaction/panel_session.h"
#include "tray/qor_panel_dlg.h"
#include "tray/status_table.h"

namespace {

using qortest::Journey;

std::string ReadText(const std::string& path) {
  std::string text;
  (void)platform::fs::ReadFile(path, text);  // a file not written yet reads as empty
  return text;
}

TEST(TrayTest, IconBalloonMenuAndQuit) {
  qortest::PrepareInteractionEnvironment();
  qortest::TempInstall install;
  install.WriteMachineIni();
  const std::string journal = install.Base() + "journal";
  setenv("QOR_UI_JOURNAL", journal.c_str(), 1);
  int argc = 1;
  char name[] = "t_interaction_tray";
  char* argv[] = {name, nullptr};
  {
    ui::QtHost host(argc, argv);
    res::InstallTrayResources();
    qortest::QtUser user(host);
    CQorPanelDlg dlg;
    auto has = [&](const std::string& part) { return ReadText(journal).find(part) != std::string::npos; };
    std::string boxText;
    bool sent = false;
    Journey j;
    j.Then("icon", [&] { return has("tray add ") && has("tip=" + TrayTitle()); }, [] {})
        // The reader makes its slot on a thread of its own: the status is sent once it is there.
        .Then("status sent", [&] { return SendTrayMessage(BuildTrayMessage(kTrayCmdBusy, std::string("站点访问异常"))); },
              [&] { sent = true; })
        // The start splash comes once the slot is there and goes by itself; the menu comes after.
        .Then("balloon, splash gone",
              [&] { return has("balloon=站点访问异常") && has("end " + std::to_string(res::tray::kDlgStart)); },
              [&] { dlg.OnTrayNotify(dlg.TrayIcon().Record().id, ui::kTrayRightUp); })
        .Then("menu", [&] { return user.MenuShows(); }, [&] { user.ChooseMenu("打开网站访问控制系统(&M)"); })
        .Then("box", [&] { return user.BoxShows(); },
              [&] {
                boxText = user.BoxText();
                user.AnswerBox("确定");
              })
        .Then("quit", [&] { return !user.BoxShows(); },
              [&] { SendTrayMessage(BuildTrayMessage(kTrayCmdQuit)); })
        .Then("ended", [&] { return !dlg.IsCreated(); }, [] {});
    j.Start();
    dlg.DoModal();
    EXPECT_EQ(j.Failure(), "");
    EXPECT_TRUE(sent);
    EXPECT_NE(boxText.find("不存在，无法打开！"), std::string::npos) << boxText;
    // The icon with the busy look, and gone at the end.
    EXPECT_TRUE(has("icon=" + std::to_string(res::tray::kIconBusy))) << ReadText(journal);
    EXPECT_TRUE(has("tray delete ")) << ReadText(journal);
    ui::InstallResources(nullptr);
  }
  unsetenv("QOR_UI_JOURNAL");
}

}  // namespace
