// The tray program's window and icon on the real host: the icon comes with the
// program's title, a status message from the mailslot changes it and shows a balloon,
// a right click on the icon opens its menu and every entry runs once: the panel is
// missing (the user is told in a box), the home page opens, 不显示托盘 ends it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/tray_message.h"
#include "platform/fs.h"
#include "platform/ui/menu.h"
#include "platform/ui/resource_set.h"
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
  // The home page opens without a desktop's opener: the program records it instead.
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", install.Base().c_str(), 1);
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
              [&] { dlg.OnTrayNotify(dlg.TrayIcon().Record().id, ui::kTrayRightUp); });
    // Every entry of the menu, as the resources define it, once; the last one ends the
    // program. An entry has run once its command is in the journal (a box it shows is up).
    auto count = [&](const std::string& part) {
      const std::string text = ReadText(journal);
      int n = 0;
      for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
      return n;
    };
    std::vector<ui::MenuItem> entries;
    for (const ui::MenuItem& item : ui::LoadMenu(res::tray::kMenuTray)->SubMenu(0)->items)
      if (!item.separator) entries.push_back(item);
    std::vector<int> commands;
    for (const ui::MenuItem& item : entries) {
      commands.push_back(item.id);
      const int ran = static_cast<int>(commands.size());
      // After the last entry the program is ending: its command is in the journal a
      // moment before the window goes, and a menu opened then would hold it up.
      const bool last = ran == static_cast<int>(entries.size());
      j.Then("menu " + item.text, [&] { return user.MenuShows(); }, [&, item] { user.ChooseMenu(item.text); })
          .Then("after " + item.text, [&, ran] { return count("command ") >= ran; },
                [&, last] {
                  if (user.BoxShows()) {
                    boxText = user.BoxText();
                    user.AnswerBox("确定");
                  }
                  if (!last && dlg.IsCreated() && !user.BoxShows())
                    dlg.OnTrayNotify(dlg.TrayIcon().Record().id, ui::kTrayRightUp);
                });
    }
    j.Then("ended", [&] { return !dlg.IsCreated(); }, [] {});
    j.Start();
    dlg.DoModal();
    EXPECT_EQ(j.Failure(), "");
    EXPECT_TRUE(sent);
    EXPECT_NE(boxText.find("不存在，无法打开！"), std::string::npos) << boxText;
    // The icon with the busy look, and gone at the end.
    EXPECT_TRUE(has("icon=" + std::to_string(res::tray::kIconBusy))) << ReadText(journal);
    EXPECT_TRUE(has("tray delete ")) << ReadText(journal);
    for (int id : commands)
      EXPECT_EQ(count("command " + std::to_string(dlg.TemplateId()) + " " + std::to_string(id) + "\n"), 1) << id << "\n" << ReadText(journal);
    EXPECT_EQ(count("command "), static_cast<int>(commands.size()));
    EXPECT_EQ(count("box "), 1);
    EXPECT_EQ(count("shell open https://"), 1) << ReadText(journal);
    ui::InstallResources(nullptr);
  }
  setenv("PATH", oldPath.c_str(), 1);
  unsetenv("QOR_UI_JOURNAL");
}

}  // namespace
