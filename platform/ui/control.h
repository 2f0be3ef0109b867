#pragma once
// One control of a dialog as the model keeps it. Hosts show it; dialogs change it
// through their own methods so that the host hears of every change.
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/font.h"
#include "platform/ui/list_model.h"

namespace ui {

class ControlRef;

struct Control {
  int id = -1;
  ControlKind kind = ControlKind::Static;
  unsigned style = 0;
  std::string text;  // GBK; multi-line edits keep CR LF line ends
  Rect rect;         // pixels, in the dialog's client area
  bool visible = true;
  bool enabled = true;
  int check = 0;     // check boxes and radio buttons: 0 or 1
  Font font;
  std::string tooltip;
  int imageId = 0;   // pictures
  int progressMin = 0, progressMax = 100, progressPos = 0;
  ListModel list;
  std::vector<std::string> tabs;
  int tabSelection = -1;
  Size roundCorners;  // a rounded window region, 0 x 0 for none
  ControlRef* binding = nullptr;

  bool IsOwnerDrawn() const { return (style & style::kOwnerDraw) != 0; }
  bool IsMultiline() const { return kind == ControlKind::Edit && (style & style::kMultiline) != 0; }
  // Statics, check boxes, radio buttons and group boxes ask their dialog for the
  // colours of a static: their text stands on the dialog's own background.
  bool AsksStaticColors() const {
    return kind == ControlKind::Static || kind == ControlKind::CheckBox || kind == ControlKind::RadioButton ||
           kind == ControlKind::GroupBox;
  }
};

// Colours a control (or the dialog itself) is drawn with; unset parts keep the
// host's defaults.
struct ControlColors {
  bool hasText = false;
  Color text;
  bool transparent = false;  // text drawn straight onto the dialog background
  bool hasBackground = false;
  Color background;
  const Image* pattern = nullptr;  // tiled background brush

  void SetText(Color c) {
    hasText = true;
    text = c;
  }
  void SetBackground(Color c) {
    hasBackground = true;
    background = c;
  }
};

// What changed, for the host.
enum class Aspect {
  Text,
  Enabled,
  Visible,
  Check,
  Geometry,
  Font,
  Style,
  Tooltip,
  Image,
  Progress,
  List,
  Tabs,
  Region,
  Focus,
  SelectAll,
  // The dialog itself (control id 0):
  WindowText,
  WindowGeometry,
  WindowShow,
  WindowIcon,
  Activate,
  Colors,
};

}  // namespace ui
