#include "tray/qor_panel_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "common/date_text.h"
#include "platform/faults.h"
#include "platform/ui/ui_hooks.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/ui/recording_tray_backend.h"
#include "platform/ui/test_host.h"
#include "resources/tray_ids.h"
#include "resources/tray_resources.h"
#include "tests/support/fake_program.h"
#include "tests/support/temp_install.h"
#include "tray/dialog_start.h"

namespace {

namespace fs = platform::fs;
namespace proc = platform::process;

const std::string kTitle = "Qor·网站访问控制系统Ver1.3.2";

// The dialog without its worker threads: tests play the reader and the status thread.
class TestDlg : public CQorPanelDlg {
 public:
  using CQorPanelDlg::OnQuitCommand;
  using CQorPanelDlg::OnSlotReady;
  bool threadsStarted = false;

 protected:
  bool StartThreads() override {
    threadsStarted = true;
    return true;
  }
};

using qortest::FakeProgram;

class TrayDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    res::InstallTrayResources();
    host.SetFailureHandler([](const std::string& m) { ADD_FAILURE() << "test host: " << m; });
  }
  ui::TrayIconData Shown() { return backend.Shown()[131]; }
  // Runs the dialog; at each scripted moment the step runs, then the dialog ends.
  void Run(int64_t endMs) {
    host.After(endMs, [this] { dlg.EndDialog(0); });
    dlg.DoModal();
  }

  qortest::TempInstall install;
  ui::TestHost host;
  ui::RecordingTrayBackend backend;
  TestDlg dlg;
};

TEST_F(TrayDialog, StartsHiddenWithTheTitleIconAndMakesItsFolders) {
  ASSERT_EQ(fs::RemoveTree(install.ProgramDir() + "log"), fs::kOk);
  ASSERT_EQ(fs::RemoveTree(install.ProgramDir() + "iis"), fs::kOk);
  host.After(1, [&] {
    EXPECT_FALSE(dlg.IsVisible());
    EXPECT_EQ(dlg.WindowText(), kTitle);
    ui::TrayIconData d = Shown();
    EXPECT_EQ(d.iconId, 131);
    EXPECT_EQ(d.tip, kTitle);
    EXPECT_TRUE(host.HasTimer(dlg, kWatchTimer));
  });
  Run(10);
  EXPECT_TRUE(dlg.threadsStarted);
  EXPECT_TRUE(fs::IsDirectory(install.ProgramDir() + "log"));
  EXPECT_TRUE(fs::IsDirectory(install.ProgramDir() + "iis"));
  EXPECT_EQ(dlg.IisDir(), install.ProgramDir() + "iis/");
  EXPECT_EQ(host.LogStartingWith("settimer 102 5").size(), 1u);
  EXPECT_EQ(host.LogStartingWith("settimer 102 5")[0], "settimer 102 5 2000");
  EXPECT_TRUE(backend.Shown().empty()) << "the icon goes with the dialog";
}

TEST_F(TrayDialog, PaintingHidesTheWindow) {
  host.After(1, [&] {
    dlg.ShowWindow(ui::ShowMode::Show);
    ASSERT_TRUE(dlg.IsVisible());
    host.PaintDialog(dlg);
    EXPECT_FALSE(dlg.IsVisible());
    dlg.ShowWindow(ui::ShowMode::Show);
    dlg.OnOK();
    EXPECT_FALSE(dlg.IsVisible()) << "Enter hides, it does not end";
    EXPECT_FALSE(dlg.HasEnded());
  });
  Run(10);
}

TEST_F(TrayDialog, ServiceWatchShowsTheServiceGoneAndBack) {
  FakeProgram service(install.Base(), "qoripsvc");
  ASSERT_TRUE(service.Running());
  host.After(6001, [&] { EXPECT_EQ(Shown().tip, kTitle) << "the service runs: nothing changes"; });
  host.After(6500, [&] { service.Stop(); });
  host.After(11999, [&] { EXPECT_EQ(Shown().tip, kTitle) << "the next check comes at 12 s"; });
  host.After(12001, [&] {
    EXPECT_EQ(Shown().tip, "实时状态：已退出\n" + kTitle);
    EXPECT_EQ(Shown().iconId, 135);
  });
  FakeProgram* back = nullptr;
  host.After(12500, [&] { back = new FakeProgram(install.Base(), "qoripsvc"); });
  host.After(18001, [&] {
    EXPECT_EQ(Shown().tip, "实时状态：已就绪\n" + kTitle);
    EXPECT_EQ(Shown().iconId, 131);
  });
  Run(18100);
  delete back;
}

TEST_F(TrayDialog, ServiceWatchLeavesTheDisplayWithoutAProcessList) {
  platform::faults::Guard faults;
  faults.Fail(platform::faults::Kind::Snapshot, 13);
  host.After(12001, [&] {
    EXPECT_EQ(Shown().tip, kTitle);
    EXPECT_FALSE(dlg.Status().ServiceDown());
  });
  Run(12100);
}

