// Every dialog and page of the panel on the Qt host offscreen, with the shipped font:
// each visible control inside the part of its dialog that can be seen, each caption
// inside its box; a picture of each in <build>/artifacts.
#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "panel/about_dlg.h"
#include "panel/dialog_log_show.h"
#include "panel/dialog_start.h"
#include "panel/dlg_base_sel_sites.h"
#include "panel/dlg_rule.h"
#include "panel/panel_globals.h"
#include "panel/prop_rule_base.h"
#include "panel/prop_rule_ext.h"
#include "panel/qor_ip_dlg.h"
#include "panel/sort_arrows.h"
#include "platform/ui/resource_set.h"
#include "platform/ui/ui_hooks.h"
#include "resources/panel_ids.h"
#include "resources/panel_log_ids.h"
#include "resources/panel_resources.h"
#include "resources/panel_ruleext_ids.h"
#include "tests/layout/layout_support.h"

namespace {

using namespace qortest;
using namespace res::panel;

const auto* g_env = ::testing::AddGlobalTestEnvironment(new LayoutEnvironment);

// No splash and no web: the window as it is after its start.
class QuietMainDlg : public CQorIPDlg {
 protected:
  void RunStartSplash() override {}
};

class PanelLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_qtEnvironment);
    install.WriteMachineIni();
    install.WriteProgramFile("iplib.db", "16777216|255|1|0|0*");
    res::InstallPanelResources();
    g_Config.Load();
  }
  void TearDown() override { ui::InstallResources(nullptr); }

  // Every page of both groups, shown in turn, as the editor shows it.
  void RenderRulePages(CDlgRule& dlg) {
    for (CRulePageHolder* group : {static_cast<CRulePageHolder*>(&dlg.BasicGroup()),
                                   static_cast<CRulePageHolder*>(&dlg.AdvancedGroup())}) {
      dlg.Click(group == &dlg.BasicGroup() ? kIdcEditorBasic : kIdcEditorAdvanced);
      for (int i = 0; i < group->PageCount(); ++i) {
        group->OnShowPage(i);
        const std::string name = "rule_page_" + std::to_string(group->Page(i)->TemplateId()) + ".png";
        EXPECT_TRUE(g_layoutHost->RenderToPng(dlg, ArtifactsDir() + name)) << name;
      }
    }
  }

  TempInstall install;
};

// The part of a box that shows a light grey, as a filled button face does, where the
// page behind is white.
double GreyShare(const ui::Image& image, const ui::Rect& r) {
  int grey = 0, all = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const uint32_t p = image.Pixel(x, y);
      const uint32_t red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF, blue = p & 0xFF;
      ++all;
      if (red == green && green == blue && red >= 225 && red < 255) ++grey;
    }
  }
  return all ? static_cast<double>(grey) / all : 0;
}

int Luminance(uint32_t argb) {
  return (299 * ((argb >> 16) & 0xFF) + 587 * ((argb >> 8) & 0xFF) + 114 * (argb & 0xFF)) / 1000;
}

TEST_F(PanelLayout, EveryDialogAndPageFitsItsVisibleArea) {
  std::set<int> checked;
  {
    QuietMainDlg main;
    main.SetNoticeFetcher(nullptr);
    ASSERT_TRUE(main.Create(nullptr));
    ExpectLaidOut(main, "layout_main_system", &checked);
    main.OnRulesTab();
    ASSERT_TRUE(g_layoutHost->RenderToPng(main, ArtifactsDir() + "layout_main_rules.png"));
    main.OnLogsTab();
    ASSERT_TRUE(g_layoutHost->RenderToPng(main, ArtifactsDir() + "layout_main_logs.png"));
    main.DestroyWindow();
  }
  {
    CAboutDlg about;
    ASSERT_TRUE(about.Create(nullptr));
    ExpectLaidOut(about, "layout_about", &checked);
    about.DestroyWindow();
  }
  {
    CDialogStart splash(g_Config);
    ASSERT_TRUE(splash.Create(nullptr));
    ExpectLaidOut(splash, "layout_start", &checked);
    splash.DestroyWindow();
  }
  {
    // A busy day, on its last page: the six-digit figures of the status line and the
    // entries' numbers are the longest they take.
    std::string busy;
    for (int i = 0; i < 999950; ++i) busy += "x\n";
    for (int i = 0; i < 49; ++i) busy += "2016-12-31 23:59:59\tURL\t禁止访问\t255.255.255.255\t/a.asp\n";
    install.WriteProgramFile("log/qor2016-12-31.log", busy);
    CDialogLogShow viewer;
    ASSERT_TRUE(viewer.Create(nullptr));
    viewer.OnTimer(1);
    viewer.OnLastPage();
    ASSERT_EQ(viewer.PageShown(), 20000);
    ExpectLaidOut(viewer, "layout_log_viewer", &checked);
    viewer.DestroyWindow();
  }
  {
    CDlgRule editor(PanelRuleContext());
    ASSERT_TRUE(editor.Create(nullptr));
    ExpectLaidOut(editor, "layout_rule_editor", &checked);
    RenderRulePages(editor);
    editor.DestroyWindow();
  }
  {
    std::string domains;
    CDlgBaseSelSites picker(domains);
    ASSERT_TRUE(picker.Create(nullptr));
    ExpectLaidOut(picker, "layout_site_picker", &checked);
    picker.DestroyWindow();
  }
  std::set<int> all;
  for (int id : res::PanelResources().DialogIds()) all.insert(id);
  EXPECT_EQ(checked, all);
}

