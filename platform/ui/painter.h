#pragma once
// The small painter that owner-drawn controls and dialog backgrounds draw with.
// Coordinates are pixels of the control or dialog being painted.
#include <string>

#include "platform/ui/font.h"
#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace ui {

namespace text_format {
enum : unsigned {
  kLeft = 0,
  kCenter = 1u << 0,
  kRight = 1u << 1,
  kVCenter = 1u << 2,
  kSingleLine = 1u << 3,
  kPrefix = 1u << 4,    // "&" underlines the next character, "&&" is one "&"
  kDisabled = 1u << 5,  // greyed, embossed
};
}  // namespace text_format

class Painter {
 public:
  virtual ~Painter() = default;

  virtual void FillRect(const Rect& r, Color c) = 0;
  // Width-1 lines leave out their end point, as a pen moved to and drawn to does.
  virtual void DrawLine(Point from, Point to, Color c, int width = 1) = 0;
  // Outline only; the corner ellipse is ellipseW x ellipseH.
  virtual void DrawRoundRect(const Rect& r, int ellipseW, int ellipseH, Color pen, int penWidth = 1) = 0;
  // The src part of the image stretched over dst.
  virtual void DrawImage(const Image& image, const Rect& src, const Rect& dst) = 0;
  // Tiles the image over r, the pattern anchored at (0, 0).
  virtual void FillPattern(const Rect& r, const Image& pattern) = 0;
  virtual void DrawText(const std::string& gbk, const Rect& r, const Font& font, Color c, unsigned format) = 0;
  virtual Size MeasureText(const std::string& gbk, const Font& font) = 0;
  virtual void DrawFocusRect(const Rect& r) = 0;
  // The area that needs painting.
  virtual Rect ClipBox() const = 0;
};

// Removes prefix marks: "&x" gives "x", "&&" gives "&". GBK-aware.
std::string StripPrefix(const std::string& gbk);

// A window background: the picture copied at (0, 0), as large as the client area allows,
// without stretching. False when there is no picture.
bool DrawBackgroundPicture(Painter& painter, const Image* picture, const Rect& client);

}  // namespace ui
