#include "platform/ui/dialog_template.h"

namespace ui {

BaseUnits BaseUnitsFor(const std::string& fontFace, int points) {
  // Fixed base units (pixels per 4 dialog units across, per 8 down) by the template's
  // face and size, never measured from the font drawn with: a layout comes out the same
  // whichever CJK font stands in for the template's face.
  if (fontFace == "MS Shell Dlg" || fontFace == "MS Sans Serif" || fontFace == "Tahoma") {
    return points >= 9 ? BaseUnits{7, 15} : BaseUnits{6, 13};
  }
  if (points >= 11) return BaseUnits{8, 16};
  if (points == 10) return BaseUnits{7, 14};
  return BaseUnits{6, 12};
}

Rect DialogUnitsToPixels(const Rect& dlu, BaseUnits units) {
  return Rect{MulDivRound(dlu.left, units.cx, 4), MulDivRound(dlu.top, units.cy, 8),
              MulDivRound(dlu.right, units.cx, 4), MulDivRound(dlu.bottom, units.cy, 8)};
}

Size DialogUnitsToPixels(const Size& dlu, BaseUnits units) {
  return Size{MulDivRound(dlu.cx, units.cx, 4), MulDivRound(dlu.cy, units.cy, 8)};
}

}  // namespace ui
