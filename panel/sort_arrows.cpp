#include "panel/sort_arrows.h"

namespace {
void Pixels(ui::Image& img, std::initializer_list<ui::Point> points, ui::Color c) {
  for (ui::Point p : points) img.SetPixel(p.x, p.y, c);
}
}  // namespace

ui::Image MakeUpArrow() {
  ui::Image img(8, 8, kArrowMask.Argb());
  img.DrawLine({0, 6}, {7, 6}, kArrowLight.Argb());
  Pixels(img, {{4, 0}, {4, 1}, {5, 1}, {5, 2}, {5, 3}, {6, 3}, {6, 4}, {6, 5}, {7, 5}}, kArrowLight);
  Pixels(img, {{3, 0}, {3, 1}, {2, 1}, {2, 2}, {2, 3}, {1, 3}, {1, 4}, {1, 5}, {0, 5}}, kArrowGrey);
  return img;
}

ui::Image MakeDownArrow() {
  ui::Image img(8, 8, kArrowMask.Argb());
  img.DrawLine({7, 0}, {0, 0}, kArrowGrey.Argb());
  // (3,5) is in both lists; the darker grey that comes second wins.
  Pixels(img, {{7, 1}, {6, 1}, {6, 2}, {6, 3}, {5, 3}, {5, 4}, {5, 5}, {3, 5}, {4, 6}}, kArrowLight);
  Pixels(img, {{0, 1}, {1, 1}, {1, 2}, {1, 3}, {2, 3}, {2, 4}, {2, 5}, {3, 5}, {3, 6}}, kArrowGrey);
  return img;
}
