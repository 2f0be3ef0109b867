#pragma once
// Dialog templates: a dialog's size in dialog units, font and controls, as tables in
// the resources. Dialog units become pixels through fixed base units per font, so
// a layout does not depend on the font that stands in for the template's face.
#include <string>
#include <vector>

#include "platform/ui/geometry.h"

namespace ui {

enum class ControlKind {
  Static,       // text label; with kNotify it reports clicks (links)
  Button,       // push button
  CheckBox,
  RadioButton,  // a group runs from a control with kGroup to the next one with kGroup
  GroupBox,
  Edit,         // single line, or multi-line with kMultiline
  ListView,     // report view with columns
  Tab,
  Progress,
  Picture,      // a bitmap or icon by resource id
};

// Control styles; one bit each, whatever the kind.
namespace style {
enum : unsigned {
  kHidden = 1u << 0,
  kDisabled = 1u << 1,
  kTabStop = 1u << 2,
  kGroup = 1u << 3,
  kBorder = 1u << 4,
  kDefault = 1u << 5,     // the push button that Enter presses
  kOwnerDraw = 1u << 6,   // the bound object paints the control
  kAutoCheck = 1u << 7,   // check boxes and radio buttons toggle themselves
  kNotify = 1u << 8,      // statics report clicks
  kCenter = 1u << 9,
  kRight = 1u << 10,
  kCenterImage = 1u << 11,
  kMultiline = 1u << 12,
  kReadOnly = 1u << 13,
  kPassword = 1u << 14,
  kNumber = 1u << 15,
  kWantReturn = 1u << 16,  // Enter stays in a multi-line edit
  kVScroll = 1u << 17,
  kHScroll = 1u << 18,
  kSingleSel = 1u << 19,
  kShowSelAlways = 1u << 20,
  kNoSortHeader = 1u << 21,
  kIcon = 1u << 22,        // a picture shows an icon rather than a bitmap
  kStretch = 1u << 23,     // a picture fills its rectangle
};
}  // namespace style

// Window styles of a dialog.
namespace dialog_style {
enum : unsigned {
  kPopup = 1u << 0,
  kChild = 1u << 1,     // a page inside another dialog
  kCaption = 1u << 2,   // title bar; without it the window has no frame at all
  kSysMenu = 1u << 3,
  kMinimizeBox = 1u << 4,
  kMaximizeBox = 1u << 5,
  kResizable = 1u << 6,
  kCentered = 1u << 7,
  kAppWindow = 1u << 8,  // its own task-bar entry
  kVisible = 1u << 9,
};
}  // namespace dialog_style

struct ControlTemplate {
  int id = -1;
  ControlKind kind = ControlKind::Static;
  std::string text;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  unsigned style = 0;
  int imageId = 0;  // pictures: bitmap or icon resource
};

struct DialogTemplate {
  int id = 0;
  unsigned style = 0;
  int cx = 0, cy = 0;  // dialog units
  std::string caption;
  std::string fontFace;
  int fontPoints = 9;
  std::vector<ControlTemplate> controls;
};

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct BaseUnits {
  int cx = 6, cy = 12;
};

// Fixed base units of a template font ("宋体" 9 pt: 6 x 12; "MS Shell Dlg" 8 pt: 6 x 13).
BaseUnits BaseUnitsFor(const std::string& fontFace, int points);
// Each edge converted on its own, rounded to nearest, as the dialog manager does.
Rect DialogUnitsToPixels(const Rect& dlu, BaseUnits units);
Size DialogUnitsToPixels(const Size& dlu, BaseUnits units);

}  // namespace ui
