// The picture button: which image of the strip a state shows, sizing, tooltip.
#include "panel/hover_button.h"

#include <gtest/gtest.h>

#include "platform/ui/dialog.h"
#include "resources/panel_ids.h"
#include "resources/panel_resources.h"
#include "tests/ui/sample_templates.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace qortest;

class HoverButtonTest : public UiHostTest {
 protected:
  HoverButtonTest() {
    m_set = SampleResources();
    m_set.AddBitmap(172, [] { return *res::PanelResources().Bitmap(res::panel::kBmpClose); });
    UseResources(m_set);
    EXPECT_TRUE(dlg.Create());
    EXPECT_TRUE(button.Attach(dlg, kIdcRun));
  }
  ui::ResourceSet m_set;
  ui::Dialog dlg{kSampleDialog};
  CHoverButton button;
};

TEST_F(HoverButtonTest, StateChoosesTheImage) {
  struct Case {
    bool selected, focus, hover;
    int image;
  } cases[] = {
      {false, false, false, 0}, {true, false, false, 1}, {false, false, true, 2},
      {false, true, false, 3},  {false, true, true, 3},  {true, true, true, 1},
  };
  for (const auto& c : cases) {
    if (c.hover) Host().HoverItem(dlg, kIdcRun);
    else Host().LeaveItem(dlg, kIdcRun);
    ui::DrawItemState s;
    s.selected = c.selected;
    s.focus = c.focus;
    EXPECT_EQ(button.ImageIndex(s), c.image) << c.selected << c.focus << c.hover;
  }
}

TEST_F(HoverButtonTest, LoadingSizesTheButtonToOneImage) {
  ASSERT_EQ(button.LoadBitmaps(172), 1);
  EXPECT_EQ(button.ImageWidth(), 24);
  EXPECT_EQ(button.ImageHeight(), 24);
  EXPECT_EQ(dlg.ItemRect(kIdcRun), (ui::Rect{15, 150, 39, 174}));  // the position stays
  dlg.SetFocusItem(kIdcRun);
  Host().HoverItem(dlg, kIdcRun);
  EXPECT_EQ(Host().PaintItem(dlg, kIdcRun), (std::vector<std::string>{"image 96x24 src 72,0,96,24 dst 0,0,24,24"}));
  EXPECT_EQ(Host().PaintItem(dlg, kIdcRun, true), (std::vector<std::string>{"image 96x24 src 24,0,48,24 dst 0,0,24,24"}));
  EXPECT_EQ(button.LoadBitmaps(4711), 0);
}

TEST_F(HoverButtonTest, TooltipAndLeaveRepaint) {
  button.SetToolTipText(nullptr);
  EXPECT_EQ(dlg.Item(kIdcRun)->tooltip, "");
  button.SetToolTipText("关闭软件");
  EXPECT_EQ(dlg.Item(kIdcRun)->tooltip, "关闭软件");
  Host().HoverItem(dlg, kIdcRun);
  EXPECT_TRUE(button.IsHovered());
  Host().LeaveItem(dlg, kIdcRun);
  EXPECT_FALSE(button.IsHovered());
  EXPECT_EQ(Host().LogStartingWith("invalidate 900").back().back(), '1');
}

}  // namespace
