#pragma once
// The host that runs the dialogs: real windows (Qt) or the test host. Exactly one is
// current in a process; it also serves PumpMessages and ShowMessageBox of
// platform/ui/ui_hooks.h while it exists.
#include <functional>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/events.h"
#include "platform/ui/menu.h"

namespace ui {

class Dialog;

enum class ShowMode { Hide, Show, ShowNormal, Minimize, Restore };

// TrackPopupMenu flag: the chosen command comes back as the answer and is not sent.
constexpr unsigned kTpmReturnCmd = 0x0100;

class Host {
 public:
  virtual ~Host() = default;

  // Views of the dialogs. CreateView comes after the model's controls exist and
  // before the dialog's initialisation; DestroyView before the controls go.
  virtual void CreateView(Dialog& dlg) = 0;
  virtual void DestroyView(Dialog& dlg) = 0;
  // A control (id) or the dialog itself (id 0) changed.
  virtual void Changed(Dialog& dlg, int id, Aspect aspect) = 0;
  virtual void Invalidate(Dialog& dlg, const Rect& r, bool erase) = 0;

  // Runs until the dialog has ended; the dialog is shown when this starts.
  virtual void RunModal(Dialog& dlg) = 0;
  // The dialog ended: a modal run around it returns.
  virtual void EndModal(Dialog& dlg) = 0;

  // Timers of the dialog's thread; they fire through Dialog::DispatchTimer.
  virtual bool SetTimer(Dialog& dlg, int id, int ms) = 0;
  virtual bool KillTimer(Dialog& dlg, int id) = 0;

  // GBK texts; flags and answers are the kMb* and kId* values of platform/ui/ui_hooks.h.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // Shows the popup at a screen point. With kTpmReturnCmd the chosen command (or 0)
  // is the answer and nothing is sent; without it the command is posted to the owner,
  // which runs it once the menu has closed, and the answer is 1 when one was chosen.
  // Never both: a caller that runs the answer itself asks for it.
  int TrackPopupMenu(const MenuItem& popup, Point screen, Dialog* owner, unsigned flags = 0);
  // Opens a document, folder, address or program the way the desktop shell does.
  virtual bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& verb,
                         bool show) = 0;

  // Any thread: runs fn on the user-interface thread.
  virtual void Post(std::function<void()> fn) = 0;
  // Dispatches what is pending; 1 when done, 0 when a quit was requested.
  virtual int PumpMessages() = 0;
  // Ends the outermost loop (the program's message loop) at the next chance.
  virtual void PostQuit(int code) = 0;

  virtual Point CursorPos() = 0;
  // Hover and leave notices for a control; true when granted.
  virtual bool TrackMouse(Dialog& dlg, int id) = 0;
  // The user drags the window with the mouse from here on (a borderless window moving).
  virtual void BeginWindowDrag(Dialog& dlg) = 0;
  // The screen area windows are centred in.
  virtual Rect WorkArea() = 0;
  virtual Size MeasureText(const std::string& gbk, const Font& font) = 0;

 protected:
  // Shows the popup and returns the command the user chose, or 0; sends nothing.
  virtual int ChooseFromMenu(const MenuItem& popup, Point screen, Dialog* owner) = 0;
  // Runs a posted menu command on its owner, if the owner is still open.
  virtual void DeliverMenuCommand(Dialog& owner, int command) = 0;
};

// The answer of a message box that nobody answers: No, Cancel, or OK when that is all.
int DeclineAnswer(unsigned flags);

Host* CurrentHost();
// Hosts register themselves; the previous host is restored when they go.
void SetCurrentHost(Host* host);

// Conveniences on the current host; without a host they do nothing and answer 0 / false.
int TrackPopupMenu(const MenuItem& popup, Point screen, Dialog* owner, unsigned flags = 0);
bool ShellOpen(const std::string& file, const std::string& parameters = std::string(),
               const std::string& verb = "open", bool show = true);
bool PostToUiThread(std::function<void()> fn);
Point CursorPos();
void PostQuit(int code = 0);

}  // namespace ui
