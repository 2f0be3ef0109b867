#include "tests/interaction/user/x_input.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>

namespace qortest {

namespace {
Display* D(void* d) { return static_cast<Display*>(d); }
}  // namespace

XInput::XInput(void* display) : m_display(display) {}

XInput* XInput::Get() {
  static XInput* one = [] () -> XInput* {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    Display* d = XOpenDisplay(name);
    if (!d) return nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &event, &error, &major, &minor)) {
      XCloseDisplay(d);
      return nullptr;
    }
    // Lives as long as the program: the program's own windows live as long.
    return new XInput(d);
  }();
  return one;
}

void XInput::MoveTo(int x, int y) {
  XTestFakeMotionEvent(D(m_display), -1, x, y, CurrentTime);
  XFlush(D(m_display));
}

bool XInput::PointerAt(int x, int y) {
  Display* d = D(m_display);
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask)) return false;
  return rx == x && ry == y;
}

std::vector<unsigned long> XInput::WindowsAtPointer() {
  Display* d = D(m_display);
  std::vector<unsigned long> path;
  Window w = DefaultRootWindow(d);
  for (int depth = 0; w && depth < 32; ++depth) {
    Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(d, w, &root, &child, &rx, &ry, &wx, &wy, &mask) || !child) break;
    path.push_back(child);
    w = child;
  }
  return path;
}

void XInput::Click(int button, int count) {
  for (int i = 0; i < count; ++i) {
    XTestFakeButtonEvent(D(m_display), static_cast<unsigned>(button), True, CurrentTime);
    XTestFakeButtonEvent(D(m_display), static_cast<unsigned>(button), False, CurrentTime);
  }
  XFlush(D(m_display));
}

void XInput::Button(int button, bool down) {
  XTestFakeButtonEvent(D(m_display), static_cast<unsigned>(button), down ? True : False, CurrentTime);
  XFlush(D(m_display));
}

bool XInput::Key(unsigned long keysym, bool down) {
  Display* d = D(m_display);
  const KeyCode code = XKeysymToKeycode(d, keysym);
  if (code == 0) return false;
  // On the shifted level of its key the keysym needs Shift held.
  const bool shifted = XkbKeycodeToKeysym(d, code, 0, 0) != keysym && XkbKeycodeToKeysym(d, code, 0, 1) == keysym;
  const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
  if (shifted && down) XTestFakeKeyEvent(d, shift, True, CurrentTime);
  XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime);
  if (shifted && !down) XTestFakeKeyEvent(d, shift, False, CurrentTime);
  XFlush(d);
  return true;
}

unsigned long XInput::MarkAtom() {
  static Atom mark = XInternAtom(D(m_display), "_QOR_INPUT_MARK", False);
  return mark;
}

void XInput::Mark(unsigned long window) {
  Display* d = D(m_display);
  const Atom mark = MarkAtom();
  static long serial = 0;
  ++serial;
  XChangeProperty(d, window, mark, XA_INTEGER, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&serial), 1);
  XFlush(d);
}

std::string XInput::FocusedTitle() {
  Display* d = D(m_display);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  static Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  static Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  // The focus may sit on a child of the window that carries the title.
  for (Window w = focus; w && w != PointerRoot;) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
        data) {
      std::string title(reinterpret_cast<char*>(data), count);
      XFree(data);
      if (!title.empty()) return title;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) break;
    if (children) XFree(children);
    if (parent == root) break;
    w = parent;
  }
  return std::string();
}

}  // namespace qortest
