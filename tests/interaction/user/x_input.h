#pragma once
// Keyboard and mouse through the X server's test extension (XTest), as a person's
// hands reach a program: the server sends the events to the window under the
// pointer and to the window it has focused, whatever the program thinks.
// No X or Qt type here.
#include <string>
#include <vector>

namespace qortest {

class XInput {
 public:
  // The one connection to the display the program shows on; null when there is no
  // X display or it has no test extension (the offscreen platform).
  static XInput* Get();

  void MoveTo(int x, int y);
  // Where the server has the pointer now. Input that a window manager's grab holds
  // back has not moved it yet.
  bool PointerAt(int x, int y);
  // The windows under the pointer, from the top-level one down to the deepest.
  std::vector<unsigned long> WindowsAtPointer();
  // Presses and releases a button count times in one write to the server, so that the
  // clicks of a double click carry the same time even when the machine is busy.
  void Click(int button, int count);
  // A button pressed or released alone (a drag).
  void Button(int button, bool down);
  // A key by its keysym (X11/keysym.h), pressed or released; Shift is added and taken
  // away again when the keysym sits on the shifted level of its key.
  bool Key(unsigned long keysym, bool down);
  // A property change on a window of ours: it reaches the program after every event
  // sent before it, so its arrival says that they have arrived too.
  void Mark(unsigned long window);
  // The property that Mark changes (an atom, the same for every connection).
  unsigned long MarkAtom();
  // The title of the window the server has focused (a top-level window's, UTF-8).
  std::string FocusedTitle();

 private:
  explicit XInput(void* display);
  void* m_display;
};

}  // namespace qortest