TEST_F(PanelLayout, TheCheckFindsAControlMovedOffItsPage) {
  CDlgRule editor(PanelRuleContext());
  ASSERT_TRUE(editor.Create(nullptr));
  ASSERT_TRUE(ui::CheckLayout(editor).empty());
  ui::Dialog* ip = editor.BasicGroup().Page(2);
  ASSERT_EQ(ip->TemplateId(), kDlgRuleIp);
  // Inside the page's 750 pixels, but past the holder's edge.
  const ui::Rect r = ip->ItemRect(kIdcIpFeedback);
  ip->MoveItem(kIdcIpFeedback, ui::Rect::FromSize(600, r.top, r.Width(), r.Height()));
  // A caption longer than its box.
  ui::Dialog* os = editor.AdvancedGroup().Page(5);
  ASSERT_EQ(os->TemplateId(), kDlgRuleOs);
  os->SetItemText(kIdcOsBoxes[7], "Mac OS X 10.x(Mountain Lion/Mavericks/Yosemite/El Capitan)");
  // A figure wider than its column.
  ui::Dialog* browser = editor.AdvancedGroup().Page(4);
  ASSERT_EQ(browser->TemplateId(), kDlgRuleBrowser);
  ui::ListModel& table = browser->Item(kIdcBrowserTable)->list;
  table.SetItemText(table.InsertItem(table.ItemCount(), "IE"), 1, "11.0.9600.16384.1234");
  browser->Changed(kIdcBrowserTable, ui::Aspect::List);
  const std::vector<ui::LayoutFault> faults = ui::CheckLayout(editor);
  const struct {
    int dialogId, controlId;
    const char* what;
  } expected[] = {{kDlgRuleIp, kIdcIpFeedback, "outside"},
                  {kDlgRuleBrowser, kIdcBrowserTable, "column 1"},
                  {kDlgRuleOs, kIdcOsBoxes[7], "caption"}};
  ASSERT_EQ(faults.size(), std::size(expected)) << FaultList(faults);
  for (size_t i = 0; i < faults.size(); ++i) {
    EXPECT_EQ(faults[i].dialogId, expected[i].dialogId) << i;
    EXPECT_EQ(faults[i].controlId, expected[i].controlId) << i;
    EXPECT_NE(faults[i].what.find(expected[i].what), std::string::npos) << faults[i].what;
  }
  editor.DestroyWindow();
}

TEST_F(PanelLayout, TheEditorHeaderShowsItsTitleAndNoteInFull) {
  CDlgRule editor(PanelRuleContext());
  ASSERT_TRUE(editor.Create(nullptr));
  const ui::Image* background = ui::LoadBitmap(kBmpBackground);
  ASSERT_NE(background, nullptr);
  // Nothing of the picture (the window's shield) lies under the title.
  const ui::Rect title = editor.ItemRect(kIdcEditorTitle);
  const uint32_t plain = background->Pixel(title.left, title.top);
  int covered = 0;
  for (int y = title.top; y < title.bottom; ++y)
    for (int x = title.left; x < title.right; ++x) covered += background->Pixel(x, y) != plain;
  EXPECT_EQ(covered, 0) << "pixels of the picture under the title";
  // The note's white text stands out from what lies under it.
  const ui::ControlColors colors = editor.ColorsOf(editor.Item(kIdcEditorNote));
  ASSERT_TRUE(colors.hasText);
  const int text = Luminance(colors.text.Argb());
  const ui::Rect note = editor.ItemRect(kIdcEditorNote);
  int faint = 0;
  for (int y = note.top; y < note.bottom; ++y)
    for (int x = note.left; x < note.right; ++x) faint += std::abs(text - Luminance(background->Pixel(x, y))) < 128;
  EXPECT_EQ(faint, 0) << "pixels under the note too close to its text colour";
  editor.DestroyWindow();
}

