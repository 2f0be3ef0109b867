#pragma once
// The model's painter over a QPainter, drawing pixel-exact without smoothing.
#include <QPainter>

#include "platform/ui/painter.h"

namespace ui::qt {

class QtPainter : public Painter {
 public:
  QtPainter(QPainter& p, const Rect& clip);

  void FillRect(const Rect& r, Color c) override;
  void DrawLine(Point from, Point to, Color c, int width) override;
  void DrawRoundRect(const Rect& r, int ellipseW, int ellipseH, Color pen, int penWidth) override;
  void DrawImage(const Image& image, const Rect& src, const Rect& dst) override;
  void FillPattern(const Rect& r, const Image& pattern) override;
  void DrawText(const std::string& gbk, const Rect& r, const Font& font, Color c, unsigned format) override;
  Size MeasureText(const std::string& gbk, const Font& font) override;
  void DrawFocusRect(const Rect& r) override;
  Rect ClipBox() const override { return m_clip; }

 private:
  QPainter& m_p;
  Rect m_clip;
};

}  // namespace ui::qt
