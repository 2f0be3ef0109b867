#pragma once
// The gradient push button of the About box: a rounded window with blue edges while
// hovered and a focus rectangle while focused.
#include "panel/gradient_face.h"

class CMyButton : public CGradientButton {
 public:
  static const GradientPens& Pens();

  // Owner-drawn, in a rounded region (corner ellipse 30 x 30).
  void PreSubclass() override;
  void DrawItem(ui::Painter& painter, const ui::DrawItemState& state) override;
  virtual void DrawFace(ui::Painter& painter, const ui::Rect& face);
  virtual void DrawBorder(ui::Painter& painter, const ui::Rect& face);
};
