// The start splash on the test host, with a real configuration store in a temporary
// installation.
#include "panel/dialog_start.h"

#include <gtest/gtest.h>

#include "common/coding.h"
#include "common/config.h"
#include "common/hardware.h"
#include "common/program_paths.h"
#include "platform/ui/ui_hooks.h"
#include "resources/panel_ids.h"
#include "resources/panel_resources.h"
#include "tests/support/temp_install.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace res::panel;

// Counts the loads and notes the text line each one saw.
class CountingStart : public CDialogStart {
 public:
  using CDialogStart::CDialogStart;
  int loads = 0;
  std::string textAtLoad;

 protected:
  void LoadConfiguration() override {
    ++loads;
    textAtLoad = ItemText(kIdcStartText);
    CDialogStart::LoadConfiguration();
  }
};

class DialogStartTest : public qortest::UiHostTest {
 protected:
  DialogStartTest() {
    m_install.WriteMachineIni();
    UseResources(res::PanelResources());
  }
  qortest::TempInstall m_install;
};

TEST_F(DialogStartTest, CountsUpAndLoadsTheStoreOnceAtTenPercent) {
  CConfig config;
  CountingStart splash(config);
  const int64_t start = Host().Now();
  EXPECT_EQ(splash.DoModal(), kIdOk);
  EXPECT_EQ(splash.loads, 1);
  EXPECT_EQ(splash.textAtLoad, "加载配置...(10%)");
  std::vector<std::string> expected{"text 146 1049 启动中...(0%)", "text 146 1049 加载配置...(10%)"};
  for (int p = 20; p <= 100; p += 10) expected.push_back("text 146 1049 启动中...(" + std::to_string(p) + "%)");
  EXPECT_EQ(Host().LogStartingWith("text 146 1049"), expected);
  // 100 ms before the work, then eleven steps of 50 ms.
  EXPECT_GE(Host().Now() - start, 100 + 11 * 50);
  EXPECT_EQ(Host().LogStartingWith("killtimer 146 1").size(), 1u);
  EXPECT_EQ(g_LogDir, m_install.ProgramDir() + "log/");
}

TEST_F(DialogStartTest, TheStoreIsReadWithTheMachineKey) {
  {
    CConfig writer;
    writer.SetKey(TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
    ASSERT_EQ(writer.Load(), 1);
    writer.SetSystem("1");
    writer.SetLogDelDays("7");
    ASSERT_EQ(writer.Save(), 1);
  }
  CConfig config;
  CDialogStart splash(config);
  splash.DoModal();
  EXPECT_EQ(config.GetKey(), TextToKey(CHardware().GetMachineKeyText(Build::Panel)));
  EXPECT_EQ(config.GetSystem(), "1");
  EXPECT_EQ(config.GetLogDelDays(), "7");
}

TEST_F(DialogStartTest, EscapeAndEnterDoNotCloseIt) {
  CConfig config;
  CountingStart splash(config);
  bool swallowed = false;
  Host().WhenShown(kDlgStart, [&](ui::Dialog& d) {
    swallowed = Host().PressKey(d, ui::Key::Escape) && Host().PressKey(d, ui::Key::Enter);
    EXPECT_FALSE(d.HasEnded());
  });
  EXPECT_EQ(splash.DoModal(), kIdOk);
  EXPECT_TRUE(swallowed);
  // It ran its whole course after the keys.
  EXPECT_EQ(splash.loads, 1);
  EXPECT_EQ(Host().LogStartingWith("text 146 1049").size(), 11u);
}

TEST_F(DialogStartTest, FourHundredByTwoFiftyWithItsPicture) {
  CConfig config;
  CDialogStart splash(config);
  Host().WhenShown(kDlgStart, [&](ui::Dialog& d) {
    EXPECT_EQ(d.WindowRect().Width(), 400);
    EXPECT_EQ(d.WindowRect().Height(), 250);
    EXPECT_EQ(Host().PaintDialog(d), (std::vector<std::string>{"image 400x250 src 0,0,400,250 dst 0,0,400,250"}));
    ui::ControlColors text = d.ColorsOf(d.Item(kIdcStartText));
    EXPECT_TRUE(text.transparent);
    ASSERT_TRUE(text.hasText);
    EXPECT_EQ(text.text, ui::Rgb(255, 255, 255));
    ui::ControlColors label = d.ColorsOf(d.Controls().front().get());
    EXPECT_TRUE(label.transparent);
    EXPECT_FALSE(label.hasText);
    EXPECT_FALSE(d.ColorsOf(d.Item(kIdcStartProgress)).transparent);
  });
  splash.DoModal();
  // The template alone makes it 401 x 251, centred; the top-left corner stays.
  EXPECT_EQ(Host().LogStartingWith("geometry 146").back(), "geometry 146 439,386,839,636");
}

TEST_F(DialogStartTest, RefreshingTheTextRepaintsItsAreaWithErase) {
  CConfig config;
  CDialogStart splash(config);
  splash.DoModal();
  auto inval = Host().LogStartingWith("invalidate 146");
  // Twice per step: after the text and again after the pump.
  ASSERT_EQ(inval.size(), 22u);
  EXPECT_EQ(inval.front(), "invalidate 146 15,207,315,221 1");
}

}  // namespace
