#pragma once
// What the user does to a dialog, in the model's terms: keys, notifications of
// controls and the state an owner-drawn control is painted in.
#include <functional>
#include <string>

#include "platform/ui/font.h"
#include "platform/ui/geometry.h"

namespace ui {

enum class Key {
  Other,
  Enter,
  Escape,
  Tab,
  Space,
  F1,
  PageUp,
  PageDown,
  Left,
  Right,
  Up,
  Down,
  Home,
  End,
  Delete,
  Backspace,
  A,  // with ctrl: select all
  C,
};

struct KeyEvent {
  Key key = Key::Other;
  bool ctrl = false, shift = false, alt = false;
  int focusId = 0;  // control that has the focus, 0 for none
  // The focused control, in this dialog or an inner one, takes Enter itself (a
  // multi-line edit that wants returns): no dialog makes it a button press.
  bool focusWantsEnter = false;
};

enum class Notify {
  Clicked,        // buttons, notifying statics, menu commands, list rows
  DoubleClicked,
  RightClicked,   // list views: the row under the mouse is selected first
  Changed,        // edit text changed by the user
  SetFocus,
  KillFocus,
  ColumnClick,    // list view header; column in Event::column
  ItemChanged,    // list view selection or check box
  SelChanging,    // tab control
  SelChanged,
  CustomDraw,     // list view paint stage; the reflected handler may answer
};

struct Event {
  int id = 0;
  Notify code = Notify::Clicked;
  int row = -1;
  int column = -1;
  Point point;      // screen position for right clicks
  long result = 0;  // what a handler answers (tab changes: non-zero refuses)
};

using Handler = std::function<void(Event&)>;

// State of an owner-drawn control when it is painted.
struct DrawItemState {
  Rect rect;            // the control's client rectangle
  bool selected = false;  // pressed
  bool focus = false;
  bool disabled = false;
  bool isDefault = false;
  std::string text;
  Font font;
};

enum class Cursor { Default, Arrow, Hand, Wait };

}  // namespace ui
