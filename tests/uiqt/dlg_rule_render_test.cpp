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
#include "tests/support/qt_test_env.h"
#include "tests/support/temp_install.h"

namespace {


TEST(DlgRuleRenderTest, RendersBothGroupsOfANewRule) {
  ASSERT_TRUE(qortest::g_qtEnvironment);
  qortest::TempInstall install;
  install.WriteMachineIni();
  install.WriteProgramFile("iplib.db", "16777216|255|1|0|0*");
  ui::QtHost host(qortest::g_qtArgc, qortest::g_qtArgv);
  res::InstallPanelResources();
  {
    CConfig config;
    config.Load();
    std::atomic<bool> updating{false};
    std::atomic<int> restart{0};
    std::string domains;
    CDlgRule dlg(RuleContext{config, updating, restart, domains, ui::Font{}});
    ASSERT_TRUE(dlg.Create(nullptr));
    const std::string dir = qortest::ArtifactsDir();
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
