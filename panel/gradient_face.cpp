#include "panel/gradient_face.h"

#include <algorithm>

ui::Color FaceBrushColor(int k, bool hovered, bool pressedLook) {
  const int a = 255 - k / 4, c = 255 - k / 3, b = 255 - k / 5;
  if (hovered) return ui::Rgb(a, a, pressedLook ? c : b);
  return ui::Rgb(c, c, pressedLook ? a : b);
}

int FaceRowBrush(int y, int faceHeight) {
  if (faceHeight <= 0) return kFaceBrushes - 1;
  return std::clamp(y * (kFaceBrushes - 1) / faceHeight, 0, kFaceBrushes - 1);
}

void PaintFaceRows(ui::Painter& painter, const ui::Rect& face, bool hovered, bool pressedLook, int extraRows) {
  const int height = face.Height(), width = face.Width();
  for (int y = face.top; y <= height + extraRows; ++y)
    painter.FillRect(ui::Rect{face.left, y, width + 2, y + 1}, FaceBrushColor(FaceRowBrush(y, height), hovered, pressedLook));
}

void DrawPenLine(ui::Painter& painter, const PenSpec& pen, ui::Point from, ui::Point to) {
  painter.DrawLine(from, to, pen.color, pen.width);
}

void CGradientButton::PreSubclass() { ModifyStyle(ui::style::kOwnerDraw, 0); }

void CGradientButton::OnMouseMove() {
  if (!m_tracking) m_tracking = TrackMouse();
}

void CGradientButton::OnMouseHover() {
  m_hover = true;
  Invalidate(true);
}

void CGradientButton::OnMouseLeave() {
  m_hover = false;
  m_tracking = false;
  Invalidate(false);
}

ui::Rect CGradientButton::TakeState(const ui::DrawItemState& state) {
  m_focus = state.focus;
  m_pressedLook = m_focus || state.selected || state.isDefault;
  return state.rect.Deflated(kEdgeX, kEdgeY);
}

const EdgePens& CGradientButton::EdgeSet(const GradientPens& pens) const {
  return (!m_focus || m_hover) ? pens.setA : pens.setB;
}

void DrawFaceCaption(ui::Painter& painter, const ui::Rect& face, const ui::DrawItemState& state) {
  const std::string shown = ui::StripPrefix(state.text);
  const ui::Size size = painter.MeasureText(shown, state.font);
  int x = face.left + (face.Width() - size.cx) / 2;
  int y = face.top + (face.Height() - size.cy) / 2;
  if (state.selected) {
    ++x;
    ++y;
  }
  unsigned format = ui::text_format::kPrefix | ui::text_format::kSingleLine;
  if (state.disabled) format |= ui::text_format::kDisabled;
  painter.DrawText(state.text, ui::Rect::FromSize(x, y, size.cx, size.cy), state.font, ui::Rgb(0, 0, 0), format);
}
