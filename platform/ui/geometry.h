#pragma once
// Points, sizes, rectangles and colours of the dialog model, in pixels.
#include <cstdint>

namespace ui {

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int cx = 0, cy = 0;
  bool operator==(const Size&) const = default;
};

// Right and bottom lie outside the rectangle.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;

  static Rect FromSize(int x, int y, int cx, int cy) { return Rect{x, y, x + cx, y + cy}; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  Rect Deflated(int dx, int dy) const { return Rect{left + dx, top + dy, right - dx, bottom - dy}; }
  Rect Offset(int dx, int dy) const { return Rect{left + dx, top + dy, right + dx, bottom + dy}; }
  bool operator==(const Rect&) const = default;
};

struct Color {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
  // 0xAARRGGBB with full alpha, the pixel form of Image.
  uint32_t Argb() const { return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b; }
  static Color FromArgb(uint32_t argb) {
    return Color{uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb)};
  }
};

constexpr Color Rgb(int r, int g, int b) { return Color{uint8_t(r), uint8_t(g), uint8_t(b)}; }

// Integer scaling with rounding to nearest, as dialog-unit conversion needs.
constexpr int MulDivRound(int value, int num, int den) {
  long long p = static_cast<long long>(value) * num;
  return static_cast<int>(p >= 0 ? (p + den / 2) / den : -((-p + den / 2) / den));
}

}  // namespace ui
