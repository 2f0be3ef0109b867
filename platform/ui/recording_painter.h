#pragma once
// A painter that keeps every call as a line of text, for the test host's record.
// Text is measured with fixed metrics: 6 pixels per single-byte character, 12 per
// double-byte one, line height from the font.
#include <string>
#include <vector>

#include "platform/ui/painter.h"

namespace ui {

class RecordingPainter : public Painter {
 public:
  explicit RecordingPainter(Rect clip = Rect{0, 0, 10000, 10000}) : m_clip(clip) {}

  void FillRect(const Rect& r, Color c) override;
  void DrawLine(Point from, Point to, Color c, int width) override;
  void DrawRoundRect(const Rect& r, int ellipseW, int ellipseH, Color pen, int penWidth) override;
  void DrawImage(const Image& image, const Rect& src, const Rect& dst) override;
  void FillPattern(const Rect& r, const Image& pattern) override;
  void DrawText(const std::string& gbk, const Rect& r, const Font& font, Color c, unsigned format) override;
  Size MeasureText(const std::string& gbk, const Font& font) override;
  void DrawFocusRect(const Rect& r) override;
  Rect ClipBox() const override { return m_clip; }

  // "fill 0,0,10,10 #RRGGBB", "line 1,2-3,4 #RRGGBB w1", "roundrect ...", "image WxH src ... dst ...",
  // "pattern ...", "text <GBK text> ...", "focus ..."
  const std::vector<std::string>& Ops() const { return m_ops; }
  void Clear() { m_ops.clear(); }

 private:
  Rect m_clip;
  std::vector<std::string> m_ops;
};

std::string RectText(const Rect& r);
std::string ColorText(Color c);

}  // namespace ui
