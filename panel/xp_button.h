#pragma once
// The gradient push button of most pages and dialogs: orange edges while hovered,
// text centred in the face, greyed when disabled.
#include "panel/gradient_face.h"

class CXPButton : public CGradientButton {
 public:
  static const GradientPens& Pens();

  void DrawItem(ui::Painter& painter, const ui::DrawItemState& state) override;
  void DrawFace(ui::Painter& painter, const ui::Rect& face);
  void DrawBorder(ui::Painter& painter, const ui::Rect& face);
};