TEST_F(TrayDialog, TaskbarRestartBringsBackTheStartIcon) {
  host.After(1, [&] {
    dlg.Status().Store(TrayMessage{3, ""});
    dlg.Status().TakeChange();
    EXPECT_EQ(Shown().iconId, 133);
    backend.RestartTaskbar();
    EXPECT_EQ(Shown().iconId, 131);
    EXPECT_EQ(Shown().tip, kTitle);
  });
  Run(10);
}

TEST_F(TrayDialog, IconWhoseFirstAddFailedComesWithTheTaskbar) {
  backend.SetAvailable(false);
  host.After(1, [&] {
    EXPECT_FALSE(dlg.TrayIcon().IsAdded());
    backend.RestartTaskbar();
    EXPECT_TRUE(dlg.TrayIcon().IsAdded());
    EXPECT_EQ(Shown().iconId, 131);
    EXPECT_EQ(Shown().tip, kTitle);
  });
  Run(10);
}

TEST_F(TrayDialog, DoubleClickOpensThePanelOrSaysItIsMissing) {
  host.ExpectMessageBox("]不存在，无法打开！", kIdOk);
  host.After(1, [&] { EXPECT_EQ(dlg.OnTrayNotify(131, ui::kTrayLeftDoubleClick), 0); });
  host.After(2, [&] {
    install.WriteProgramFile("QorIP", "panel");
    backend.Click(131, ui::kTrayLeftDoubleClick);
  });
  Run(10);
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "文件[" + install.ProgramDir() + "qorip]不存在，无法打开！");
  EXPECT_EQ(host.MessageBoxes()[0].flags & 0xF0, unsigned(kMbIconError));
  ASSERT_EQ(host.ShellOpens().size(), 1u);
  EXPECT_EQ(host.ShellOpens()[0].file, install.ProgramDir() + "QorIP");
  EXPECT_EQ(host.ShellOpens()[0].verb, "open");
}

TEST_F(TrayDialog, PanelButtonHidesOnlyWhenThePanelStarted) {
  host.ExpectMessageBox("不存在", kIdOk);
  host.After(1, [&] {
    dlg.ShowWindow(ui::ShowMode::Show);
    dlg.Click(kIdcPanel);
    EXPECT_TRUE(dlg.IsVisible());
    install.WriteProgramFile("QorIP", "panel");
    dlg.Click(kIdcPanel);
    EXPECT_FALSE(dlg.IsVisible());
  });
  Run(10);
}

TEST_F(TrayDialog, OtherIconsAndOtherMouseMessagesDoNothing) {
  host.After(1, [&] {
    EXPECT_EQ(dlg.OnTrayNotify(200, ui::kTrayRightUp), 1);
    EXPECT_EQ(dlg.OnTrayNotify(136, ui::kTrayLeftDown), 0);
    EXPECT_EQ(dlg.OnTrayNotify(128, ui::kTrayMouseMove), 0);
  });
  Run(10);
  EXPECT_TRUE(host.Menus().empty());
  EXPECT_TRUE(host.MessageBoxes().empty());
}

TEST_F(TrayDialog, MenuOffersItsFourEntries) {
  host.ExpectMenu(kCmdAbout);
  host.After(1, [&] { backend.Click(131, ui::kTrayRightUp); });
  Run(10);
  ASSERT_EQ(host.Menus().size(), 1u);
  EXPECT_EQ(host.Menus()[0].commands, (std::vector<int>{32773, 32771, 32776}));
  ASSERT_EQ(host.ShellOpens().size(), 1u);
  EXPECT_EQ(host.ShellOpens()[0].file, kHomePage);
}

TEST_F(TrayDialog, HideTrayEntryRemovesTheIconAndEnds) {
  host.ExpectMenu(kCmdHideTray);
  host.After(1, [&] { backend.Click(135, ui::kTrayRightUp); });
  host.After(1, [&] { backend.Click(131, ui::kTrayRightUp); });
  dlg.DoModal();
  EXPECT_TRUE(dlg.HasEnded());
  EXPECT_EQ(dlg.Result(), 0);
  EXPECT_TRUE(backend.Shown().empty());
  EXPECT_EQ(host.Menus().size(), 1u) << "icon 135 was never added";
}

TEST_F(TrayDialog, ExitLinkEnds) {
  host.After(1, [&] {
    dlg.ShowWindow(ui::ShowMode::Show);
    dlg.Click(kIdcExitLink);
  });
  dlg.DoModal();
  EXPECT_EQ(dlg.Result(), 0);
  EXPECT_TRUE(backend.Shown().empty());
}

TEST_F(TrayDialog, QuitCommandRemovesTheIconAndEnds) {
  host.After(5, [&] { dlg.OnQuitCommand(); });
  dlg.DoModal();
  EXPECT_TRUE(dlg.HasEnded());
  EXPECT_TRUE(backend.Shown().empty());
}

TEST_F(TrayDialog, CursorIsAHandOverTheLinks) {
  for (int id : {kIdcHideLink, kIdcWebLink, kIdcExitLink}) EXPECT_EQ(dlg.OnSetCursor(id), ui::Cursor::Hand) << id;
  for (int id : {0, kIdcPanel, kIdcExecute}) EXPECT_EQ(dlg.OnSetCursor(id), ui::Cursor::Arrow) << id;
}

