#include "platform/ui/recording_painter.h"

#include <cstdio>

#include "platform/gbk.h"

namespace ui {

std::string RectText(const Rect& r) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", r.left, r.top, r.right, r.bottom);
  return buf;
}

std::string ColorText(Color c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  return buf;
}

void RecordingPainter::FillRect(const Rect& r, Color c) { m_ops.push_back("fill " + RectText(r) + " " + ColorText(c)); }

void RecordingPainter::DrawLine(Point from, Point to, Color c, int width) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "line %d,%d-%d,%d %s w%d", from.x, from.y, to.x, to.y, ColorText(c).c_str(), width);
  m_ops.push_back(buf);
}

void RecordingPainter::DrawRoundRect(const Rect& r, int ew, int eh, Color pen, int penWidth) {
  char buf[64];
  std::snprintf(buf, sizeof buf, " %dx%d %s w%d", ew, eh, ColorText(pen).c_str(), penWidth);
  m_ops.push_back("roundrect " + RectText(r) + buf);
}

void RecordingPainter::DrawImage(const Image& image, const Rect& src, const Rect& dst) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "image %dx%d", image.Width(), image.Height());
  m_ops.push_back(std::string(buf) + " src " + RectText(src) + " dst " + RectText(dst));
}

void RecordingPainter::FillPattern(const Rect& r, const Image& pattern) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " %dx%d", pattern.Width(), pattern.Height());
  m_ops.push_back("pattern " + RectText(r) + buf);
}

void RecordingPainter::DrawText(const std::string& s, const Rect& r, const Font&, Color c, unsigned format) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " f%u", format);
  m_ops.push_back("text " + s + " " + RectText(r) + " " + ColorText(c) + buf);
}

Size RecordingPainter::MeasureText(const std::string& s, const Font& font) {
  int width = 0;
  for (size_t i = 0; i < s.size();) {
    size_t w = gbk::CharWidth(s, i);
    width += w == 2 ? 12 : 6;
    i += w;
  }
  return Size{width, font.PixelHeight()};
}

void RecordingPainter::DrawFocusRect(const Rect& r) { m_ops.push_back("focus " + RectText(r)); }

}  // namespace ui
