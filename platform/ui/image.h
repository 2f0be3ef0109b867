#pragma once
// A picture in memory (bitmaps, icons, arrow images), 0xAARRGGBB per pixel, with the
// few drawing operations that resources and image lists need.
#include <cstdint>
#include <vector>

#include "platform/ui/geometry.h"

namespace ui {

class Image {
 public:
  Image() = default;
  Image(int width, int height, uint32_t argb = 0);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  bool IsNull() const { return m_width <= 0 || m_height <= 0; }
  const std::vector<uint32_t>& Pixels() const { return m_pixels; }

  // Outside the picture: reads give 0, writes do nothing.
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t argb);
  void SetPixel(int x, int y, Color c) { SetPixel(x, y, c.Argb()); }

  void FillRect(const Rect& r, uint32_t argb);
  // A line of width 1 from 'from' to 'to', the end point left out.
  void DrawLine(Point from, Point to, uint32_t argb);
  // Alpha-blends src at (x, y).
  void Blend(const Image& src, int x, int y);
  // A part of the picture as a new one (clipped).
  Image Copy(const Rect& r) const;
  // Pixels equal to the key colour become fully transparent.
  Image WithColorKey(uint32_t keyArgb) const;

  bool operator==(const Image&) const = default;

 private:
  int m_width = 0, m_height = 0;
  std::vector<uint32_t> m_pixels;
};

}  // namespace ui
