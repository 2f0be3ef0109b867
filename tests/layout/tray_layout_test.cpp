// The tray program's dialogs on the Qt host offscreen, with the shipped font: each
// visible control inside its dialog, each caption inside its box; a picture of each
// in <build>/artifacts. The splash is its picture and the button that closes it.
#include <set>

#include "platform/ui/resource_set.h"
#include "platform/ui/test_host.h"
#include "platform/ui/ui_hooks.h"
#include "resources/tray_ids.h"
#include "resources/tray_resources.h"
#include "tests/layout/layout_support.h"
#include "tray/dialog_start.h"

namespace {

using namespace qortest;

const auto* g_env = ::testing::AddGlobalTestEnvironment(new LayoutEnvironment);

class TrayLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_qtEnvironment);
    install.WriteMachineIni();
    res::InstallTrayResources();
  }
  void TearDown() override { ui::InstallResources(nullptr); }

  TempInstall install;
};

TEST_F(TrayLayout, EveryDialogFitsItsWindow) {
  std::set<int> checked;
  {
    // The status window is never meant to be seen; its template still has to fit.
    ui::Dialog main(res::tray::kDlgMain);
    ASSERT_TRUE(main.Create(nullptr));
    ExpectLaidOut(main, "layout_tray_main", &checked);
    main.DestroyWindow();
  }
  {
    CDialogStart splash;
    ASSERT_TRUE(splash.Create(nullptr));
    ExpectLaidOut(splash, "layout_tray_start", &checked);
    splash.DestroyWindow();
  }
  std::set<int> all;
  for (int id : res::TrayResources().DialogIds()) all.insert(id);
  EXPECT_EQ(checked, all);
}

TEST(TraySplashTemplate, ShowsOnlyThePictureAndAnOkButtonThatClosesIt) {
  res::InstallTrayResources();
  const ui::DialogTemplate* t = res::TrayResources().Dialog(res::tray::kDlgStart);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->controls.size(), 1u);
  EXPECT_EQ(t->controls[0].id, kIdOk);
  EXPECT_EQ(t->controls[0].text, "确定");
  ui::TestHost host;
  CDialogStart splash;
  ASSERT_TRUE(splash.Create(nullptr));
  EXPECT_TRUE(splash.IsItemVisible(kIdOk));
  EXPECT_TRUE(splash.Click(kIdOk));
  EXPECT_TRUE(splash.HasEnded());
  EXPECT_EQ(splash.Result(), kIdOk);
  ui::InstallResources(nullptr);
}

}  // namespace
