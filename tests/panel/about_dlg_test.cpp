// The About box on the test host.
#include "panel/about_dlg.h"

#include <gtest/gtest.h>

#include "platform/ui/ui_hooks.h"
#include "resources/panel_ids.h"
#include "resources/panel_main_ids.h"
#include "resources/panel_resources.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace res::panel;

class AboutDlgTest : public qortest::UiHostTest {
 protected:
  AboutDlgTest() { UseResources(res::PanelResources()); }
};

TEST_F(AboutDlgTest, ShowsTheVersionAndOpensTheSite) {
  CAboutDlg about;
  Host().WhenShown(kDlgAbout, [&](ui::Dialog& d) {
    EXPECT_EQ(d.ItemText(kIdcAboutVersion), "版本号：V1.3.2");
    EXPECT_EQ(d.WindowText(), "关于 Qor·网站访问控制系统");
    // The OK button paints itself.
    EXPECT_TRUE(d.Item(kIdOk)->IsOwnerDrawn());
    const ui::ControlColors link = d.ColorsOf(d.Item(kIdcAboutSiteLink));
    ASSERT_TRUE(link.hasText);
    EXPECT_EQ(link.text, ui::Rgb(0, 0, 255));
    EXPECT_FALSE(d.ColorsOf(d.Item(kIdcAboutVersion)).hasText);
    EXPECT_EQ(d.OnSetCursor(kIdcAboutSiteLink), ui::Cursor::Hand);
    EXPECT_EQ(d.OnSetCursor(kIdcAboutVersion), ui::Cursor::Default);
    EXPECT_TRUE(d.Click(kIdcAboutSiteLink));
    EXPECT_FALSE(d.HasEnded());
    d.SendCommand(kIdOk);
  });
  EXPECT_EQ(about.DoModal(), kIdOk);
  ASSERT_EQ(Host().ShellOpens().size(), 1u);
  EXPECT_EQ(Host().ShellOpens()[0].file, "http://www.qorip.example/");
  EXPECT_EQ(Host().ShellOpens()[0].verb, "open");
  EXPECT_EQ(Host().ShellOpens()[0].file, DefaultAddress());
}

}  // namespace
