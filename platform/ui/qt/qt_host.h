#pragma once
// The Qt 6 Widgets host: real windows for the dialogs (frameless or captioned
// top-level windows, child pages), timers, message boxes, popup menus, shell opens,
// the notification area, and off-screen rendering of any dialog to a PNG file.
// This header holds no Qt type, so programs compiled for GBK text can include it.
//
// Timers and sleeps follow QOR_TIME_SCALE. QOR_UI_JOURNAL names a file that gets one
// GBK line per message box, menu, shell open and tray request. On the offscreen
// platform nobody can answer: message boxes take their default answer and menus close,
// unless QOR_UI_INTERACTIVE=1 says that someone (an interaction test) answers them.
#include <memory>
#include <string>

#include "platform/ui/host.h"
#include "platform/ui/image.h"
#include "platform/ui/menu.h"

namespace ui {

class QtHost : public Host {
 public:
  // Makes the application object unless one exists; becomes the current host.
  QtHost(int& argc, char** argv);
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  // The dialog (created) as it looks now, written as a PNG file / as a picture.
  bool RenderToPng(Dialog& dlg, const std::string& path);
  Image RenderToImage(Dialog& dlg);
  // A popup menu as it opens, written as a PNG file.
  bool RenderMenuToPng(const MenuItem& popup, const std::string& path);

  // True on the offscreen platform (tests, machines without a display).
  bool IsOffscreen() const;

  void CreateView(Dialog& dlg) override;
  void DestroyView(Dialog& dlg) override;
  void Changed(Dialog& dlg, int id, Aspect aspect) override;
  void Invalidate(Dialog& dlg, const Rect& r, bool erase) override;
  void RunModal(Dialog& dlg) override;
  void EndModal(Dialog& dlg) override;
  bool SetTimer(Dialog& dlg, int id, int ms) override;
  bool KillTimer(Dialog& dlg, int id) override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& verb,
                 bool show) override;
  void Post(std::function<void()> fn) override;
  int PumpMessages() override;
  void PostQuit(int code) override;
  Point CursorPos() override;
  bool TrackMouse(Dialog& dlg, int id) override;
  void BeginWindowDrag(Dialog& dlg) override;
  Rect WorkArea() override;
  Size MeasureText(const std::string& gbk, const Font& font) override;

  struct Impl;
  // For Qt-side tools (the tests' drivers) that reach the widgets of a dialog.
  Impl& Internals() { return *m_impl; }

 protected:
  int ChooseFromMenu(const MenuItem& popup, Point screen, Dialog* owner) override;
  void DeliverMenuCommand(Dialog& owner, int command) override;

 private:
  std::unique_ptr<Impl> m_impl;
};

}  // namespace ui