TEST_F(PanelLayout, CheckBoxesAndRadioButtonsShowThePageThrough) {
  CDlgRule editor(PanelRuleContext());
  ASSERT_TRUE(editor.Create(nullptr));
  editor.Click(kIdcEditorAdvanced);
  CRulePage* os = editor.AdvancedGroup().Page(5);
  editor.AdvancedGroup().OnShowPage(5);
  const ui::Image page = g_layoutHost->RenderToImage(*os);
  ASSERT_FALSE(page.IsNull());
  for (int id : {kIdcOsAllow, kIdcOsBoxes[4]}) EXPECT_LT(GreyShare(page, os->ItemRect(id)), 0.2) << id;
  editor.DestroyWindow();

  QuietMainDlg main;
  main.SetNoticeFetcher(nullptr);
  ASSERT_TRUE(main.Create(nullptr));
  main.OnLogsTab();
  ui::Dialog* logs = main.LogsPage();
  const ui::Image logImage = g_layoutHost->RenderToImage(*logs);
  EXPECT_LT(GreyShare(logImage, logs->ItemRect(kIdcLogOn)), 0.2);
  main.DestroyWindow();
}

TEST_F(PanelLayout, RuleDialogsDrawTheirButtonsSquare) {
  CDlgRule editor(PanelRuleContext());
  ASSERT_TRUE(editor.Create(nullptr));
  for (int id : {int(kIdOk), int(kIdCancel), kIdcEditorBasic, kIdcEditorAdvanced})
    EXPECT_EQ(editor.Item(id)->roundCorners, (ui::Size{0, 0})) << id;
  editor.DestroyWindow();
  std::string domains;
  CDlgBaseSelSites picker(domains);
  ASSERT_TRUE(picker.Create(nullptr));
  for (int id : {int(kIdOk), int(kIdCancel)}) EXPECT_EQ(picker.Item(id)->roundCorners, (ui::Size{0, 0})) << id;
  picker.DestroyWindow();
  QuietMainDlg main;
  main.SetNoticeFetcher(nullptr);
  ASSERT_TRUE(main.Create(nullptr));
  for (int id : {kIdcRuleAdd, kIdcRuleEdit, kIdcRuleDelete})
    EXPECT_EQ(main.RulesPage()->Item(id)->roundCorners, (ui::Size{0, 0})) << id;
  main.DestroyWindow();
}

// A column's sort arrow stands right of its caption: a red picture on the viewer's day
// list header lies wholly right of the caption's dark text.
TEST_F(PanelLayout, SortArrowStandsRightOfTheCaption) {
  CDialogLogShow viewer;
  ASSERT_TRUE(viewer.Create(nullptr));
  // The picture set as the list's own sorting sets it, on the list the viewer keeps.
  ui::ListModel& days = viewer.Item(kIdcShowDays)->list;
  constexpr uint32_t kRed = 0xFFFF0000;
  days.HeaderImages() = {ui::Image(8, 8, kRed)};
  ASSERT_NE(days.Column(0), nullptr);
  days.Column(0)->image = 0;
  days.Column(0)->imageOnRight = true;
  viewer.Changed(kIdcShowDays, ui::Aspect::List);
  const ui::Image shot = g_layoutHost->RenderToImage(viewer);
  const ui::Rect list = viewer.ItemRect(kIdcShowDays);
  const int width = days.Column(0)->width;
  int textRight = -1, redLeft = shot.Width(), reds = 0;
  // The header row: the top of the list, below its border.
  for (int y = list.top + 2; y < list.top + 20; ++y)
    for (int x = list.left + 2; x < list.left + width - 2; ++x) {
      const ui::Color c = ui::Color::FromArgb(shot.Pixel(x, y));
      if (c.r > 200 && c.g < 60 && c.b < 60) {
        redLeft = std::min(redLeft, x);
        ++reds;
      } else if (c.r < 90 && c.g < 90 && c.b < 90) {
        textRight = std::max(textRight, x);
      }
    }
  viewer.DestroyWindow();
  ASSERT_GT(reds, 0);
  ASSERT_GE(textRight, 0);
  EXPECT_GT(redLeft, textRight);
}

// Both sort arrows stand out from the header face: each of their pixels at least 64
// levels of luminance from the face at the right end of the day list's 时间 column.
TEST_F(PanelLayout, SortArrowsStandOutFromTheHeader) {
  CDialogLogShow viewer;
  ASSERT_TRUE(viewer.Create(nullptr));
  const ui::Image shot = g_layoutHost->RenderToImage(viewer);
  const ui::Rect list = viewer.ItemRect(kIdcShowDays);
  const int faceX = list.left + viewer.m_listDays.ColumnWidth(0) + viewer.m_listDays.ColumnWidth(1) - 20;
  viewer.DestroyWindow();
  std::set<int> face;
  for (int y = list.top + 4; y < list.top + 16; ++y) face.insert(Luminance(shot.Pixel(faceX, y)));
  ASSERT_LT(*face.rbegin() - *face.begin(), 32) << "not a plain face";
  for (const ui::Image& arrow : {MakeUpArrow(), MakeDownArrow()})
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const int lum = Luminance(arrow.Pixel(x, y));
        if (arrow.Pixel(x, y) != kArrowMask.Argb())
          EXPECT_TRUE(lum + 64 <= *face.begin() || lum - 64 >= *face.rbegin()) << x << "," << y << ": " << lum;
      }
}

}  // namespace
