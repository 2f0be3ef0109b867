#include "panel/my_button.h"

const GradientPens& CMyButton::Pens() {
  static const GradientPens pens{
      {ui::Rgb(148, 171, 189), 1},
      {{ui::Rgb(128, 214, 255), 1}, {ui::Rgb(63, 149, 200), 2}, {ui::Rgb(128, 214, 255), 1}, {ui::Rgb(63, 149, 200), 1}},
      {{ui::Rgb(153, 198, 252), 2}, {ui::Rgb(162, 189, 252), 2}, {ui::Rgb(162, 201, 255), 1}, {ui::Rgb(162, 201, 255), 1}},
  };
  return pens;
}

void CMyButton::PreSubclass() {
  CGradientButton::PreSubclass();
  SetRoundRegion(30, 30);
}

void CMyButton::DrawItem(ui::Painter& painter, const ui::DrawItemState& state) {
  painter.DrawRoundRect(state.rect, 5, 5, Pens().outline.color, Pens().outline.width);
  const ui::Rect face = TakeState(state);
  DrawFace(painter, face);
  if (m_hover || m_focus) DrawBorder(painter, face);
  DrawFaceCaption(painter, face, state);
}

void CMyButton::DrawFace(ui::Painter& painter, const ui::Rect& face) {
  PaintFaceRows(painter, face, m_hover, m_pressedLook, 2);
}

void CMyButton::DrawBorder(ui::Painter& painter, const ui::Rect& r) {
  const bool setB = m_focus && !m_hover;
  const EdgePens& pens = EdgeSet(Pens());
  DrawPenLine(painter, pens.left, {r.left, r.bottom - 1}, {r.left, r.top + 1});
  DrawPenLine(painter, pens.right, {r.right - 1, r.bottom - 1}, {r.right - 1, r.top});
  DrawPenLine(painter, pens.top, {r.left - 1, r.top}, {r.right - 1, r.top});
  DrawPenLine(painter, pens.bottom, {r.left, r.bottom}, {r.right - 1, r.bottom});
  if (setB) painter.DrawFocusRect(r);
}
