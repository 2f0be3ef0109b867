#include "panel/hover_button.h"

#include "platform/ui/resource_set.h"

int CHoverButton::LoadBitmaps(int bitmapId) {
  const ui::Image* strip = ui::LoadBitmap(bitmapId);
  if (!strip || strip->IsNull()) return 0;
  m_strip = *strip;
  m_width = m_strip.Width() / 4;
  m_height = m_strip.Height();
  SetSize(m_width, m_height);
  return 1;
}

void CHoverButton::SetToolTipText(const char* text) {
  if (!text) return;
  SetTooltip(text);
}

int CHoverButton::ImageIndex(const ui::DrawItemState& state) const {
  if (state.selected) return 1;
  if (state.focus) return 3;
  if (m_hover) return 2;
  return 0;
}

void CHoverButton::PreSubclass() { ModifyStyle(ui::style::kOwnerDraw, 0); }

void CHoverButton::DrawItem(ui::Painter& painter, const ui::DrawItemState& state) {
  if (m_strip.IsNull()) return;
  const int left = m_width * ImageIndex(state);
  painter.DrawImage(m_strip, ui::Rect{left, 0, left + m_width, m_height}, ui::Rect{0, 0, m_width, m_height});
}

void CHoverButton::OnMouseMove() {
  if (!m_tracking) m_tracking = TrackMouse();
}

void CHoverButton::OnMouseHover() {
  m_hover = true;
  Invalidate(true);
}

void CHoverButton::OnMouseLeave() {
  m_hover = false;
  m_tracking = false;
  Invalidate(true);
}
