// The rule editor with its real pages on the Qt host offscreen, both groups rendered
// to <build>/artifacts/rule_editor_*.png so that a person can look at them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "common/config.h"
#include "panel/dlg_rule.h"
#include "platform/fs.h"
#include "platform/ui/qt/qt_host.h"
#include "resources/panel_resources.h"
#include "resources/panel_rule_ids.h"
#include "tests/support/temp_install.h"

namespace {

const bool g_environment = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QOR_TIME_SCALE", "0.01", 1);
  return true;
}();

int g_argc = 1;
char g_name[] = "t_uiqt_dlg_rule_render_test";
char* g_argv[] = {g_name, nullptr};

TEST(DlgRuleRenderTest, RendersBothGroupsOfANewRule) {
  ASSERT_TRUE(g_environment);
  qortest::TempInstall install;
  install.WriteMachineIni();
  install.WriteProgramFile("iplib.db", "16777216|255|1|0|0*");
  ui::QtHost host(g_argc, g_argv);
  res::InstallPanelResources();
  {
    CConfig config;
    config.Load();
    std::atomic<bool> updating{false};
    std::atomic<int> restart{0};
    std::string domains;
    CDlgRule dlg(RuleContext{config, updating, restart, domains, ui::Font{}});
    ASSERT_TRUE(dlg.Create(nullptr));
    const std::string dir = qortest::BinDir() + "/../artifacts/";
    platform::fs::MakeDirs(dir);
    ASSERT_TRUE(host.RenderToPng(dlg, dir + "rule_editor_basic.png"));
    const ui::Image image = host.RenderToImage(dlg);
    EXPECT_EQ(image.Width(), 670);
    EXPECT_EQ(image.Height(), 490);
    dlg.Click(res::panel::kIdcEditorAdvanced);
    ASSERT_TRUE(host.RenderToPng(dlg, dir + "rule_editor_advanced.png"));
    EXPECT_TRUE(dlg.AdvancedGroup().IsVisible());
    dlg.DestroyWindow();
  }
  ui::InstallResources(nullptr);
}

}  // namespace
