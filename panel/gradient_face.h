#pragma once
// The rules both gradient push buttons paint by: the 64 face colours, the brush of a
// face row, the pens of the edges and the hover state kept between mouse messages.
#include "platform/ui/control_ref.h"
#include "platform/ui/geometry.h"
#include "platform/ui/painter.h"

// Width of the 3-D edge between a button's outline and its face.
inline constexpr int kEdgeX = 2;
inline constexpr int kEdgeY = 2;
inline constexpr int kFaceBrushes = 64;

struct PenSpec {
  ui::Color color;
  int width = 1;
};

struct EdgePens {
  PenSpec left, right, top, bottom;
};

struct GradientPens {
  PenSpec outline;
  EdgePens setA;  // hovered, or not focused
  EdgePens setB;  // focused and not hovered
};

// Brush k (0 to 63) of the face.
ui::Color FaceBrushColor(int k, bool hovered, bool pressedLook);
// The brush of row y of a face of the given height: y * 63 / height, at most 63.
int FaceRowBrush(int y, int faceHeight);
// Rows from the face's top through faceHeight + extraRows, each from the face's left
// edge to faceWidth + 2.
void PaintFaceRows(ui::Painter& painter, const ui::Rect& face, bool hovered, bool pressedLook, int extraRows);
void DrawPenLine(ui::Painter& painter, const PenSpec& pen, ui::Point from, ui::Point to);
// The caption centred on the face, one pixel down and right while pressed, black.
void DrawFaceCaption(ui::Painter& painter, const ui::Rect& face, const ui::DrawItemState& state);

// Hover and tracking flags, and the focus and pressed look of the last paint.
class CGradientButton : public ui::Button {
 public:
  bool IsHovered() const { return m_hover; }
  bool IsTracking() const { return m_tracking; }
  bool HasFocusLook() const { return m_focus; }
  bool HasPressedLook() const { return m_pressedLook; }

  void PreSubclass() override;
  void OnMouseMove() override;
  void OnMouseHover() override;
  void OnMouseLeave() override;

 protected:
  // Steps 3 and 4 of painting: the flags from the state, and the face rectangle.
  ui::Rect TakeState(const ui::DrawItemState& state);
  // Set A unless focused and not hovered.
  const EdgePens& EdgeSet(const GradientPens& pens) const;

  bool m_hover = false;
  bool m_tracking = false;
  bool m_focus = false;
  bool m_pressedLook = false;
};
