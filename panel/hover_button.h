#pragma once
// A picture button drawn from a strip of four images (normal, pressed, hovered,
// focused) with a tooltip.
#include <string>

#include "platform/ui/control_ref.h"
#include "platform/ui/image.h"

class CHoverButton : public ui::Button {
 public:
  // Loads the strip and sizes the button to one image; 0 when the bitmap is missing.
  int LoadBitmaps(int bitmapId);
  // Nothing for a null text.
  void SetToolTipText(const char* text);
  void SetToolTipText(const std::string& text) { SetToolTipText(text.c_str()); }

  // Index of the strip image for a state: 1 pressed, else 3 focused, else 2 hovered, else 0.
  int ImageIndex(const ui::DrawItemState& state) const;
  int ImageWidth() const { return m_width; }
  int ImageHeight() const { return m_height; }
  bool IsHovered() const { return m_hover; }
  bool IsTracking() const { return m_tracking; }

  void PreSubclass() override;
  void DrawItem(ui::Painter& painter, const ui::DrawItemState& state) override;
  void OnMouseMove() override;
  void OnMouseHover() override;
  void OnMouseLeave() override;

 private:
  ui::Image m_strip;
  int m_width = 0, m_height = 0;
  bool m_hover = false, m_tracking = false;
};
