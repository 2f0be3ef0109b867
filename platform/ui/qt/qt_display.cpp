#include "platform/ui/qt/qt_display.h"

#include <cstdlib>

namespace ui {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

DisplayChoice ChooseDisplay() {
  DisplayChoice choice;
  if (!Env("QT_QPA_PLATFORM").empty()) {
    choice.callerChose = true;
    return choice;
  }
  const std::string x11 = Env("DISPLAY"), wayland = Env("WAYLAND_DISPLAY");
  // Qt's own order: X11, unless the session says Wayland.
  const bool waylandFirst = Env("XDG_SESSION_TYPE") == "wayland";
  auto add = [&choice](const std::string& platform, const std::string& named) {
    choice.platforms += platform + ";";
    if (!choice.named.empty()) choice.named += ", ";
    choice.named += named;
  };
  if (!wayland.empty() && waylandFirst) add("wayland", "WAYLAND_DISPLAY=" + wayland);
  if (!x11.empty()) add("xcb", "DISPLAY=" + x11);
  if (!wayland.empty() && !waylandFirst) add("wayland", "WAYLAND_DISPLAY=" + wayland);
  choice.platforms += "offscreen";
  return choice;
}

QtArguments::QtArguments(int argc, char** argv, const DisplayChoice& choice)
    : m_platforms(choice.platforms), m_argv(argv, argv + argc) {
  if (!m_platforms.empty()) {
    m_argv.push_back(m_switch.data());
    m_argv.push_back(m_platforms.data());
  }
  m_argc = static_cast<int>(m_argv.size());
  m_argv.push_back(nullptr);
}

}  // namespace ui
