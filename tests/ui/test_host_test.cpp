// The test host itself: its clock and timers, modal runs, scripted answers and the
// failures it reports.
#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/ui/dialog.h"
#include "platform/ui/test_host.h"
#include "tests/ui/sample_templates.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace qortest;

struct TimerDialog : ui::Dialog {
  TimerDialog() : ui::Dialog(kSampleHolder) {}
  std::vector<std::pair<int, int64_t>> ticks;
  std::function<void(int)> onTimer;
  void OnTimer(int id) override {
    ticks.emplace_back(id, platform::clock::NowMs());
    if (onTimer) onTimer(id);
  }
};

class TestHostTest : public UiHostTest {
 protected:
  TestHostTest() { UseResources(SampleResources()); }
};

TEST_F(TestHostTest, TimersFireInTheOrderTheyFallDue) {
  TimerDialog dlg;
  ASSERT_TRUE(dlg.Create());
  const int64_t start = Host().Now();
  dlg.SetTimer(2, 300);
  dlg.SetTimer(1, 200);
  dlg.SetTimer(3, 200);  // due with timer 1, set after it
  Host().RunFor(450);
  std::vector<int> order;
  for (auto& [id, at] : dlg.ticks) order.push_back(id);
  EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 1, 3}));
  EXPECT_EQ(dlg.ticks[0].second - start, 200);
  EXPECT_EQ(dlg.ticks[2].second - start, 300);
  EXPECT_EQ(Host().Now() - start, 450);
}

TEST_F(TestHostTest, ElapsedPeriodsFoldIntoOneTick) {
  TimerDialog dlg;
  ASSERT_TRUE(dlg.Create());
  const int64_t start = Host().Now();
  dlg.SetTimer(1, 100);
  // A handler busy for 350 ms (a sleep on the fake clock) is followed by one tick at
  // once, not by the three it missed.
  dlg.onTimer = [&](int) {
    if (dlg.ticks.size() == 1) platform::clock::Sleep(350);
  };
  Host().RunFor(100);
  ASSERT_EQ(dlg.ticks.size(), 2u);
  EXPECT_EQ(dlg.ticks[1].second - start, 450);
  Host().RunFor(99);
  EXPECT_EQ(dlg.ticks.size(), 2u);
  Host().RunFor(1);
  ASSERT_EQ(dlg.ticks.size(), 3u);
  EXPECT_EQ(dlg.ticks[2].second - start, 550);
}

TEST_F(TestHostTest, KilledTimersStayQuiet) {
  TimerDialog dlg;
  ASSERT_TRUE(dlg.Create());
  dlg.SetTimer(1, 50);
  dlg.onTimer = [&](int id) { dlg.KillTimer(id); };
  Host().RunFor(500);
  EXPECT_EQ(dlg.ticks.size(), 1u);
  EXPECT_FALSE(Host().HasTimer(dlg, 1));
  EXPECT_FALSE(dlg.KillTimer(1));
}

TEST_F(TestHostTest, ModalRunEndsFromATimerAndDestroysTheWindow) {
  struct Init : TimerDialog {
    bool OnInitDialog() override {
      TimerDialog::OnInitDialog();
      SetTimer(7, 1000);
      return true;
    }
  } modal;
  modal.onTimer = [&](int) { modal.EndDialog(42); };
  EXPECT_EQ(modal.DoModal(), 42);
  EXPECT_FALSE(modal.IsCreated());
  EXPECT_EQ(Host().LogStartingWith("end "), (std::vector<std::string>{"end 903 42"}));
  EXPECT_TRUE(Host().OpenDialogs().empty());
}

TEST_F(TestHostTest, ADialogEndedDuringItsInitialisationNeverWaits) {
  struct Quick : ui::Dialog {
    Quick() : ui::Dialog(kSampleHolder) {}
    bool OnInitDialog() override {
      EndDialog(5);
      return true;
    }
  } dlg;
  EXPECT_EQ(dlg.DoModal(), 5);
  EXPECT_TRUE(Host().LogStartingWith("show").empty());
}

TEST_F(TestHostTest, ScriptedMessageBoxesAnswerThroughTheHook) {
  Host().ExpectMessageBox("重启", kIdYes);
  Host().ExpectMessageBox("", kIdCancel);
  EXPECT_EQ(ShowMessageBox("是否重启IIS服务？", "提示", kMbYesNo | kMbIconQuestion), kIdYes);
  EXPECT_EQ(ShowMessageBox("任何文字", "通知", kMbOkCancel), kIdCancel);
  ASSERT_EQ(Host().MessageBoxes().size(), 2u);
  EXPECT_EQ(Host().MessageBoxes()[0].caption, "提示");
  EXPECT_EQ(Host().MessageBoxes()[0].flags, kMbYesNo | kMbIconQuestion);
}

