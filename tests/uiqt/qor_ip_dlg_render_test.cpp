// The panel's main window with its real pages on the Qt host offscreen, rendered to
// <build>/artifacts/main_window.png so that a person can look at it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "panel/qor_ip_dlg.h"
#include "platform/fs.h"
#include "platform/ui/qt/qt_host.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_resources.h"
#include "tests/support/qt_test_env.h"
#include "tests/support/temp_install.h"

namespace {


// No splash and no web: the picture shows the window as it is after its start.
class QuietMainDlg : public CQorIPDlg {
 protected:
  void RunStartSplash() override {}
};

TEST(QorIPDlgRenderTest, RendersTheWindowWithTheSystemPage) {
  ASSERT_TRUE(qortest::g_qtEnvironment);
  qortest::TempInstall install;
  install.WriteMachineIni();
  ui::QtHost host(qortest::g_qtArgc, qortest::g_qtArgv);
  res::InstallPanelResources();
  {
    QuietMainDlg dlg;
    dlg.SetNoticeFetcher(nullptr);
    ASSERT_TRUE(dlg.Create(nullptr));
    const std::string dir = qortest::ArtifactsDir();
    const std::string png = dir + "main_window.png";
    ASSERT_TRUE(host.RenderToPng(dlg, png));
    EXPECT_TRUE(platform::fs::IsFile(png));
    const ui::Image image = host.RenderToImage(dlg);
    EXPECT_EQ(image.Width(), 670);
    EXPECT_EQ(image.Height(), 490);
    EXPECT_TRUE(dlg.SystemPage()->IsVisible());
    dlg.DestroyWindow();
  }
  ui::InstallResources(nullptr);
}

}  // namespace
