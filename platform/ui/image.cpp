#include "platform/ui/image.h"

#include <algorithm>
#include <cstdlib>

namespace ui {

Image::Image(int width, int height, uint32_t argb)
    : m_width(std::max(0, width)), m_height(std::max(0, height)),
      m_pixels(static_cast<size_t>(m_width) * m_height, argb) {}

uint32_t Image::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  return m_pixels[static_cast<size_t>(y) * m_width + x];
}

void Image::SetPixel(int x, int y, uint32_t argb) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  m_pixels[static_cast<size_t>(y) * m_width + x] = argb;
}

void Image::FillRect(const Rect& r, uint32_t argb) {
  int l = std::max(0, r.left), t = std::max(0, r.top);
  int rt = std::min(m_width, r.right), b = std::min(m_height, r.bottom);
  for (int y = t; y < b; ++y)
    for (int x = l; x < rt; ++x) m_pixels[static_cast<size_t>(y) * m_width + x] = argb;
}

void Image::DrawLine(Point from, Point to, uint32_t argb) {
  int dx = std::abs(to.x - from.x), dy = -std::abs(to.y - from.y);
  int sx = from.x < to.x ? 1 : -1, sy = from.y < to.y ? 1 : -1;
  int err = dx + dy;
  int x = from.x, y = from.y;
  while (x != to.x || y != to.y) {
    SetPixel(x, y, argb);
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void Image::Blend(const Image& src, int ox, int oy) {
  for (int y = 0; y < src.Height(); ++y) {
    for (int x = 0; x < src.Width(); ++x) {
      uint32_t s = src.Pixel(x, y);
      unsigned a = s >> 24;
      if (a == 0) continue;
      if (a == 255) {
        SetPixel(ox + x, oy + y, s);
        continue;
      }
      uint32_t d = Pixel(ox + x, oy + y);
      auto mix = [&](int shift) {
        unsigned sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
        return ((sc * a + dc * (255 - a)) / 255) << shift;
      };
      unsigned da = d >> 24;
      unsigned oa = a + da * (255 - a) / 255;
      SetPixel(ox + x, oy + y, (oa << 24) | mix(16) | mix(8) | mix(0));
    }
  }
}

Image Image::Copy(const Rect& r) const {
  Image out(r.Width(), r.Height());
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) out.SetPixel(x, y, Pixel(r.left + x, r.top + y));
  return out;
}

Image Image::WithColorKey(uint32_t keyArgb) const {
  Image out = *this;
  for (auto& p : out.m_pixels)
    if ((p & 0xFFFFFFu) == (keyArgb & 0xFFFFFFu)) p = 0;
  return out;
}

}  // namespace ui