TEST(TestHostFailures, UnforeseenThingsAreReported) {
  std::vector<std::string> failures;
  {
    ui::InstallResources(&SampleResources());
    ui::TestHost host;
    host.SetFailureHandler([&](const std::string& m) { failures.push_back(m); });
    // A box nobody expected: declined.
    EXPECT_EQ(ShowMessageBox("删除吗？", "确认", kMbYesNo), kIdNo);
    // A box with other words than the script said: declined too.
    host.ExpectMessageBox("甲", kIdYes);
    EXPECT_EQ(ShowMessageBox("乙", "确认", kMbYesNo), kIdNo);
    // A modal dialog that waits for a user who never comes.
    ui::Dialog waiting(kSampleHolder);
    EXPECT_EQ(waiting.DoModal(), kIdCancel);
    // A menu nobody scripted.
    ui::MenuItem popup = *ui::LoadMenu(500)->SubMenu(0);
    EXPECT_EQ(host.TrackPopupMenu(popup, ui::Point{}, nullptr), 0);
    // Script steps left over at the end.
    host.ExpectMessageBox("从未出现", kIdOk);
    host.ExpectMenu(32001);
    ui::InstallResources(nullptr);
  }
  ASSERT_EQ(failures.size(), 6u);
  EXPECT_NE(failures[0].find("unexpected message box"), std::string::npos);
  EXPECT_NE(failures[1].find("where the script expected"), std::string::npos);
  EXPECT_NE(failures[2].find("waits for the user"), std::string::npos);
  EXPECT_NE(failures[3].find("unexpected popup menu"), std::string::npos);
  EXPECT_NE(failures[4].find("never shown"), std::string::npos);
  EXPECT_NE(failures[5].find("popup menu never shown"), std::string::npos);
}

TEST_F(TestHostTest, AChosenMenuCommandIsSentOnceOrReturnedNeverBoth) {
  struct Case {
    unsigned flags;
    int chosen;
    int answer;
    std::vector<std::string> seen;
  };
  const Case cases[] = {
      {0, 32002, 1, {"menu closed", "command"}},
      {0, 0, 0, {"menu closed"}},
      {ui::kTpmReturnCmd, 32002, 32002, {"menu closed"}},
      {ui::kTpmReturnCmd, 0, 0, {"menu closed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.flags) + " " + std::to_string(c.chosen));
    TimerDialog dlg;
    ASSERT_TRUE(dlg.Create());
    std::vector<std::string> seen;
    dlg.OnCommand(32002, [&] { seen.push_back("command"); });
    Host().ExpectMenu(c.chosen);
    const ui::MenuItem& popup = *ui::LoadMenu(500)->SubMenu(0);
    EXPECT_EQ(ui::TrackPopupMenu(popup, ui::Point{3, 4}, &dlg, c.flags), c.answer);
    seen.push_back("menu closed");
    Host().RunPending();
    EXPECT_EQ(seen, c.seen);
    EXPECT_EQ(Host().Menus().back().commands, (std::vector<int>{32001, 32002}));
    dlg.DestroyWindow();
  }
}

TEST_F(TestHostTest, WorkerThreadsPostToTheUserInterfaceThread) {
  const auto uiThread = std::this_thread::get_id();
  std::thread::id ranOn;
  std::thread worker([&] { ui::PostToUiThread([&] { ranOn = std::this_thread::get_id(); }); });
  worker.join();
  EXPECT_EQ(ranOn, std::thread::id());
  EXPECT_EQ(PumpMessages(), 1);
  EXPECT_EQ(ranOn, uiThread);
}

TEST_F(TestHostTest, QuitEndsTheModalLoopAndStopsPumping) {
  TimerDialog dlg;
  Host().WhenShown(kSampleHolder, [](ui::Dialog&) { ui::PostQuit(3); });
  dlg.DoModal();
  EXPECT_TRUE(Host().QuitRequested());
  EXPECT_EQ(PumpMessages(), 0);
}

TEST_F(TestHostTest, ShellOpensAndTextChangesAreRecorded) {
  TimerDialog dlg;
  ASSERT_TRUE(dlg.Create());
  dlg.SetItemText(kIdcOther, "改了");
  EXPECT_TRUE(ui::ShellOpen("/opt/qor/QoripPanel.exe", "-autorun"));
  Host().SetShellOpenResult(false);
  EXPECT_FALSE(ui::ShellOpen("http://example.invalid/help/guide/"));
  ASSERT_EQ(Host().ShellOpens().size(), 2u);
  EXPECT_EQ(Host().ShellOpens()[0].parameters, "-autorun");
  EXPECT_EQ(Host().LogStartingWith("text "), (std::vector<std::string>{"text 903 1060 改了"}));
}

}  // namespace