TEST_F(TrayDialog, ExecuteOnlyLogsTheChoice) {
  struct Case {
    bool enable;
    int answer;  // of the question, 0 when none is asked
    std::string line;
  } cases[] = {
      {true, 0, "用户手动开启系统。"},
      {false, kIdYes, "用户手动关闭系统。"},
      {false, kIdNo, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    qortest::TempInstall own;
    ui::TestHost h;
    h.SetFailureHandler([](const std::string& m) { ADD_FAILURE() << "test host: " << m; });
    TestDlg d;
    if (c.answer) h.ExpectMessageBox("确定要关闭Qor·网站访问控制系统吗？", c.answer);
    h.ExpectMessageBox("操作成功，稍后将生效。", kIdOk);
    std::string now;
    h.After(1, [&] {
      d.ShowWindow(ui::ShowMode::Show);
      d.CheckItem(kIdcEnable, c.enable ? 1 : 0);
      now = GetNowText();
      d.Click(kIdcExecute);
      d.EndDialog(0);
    });
    d.DoModal();
    std::string log = own.ReadProgramFile("log/qor.log");
    EXPECT_EQ(log, c.line.empty() ? "" : "[" + now + "]\t" + c.line + "\n");
    if (c.answer) {
      ASSERT_GE(h.MessageBoxes().size(), 1u);
      EXPECT_EQ(h.MessageBoxes()[0].caption, "退出确认");
      EXPECT_EQ(h.MessageBoxes()[0].flags, unsigned(kMbYesNo | kMbIconInformation | kMbDefButton2));
    }
  }
}

TEST_F(TrayDialog, ExecuteTwiceLogsOneLine) {
  host.ExpectMessageBox("操作成功", kIdOk);
  host.ExpectMessageBox("操作成功", kIdOk);
  host.After(1, [&] {
    dlg.ShowWindow(ui::ShowMode::Show);
    dlg.CheckItem(kIdcEnable, 1);
    dlg.Click(kIdcExecute);
    dlg.Click(kIdcExecute);
  });
  Run(10);
  std::string log = install.ReadProgramFile("log/qor.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}

TEST_F(TrayDialog, SplashShowsTwoSecondsAfterTheSlotWhenThePanelIsAway) {
  int64_t start = 0, shownAt = -1, closedAt = -1;
  host.WhenShown(res::tray::kDlgStart, [&](ui::Dialog& splash) {
    shownAt = host.Now() - start;
    EXPECT_EQ(splash.WindowRect().Width(), 400);
    EXPECT_EQ(splash.WindowRect().Height(), 250);
    EXPECT_TRUE(host.PressKey(splash, ui::Key::Enter));
    EXPECT_TRUE(host.PressKey(splash, ui::Key::Escape));
    EXPECT_FALSE(splash.HasEnded());
  });
  host.After(1, [&] {
    start = host.Now();
    dlg.OnSlotReady();
    dlg.OnSlotReady();  // asked twice, shown once
  });
  host.After(6000, [&] { closedAt = host.FindDialog(res::tray::kDlgStart) ? -1 : 1; });
  Run(6001);
  EXPECT_GE(shownAt, 2000);
  EXPECT_LT(shownAt, 2100);
  EXPECT_EQ(closedAt, 1);
  EXPECT_EQ(host.LogStartingWith("create 142").size(), 1u);
  EXPECT_EQ(host.LogStartingWith("end 142").size(), 1u);
}

TEST_F(TrayDialog, QuitWhileTheSplashShowsEndsAtOnce) {
  int64_t quitAt = -1;
  host.WhenShown(res::tray::kDlgStart, [&](ui::Dialog&) {
    quitAt = host.Now();
    dlg.OnQuitCommand();
  });
  host.After(1, [&] { dlg.OnSlotReady(); });
  host.After(20000, [&] { dlg.EndDialog(1); });  // only when the quit was lost
  dlg.DoModal();
  ASSERT_GE(quitAt, 0);
  EXPECT_EQ(dlg.Result(), 0);
  EXPECT_LT(host.Now() - quitAt, 100) << "not after the splash's own close";
  EXPECT_TRUE(backend.Shown().empty());
}

TEST_F(TrayDialog, NoSplashWhileThePanelRuns) {
  FakeProgram panel(install.Base(), "QorIP");
  host.After(1, [&] { dlg.OnSlotReady(); });
  Run(5000);
  EXPECT_TRUE(host.LogStartingWith("create 142").empty());
}

TEST(TraySplash, ClosesItselfAfterAboutOnePointSevenSeconds) {
  res::InstallTrayResources();
  ui::TestHost host;
  CDialogStart splash;
  int64_t start = host.Now();
  splash.DoModal();
  EXPECT_EQ(host.Now() - start, 1700);
  EXPECT_EQ(splash.Result(), kIdOk);
  EXPECT_TRUE(host.Failures().empty());
}

}  // namespace
