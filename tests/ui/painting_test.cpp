// The record a painter keeps, the picture operations and the prefix rule of texts.
#include <gtest/gtest.h>

#include "platform/ui/image.h"
#include "platform/ui/painter.h"
#include "platform/ui/recording_painter.h"

namespace {

TEST(Image, LinesLeaveOutTheirEndPoint) {
  ui::Image img(8, 8, 0);
  img.DrawLine({0, 6}, {7, 6}, 0xFFFFFFFF);
  for (int x = 0; x < 7; ++x) EXPECT_EQ(img.Pixel(x, 6), 0xFFFFFFFFu) << x;
  EXPECT_EQ(img.Pixel(7, 6), 0u);
  img.DrawLine({7, 0}, {0, 0}, 0xFF646464);
  EXPECT_EQ(img.Pixel(0, 0), 0u);
  EXPECT_EQ(img.Pixel(1, 0), 0xFF646464u);
  EXPECT_EQ(img.Pixel(7, 0), 0xFF646464u);
}

TEST(Image, ColourKeyAndCopies) {
  ui::Image img(4, 2, 0xFF0000FF);
  img.SetPixel(1, 1, 0xFFFF0000);
  ui::Image keyed = img.WithColorKey(0xFF0000FF);
  EXPECT_EQ(keyed.Pixel(0, 0), 0u);
  EXPECT_EQ(keyed.Pixel(1, 1), 0xFFFF0000u);
  ui::Image part = img.Copy(ui::Rect{1, 1, 3, 2});
  EXPECT_EQ(part.Width(), 2);
  EXPECT_EQ(part.Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(img.Pixel(-1, 0), 0u);
}

TEST(Painter, PrefixMarksAreRemovedWithoutTouchingDoubleByteCharacters) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"关于(&A)...", "关于(A)..."},
      {"a&&b", "a&b"},
      {"&", ""},
      // 0x81 0x26 is one character whose trail byte is '&'.
      {std::string("\x81\x26x"), std::string("\x81\x26x")},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::StripPrefix(c.in), c.out) << c.in;
}

TEST(Painter, RecordsOperationsAndMeasuresDoubleByteTextWider) {
  ui::RecordingPainter p(ui::Rect{0, 0, 50, 20});
  p.FillRect(ui::Rect{0, 0, 5, 5}, ui::Rgb(1, 2, 3));
  p.DrawLine({0, 0}, {4, 0}, ui::Rgb(255, 0, 0), 2);
  EXPECT_EQ(p.Ops(), (std::vector<std::string>{"fill 0,0,5,5 #010203", "line 0,0-4,0 #FF0000 w2"}));
  ui::Font f{"宋体", 9};
  EXPECT_EQ(p.MeasureText("ab", f).cx, 12);
  EXPECT_EQ(p.MeasureText("保存", f).cx, 24);
  EXPECT_EQ(p.MeasureText("保存", f).cy, 12);
  EXPECT_EQ(p.ClipBox(), (ui::Rect{0, 0, 50, 20}));
}

}  // namespace
