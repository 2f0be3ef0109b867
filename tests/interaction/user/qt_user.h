#pragma once
// A person at the real Qt windows: mouse clicks and keys go in through the window
// system's queue (so Qt refuses them to a window that a modal one blocks, and keys
// reach the widget that has the focus), and what the person sees is read back from
// the widgets. No Qt type here, so GBK-compiled tests can include it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/image.h"
#include "platform/ui/qt/qt_host.h"

namespace qortest {

// AltSpace: the key that opens a window's system menu.
enum class Hand {
  Enter, ShiftEnter, CtrlEnter, KeypadEnter, Escape, Tab, ShiftTab, Space, PageUp, PageDown,
  Left, Right, Up, Down, Home, End, Delete, AltSpace, CtrlC
};

// True when the hands below reach the program through the X server (XTest); false on
// the offscreen platform, where they go into Qt's own window queue instead.
bool RealInput();

class QtUser {
 public:
  explicit QtUser(ui::QtHost& host) : m_host(host) {}

  // The open dialog made from a template (the innermost when several are), or null.
  ui::Dialog* Find(int templateId);
  // How many dialogs of that template are open.
  int CountOpen(int templateId);
  // That dialog when it shows in the active window, ready for the keyboard: for a
  // step's condition (a window manager activates a new window a little later).
  bool Showing(int templateId) { return Find(templateId) && Shows(*Find(templateId)) && IsActive(*Find(templateId)); }

  // --- hands ---
  // A left click in the middle of the control (or at x, y inside it).
  bool Click(ui::Dialog& dlg, int id);
  bool ClickAt(ui::Dialog& dlg, int id, int x, int y);
  // A click / double click on a list row (column col).
  bool ClickRow(ui::Dialog& dlg, int id, int row, int col = 1);
  bool DoubleClickRow(ui::Dialog& dlg, int id, int row, int col = 1);
  // A double click on the list's empty area below its rows; false when it has none.
  bool DoubleClickEmpty(ui::Dialog& dlg, int id);
  // A click on a tab of a tab strip.
  bool ClickTab(ui::Dialog& dlg, int id, int index);
  // A click into the box (at its end) and the text typed key by key; "\n" is Enter.
  bool Type(ui::Dialog& dlg, int id, const std::string& gbk);
  // A key to the window of dlg, at whatever has the focus there.
  bool Press(ui::Dialog& dlg, Hand key);
  // A key to whatever window the window system has focused (a message box, a menu).
  bool PressFocused(Hand key);
  // Alt and a letter (an access key) to the focused window.
  bool PressAlt(char letter);
  // The title of the window that has the keyboard, as the window system says (GBK).
  std::string FocusedTitle();
  // A right / quick left click (a touchpad tap) on the caption band that the window
  // draws itself, left of its title.
  bool RightClickCaption(ui::Dialog& dlg);
  bool TapCaption(ui::Dialog& dlg);
  // The caption band held with the left button and dragged by dx, dy (through the X
  // server only: false offscreen).
  bool DragCaption(ui::Dialog& dlg, int dx, int dy);
  // The pointer moves to a screen point and rests there.
  void MovePointer(int x, int y);
  // The window's place on the screen as the window system shows it.
  ui::Rect ScreenRect(ui::Dialog& dlg);
  // What the clipboard holds as text (GBK).
  std::string ClipboardText();
  // The control that has the keyboard focus (in any dialog), 0 when none has.
  int FocusId();
  // The window's close box.
  bool CloseBox(ui::Dialog& dlg);
  // A right click on a list row (a context menu comes, when the dialog has one).
  bool RightClickRow(ui::Dialog& dlg, int id, int row, int col = 1);

  // --- message boxes and popup menus (the host shows them: QOR_UI_INTERACTIVE=1) ---
  bool BoxShows();
  // The box's text and caption; the box in front of every other window.
  std::string BoxText();
  std::string BoxCaption();
  bool BoxIsModalTop();
  // A click on the box's button with that caption.
  bool AnswerBox(const std::string& buttonGbk);
  // From now on, every box with that caption is answered with that button as soon as
  // it shows (notices the test does not look at), for the life of the application;
  // the button is pressed directly, not with the hands.
  void Dismiss(const std::string& captionGbk, const std::string& buttonGbk);
  bool MenuShows();
  // A click on the menu item with that text (without its "&").
  bool ChooseMenu(const std::string& itemGbk);
  // The shown menu's items (without "&" and what stands after a tab), "-" for a separator.
  std::vector<std::string> MenuItems();

  // --- what the person sees ---
  bool Shows(ui::Dialog& dlg);
  // Qt refuses mouse and keys to the window while another modal window is up.
  bool IsBlocked(ui::Dialog& dlg);
  // The modal window the application shows now is this one, and it is the active one.
  bool IsModalTop(ui::Dialog& dlg);
  bool IsActive(ui::Dialog& dlg);
  // Nothing lies over the middle of the dialog's window: what the window system shows
  // there is that window (on a real screen, its stacking order decides).
  bool IsOnTop(ui::Dialog& dlg);
  bool HasFocus(ui::Dialog& dlg, int id);
  bool LooksEnabled(ui::Dialog& dlg, int id);
  // The program is back in a dialog's own modal run: no box's or menu's run is on
  // the way out (one runs on a moment after its window has gone, and the code that
  // showed it goes on, perhaps to the next box, only when it returns).
  bool InDialogRun();
  // A timer of the dialog waits to fire.
  bool TimerPending(ui::Dialog& dlg, int timerId);
  // The control shows and takes clicks (its window too).
  bool Ready(ui::Dialog& dlg, int id);
  std::string Text(ui::Dialog& dlg, int id);
  // A list cell as drawn: shortened with "…" where the column is too narrow.
  std::string CellText(ui::Dialog& dlg, int id, int row, int col);
  int RowCount(ui::Dialog& dlg, int id);
  // The row that shows the keyboard focus of a list, -1 for none.
  int CurrentRow(ui::Dialog& dlg, int id);
  // A one-line box shows the start of its text (all of it, when it fits).
  bool ShowsTextStart(ui::Dialog& dlg, int id);
  // The tab strip's tab captions, and its two scroll buttons as pictures (empty
  // pictures when the strip has none showing).
  std::string TabText(ui::Dialog& dlg, int id, int index);
  ui::Image ScrollButton(ui::Dialog& dlg, int id, bool right);
  ui::Image Picture(ui::Dialog& dlg, int id);

 private:
  ui::QtHost& m_host;
};

// Steps of a user's journey that run inside the modal loops they open: each step
// waits (bounded, polling) until its condition holds, then acts; an act that opens a
// modal window returns only when it closes, so the next step is already waiting
// inside that window's loop.
class Journey {
 public:
  Journey();
  ~Journey();
  Journey(const Journey&) = delete;
  Journey& operator=(const Journey&) = delete;

  Journey& Then(std::string what, std::function<bool()> ready, std::function<void()> act);
  Journey& Do(std::string what, std::function<void()> act) { return Then(std::move(what), [] { return true; }, std::move(act)); }
  // The steps start once the event loop runs (a modal run, or Pump).
  void Start();
  bool Finished() const;
  // The first step whose condition never came, empty when none.
  std::string Failure() const;
  // Runs the event loop until the journey finished or failed.
  bool Pump();

 private:
  struct State;
  std::shared_ptr<State> m_state;
};

}  // namespace qortest
