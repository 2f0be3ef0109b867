#pragma once
// Which Qt platform a program asks for: the display its environment names, and off
// screen where it names none or the one it names cannot be reached. Qt tries the
// platforms of the list in turn, so a display that is gone (a remote shell reattached
// after X ended) is a fall-back, not an abort; QtHost::IsOffscreen tells which won.
#include <string>
#include <vector>

namespace ui {

struct DisplayChoice {
  // QT_QPA_PLATFORM is set: Qt follows the caller and the program adds nothing.
  bool callerChose = false;
  // The display the environment names ("DISPLAY=:0"), empty where it names none.
  std::string named;
  // For Qt's "-platform" argument: "xcb;offscreen", "offscreen"; empty where the caller chose.
  std::string platforms;

  // A display was asked for: being off screen afterwards means it could not be opened.
  bool WantsDisplay() const { return !callerChose && !named.empty(); }
};

// From DISPLAY, WAYLAND_DISPLAY, XDG_SESSION_TYPE and QT_QPA_PLATFORM.
DisplayChoice ChooseDisplay();

// A program's arguments for QtHost, with "-platform" and the choice's list added where
// it has one: by argument, not by the environment, so that the programs it starts
// choose for themselves.
class QtArguments {
 public:
  QtArguments(int argc, char** argv, const DisplayChoice& choice);
  QtArguments(const QtArguments&) = delete;
  QtArguments& operator=(const QtArguments&) = delete;
  int& Argc() { return m_argc; }
  char** Argv() { return m_argv.data(); }

 private:
  std::string m_switch = "-platform", m_platforms;
  std::vector<char*> m_argv;
  int m_argc = 0;
};

}  // namespace ui
