#include "panel/xp_button.h"

namespace {
// The device context's own background, which the off-screen copy starts from.
const ui::Color kContextBackground = ui::Rgb(255, 255, 255);
}  // namespace

const GradientPens& CXPButton::Pens() {
  static const GradientPens pens{
      {ui::Rgb(135, 128, 202), 1},
      {{ui::Rgb(250, 196, 88), 1}, {ui::Rgb(251, 202, 106), 1}, {ui::Rgb(252, 210, 121), 1}, {ui::Rgb(229, 151, 0), 1}},
      {{ui::Rgb(153, 198, 222), 1}, {ui::Rgb(162, 189, 222), 1}, {ui::Rgb(162, 201, 222), 1}, {ui::Rgb(162, 201, 222), 1}},
  };
  return pens;
}

void CXPButton::DrawItem(ui::Painter& painter, const ui::DrawItemState& state) {
  painter.FillRect(painter.ClipBox(), kContextBackground);
  painter.DrawRoundRect(state.rect, 5, 5, Pens().outline.color, Pens().outline.width);
  const ui::Rect face = TakeState(state);
  DrawFace(painter, face);
  if (m_hover || m_focus) DrawBorder(painter, face);
  if (state.text.empty()) return;
  DrawFaceCaption(painter, face, state);
}

void CXPButton::DrawFace(ui::Painter& painter, const ui::Rect& face) {
  PaintFaceRows(painter, face, m_hover, m_pressedLook, 1);
}

void CXPButton::DrawBorder(ui::Painter& painter, const ui::Rect& r) {
  const EdgePens& pens = EdgeSet(Pens());
  DrawPenLine(painter, pens.left, {r.left, r.bottom - 3}, {r.left, r.top + 2});
  DrawPenLine(painter, pens.right, {r.right - 1, r.bottom - 3}, {r.right - 1, r.top + 2});
  DrawPenLine(painter, pens.top, {r.left + 2, r.top}, {r.right - 2, r.top});
  DrawPenLine(painter, pens.bottom, {r.left + 2, r.bottom}, {r.right - 2, r.bottom});
}
