// The two gradient push buttons: face colours, rows, edges by state, text, hover.
#include <gtest/gtest.h>

#include <algorithm>

#include "panel/my_button.h"
#include "panel/xp_button.h"
#include "platform/ui/dialog.h"
#include "platform/ui/recording_painter.h"
#include "tests/ui/sample_templates.h"
#include "tests/ui/ui_host_fixture.h"

namespace {

using namespace qortest;

TEST(GradientFace, BrushColours) {
  struct Case {
    int k;
    bool hovered, pressed;
    ui::Color color;
  } cases[] = {
      {0, false, false, ui::Rgb(255, 255, 255)},
      {63, true, true, ui::Rgb(240, 240, 234)},
      {63, true, false, ui::Rgb(240, 240, 243)},
      {63, false, true, ui::Rgb(234, 234, 240)},
      {63, false, false, ui::Rgb(234, 234, 243)},
      {12, false, false, ui::Rgb(251, 251, 253)},
  };
  for (const auto& c : cases) EXPECT_EQ(FaceBrushColor(c.k, c.hovered, c.pressed), c.color) << c.k;
}

TEST(GradientFace, RowBrushes) {
  EXPECT_EQ(FaceRowBrush(0, 16), 0);
  EXPECT_EQ(FaceRowBrush(8, 16), 31);
  EXPECT_EQ(FaceRowBrush(16, 16), 63);
  EXPECT_EQ(FaceRowBrush(18, 16), 63);  // rows below the face keep the last brush
  EXPECT_EQ(FaceRowBrush(5, 0), 63);
}

class GradientButtonTest : public UiHostTest {
 protected:
  GradientButtonTest() {
    UseResources(SampleResources());
    EXPECT_TRUE(dlg.Create());
  }
  std::vector<std::string> Paint(bool pressed = false) { return Host().PaintItem(dlg, kIdcRun, pressed); }
  static std::vector<std::string> Lines(const std::vector<std::string>& ops) {
    std::vector<std::string> out;
    for (const auto& op : ops)
      if (op.rfind("line ", 0) == 0) out.push_back(op);
    return out;
  }
  static size_t Fills(const std::vector<std::string>& ops) {
    return std::count_if(ops.begin(), ops.end(), [](const std::string& s) { return s.rfind("fill ", 0) == 0; });
  }
  ui::Dialog dlg{kSampleDialog};
};

// The button 1030 is 75 x 21 pixels: its face is (2,2)-(73,19), 71 x 17.
TEST_F(GradientButtonTest, XpButtonPlainFaceAndCentredText) {
  CXPButton b;
  ASSERT_TRUE(b.Attach(dlg, kIdcRun));
  EXPECT_TRUE(dlg.Item(kIdcRun)->IsOwnerDrawn());
  auto ops = Paint();
  ASSERT_GE(ops.size(), 3u);
  EXPECT_EQ(ops[0], "fill 0,0,75,21 #FFFFFF");
  EXPECT_EQ(ops[1], "roundrect 0,0,75,21 5x5 #8780CA w1");
  // Rows 2 to 18 (face height + 1), from the face's left to face width + 2.
  EXPECT_EQ(Fills(ops), 1u + 17u);
  EXPECT_EQ(ops[2], "fill 2,2,73,3 #FDFDFE");  // brush 2 * 63 / 17 = 7
  EXPECT_TRUE(Lines(ops).empty());
  // "运行" is 24 x 12 in the host's metrics.
  EXPECT_EQ(ops.back(), "text 运行 25,4,49,16 #000000 f24");
  auto pressed = Paint(true);
  EXPECT_EQ(pressed.back(), "text 运行 26,5,50,17 #000000 f24");
  EXPECT_TRUE(b.HasPressedLook());
}

TEST_F(GradientButtonTest, XpButtonEdgesFollowHoverAndFocus) {
  CXPButton b;
  ASSERT_TRUE(b.Attach(dlg, kIdcRun));
  Host().HoverItem(dlg, kIdcRun);
  EXPECT_TRUE(b.IsHovered());
  EXPECT_EQ(Lines(Paint()), (std::vector<std::string>{"line 2,16-2,4 #FAC458 w1", "line 72,16-72,4 #FBCA6A w1",
                                                      "line 4,2-71,2 #FCD279 w1", "line 4,19-71,19 #E59700 w1"}));
  Host().LeaveItem(dlg, kIdcRun);
  EXPECT_FALSE(b.IsHovered());
  EXPECT_FALSE(b.IsTracking());
  dlg.SetFocusItem(kIdcRun);
  // Focused and not hovered: set B, no focus rectangle.
  auto ops = Paint();
  EXPECT_EQ(Lines(ops).front(), "line 2,16-2,4 #99C6DE w1");
  EXPECT_TRUE(std::none_of(ops.begin(), ops.end(), [](const std::string& s) { return s.rfind("focus", 0) == 0; }));
}

TEST_F(GradientButtonTest, XpButtonWithoutTextDrawsNoTextAndGreysWhenDisabled) {
  CXPButton b;
  ASSERT_TRUE(b.Attach(dlg, kIdcRun));
  dlg.EnableItem(kIdcRun, false);
  EXPECT_EQ(Paint().back(), "text 运行 25,4,49,16 #000000 f56");
  dlg.SetItemText(kIdcRun, "");
  auto ops = Paint();
  EXPECT_EQ(ops.back().rfind("fill ", 0), 0u);
}

TEST_F(GradientButtonTest, MyButtonRoundedFaceFocusRectangle) {
  CMyButton b;
  ASSERT_TRUE(b.Attach(dlg, kIdcRun));
  EXPECT_EQ(dlg.Item(kIdcRun)->roundCorners, (ui::Size{30, 30}));
  auto ops = Paint();
  EXPECT_EQ(ops[0], "roundrect 0,0,75,21 5x5 #94ABBD w1");
  // Rows 2 to 19 (face height + 2).
  EXPECT_EQ(Fills(ops), 18u);
  dlg.SetFocusItem(kIdcRun);
  ops = Paint();
  EXPECT_EQ(Lines(ops), (std::vector<std::string>{"line 2,18-2,3 #99C6FC w2", "line 72,18-72,2 #A2BDFC w2",
                                                  "line 1,2-72,2 #A2C9FF w1", "line 2,19-72,19 #A2C9FF w1"}));
  EXPECT_EQ(ops[ops.size() - 2], "focus 2,2,73,19");
  // Hovered and focused: set A, no focus rectangle.
  Host().HoverItem(dlg, kIdcRun);
  ops = Paint();
  EXPECT_EQ(Lines(ops).front(), "line 2,18-2,3 #80D6FF w1");
  EXPECT_TRUE(std::none_of(ops.begin(), ops.end(), [](const std::string& s) { return s.rfind("focus", 0) == 0; }));
}

TEST_F(GradientButtonTest, HoverIsAskedForOnceUntilTheMouseLeaves) {
  CXPButton b;
  ASSERT_TRUE(b.Attach(dlg, kIdcRun));
  Host().HoverItem(dlg, kIdcRun);
  Host().HoverItem(dlg, kIdcRun);
  EXPECT_EQ(Host().LogStartingWith("track ").size(), 1u);
  // Hover repaints with erase, leave without.
  auto invalidations = Host().LogStartingWith("invalidate 900");
  ASSERT_FALSE(invalidations.empty());
  EXPECT_EQ(invalidations.back(), "invalidate 900 15,150,90,171 1");
  Host().LeaveItem(dlg, kIdcRun);
  EXPECT_EQ(Host().LogStartingWith("invalidate 900").back(), "invalidate 900 15,150,90,171 0");
  Host().HoverItem(dlg, kIdcRun);
  EXPECT_EQ(Host().LogStartingWith("track ").size(), 2u);
}

}  // namespace
