#pragma once
// The host that page logic is tested on, without windows: a virtual clock (the
// injectable platform clock) that fires timers in order, scripted answers for
// message boxes and menus, and a record of what was shown, opened and painted.
// Anything the script did not foresee (a message box, a menu, a modal dialog
// waiting for the user) is reported through the failure handler.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/host.h"
#include "platform/ui/recording_painter.h"
#include "platform/ui/recording_tray_backend.h"

namespace ui {

class TestHost : public Host {
 public:
  // Becomes the current host and serves PumpMessages and ShowMessageBox; installs a
  // fake clock when none is installed (and removes it again at the end).
  TestHost();
  ~TestHost() override;

  // --- the script ---
  // The next message box must contain textPart (empty: any text); it answers answer.
  void ExpectMessageBox(const std::string& textPart, int answer);
  // The next popup menu chooses command (0: dismissed).
  void ExpectMenu(int command);
  // Runs action once, soon after a dialog of that template is shown.
  void WhenShown(int templateId, std::function<void(Dialog&)> action);
  // Runs action when the virtual clock reaches now + ms.
  void After(int64_t ms, std::function<void()> action);
  void SetCursorPos(Point p) { m_cursor = p; }
  void SetShellOpenResult(bool ok) { m_shellResult = ok; }
  // Longest virtual time a modal dialog may run before it counts as hanging.
  void SetModalLimit(int64_t ms) { m_modalLimitMs = ms; }
  void SetFailureHandler(std::function<void(const std::string&)> handler);

  // --- driving ---
  // Runs what is due now: posted tasks, then timers and actions that are due.
  void RunPending();
  // Moves the virtual clock on by ms, running everything in the order it falls due.
  void RunFor(int64_t ms);
  int64_t Now() const;
  // A user's mouse over an owner-drawn control: move (and hover when the control
  // asked for it), then leave.
  void HoverItem(Dialog& dlg, int id);
  void LeaveItem(Dialog& dlg, int id);
  // A key as the user presses it in dlg (focus as the dialog has it).
  bool PressKey(Dialog& dlg, Key key, bool ctrl = false);

  // --- the record ---
  struct BoxRecord {
    std::string text, caption;
    unsigned flags = 0;
    int answer = 0;
  };
  struct MenuRecord {
    std::vector<int> commands;
    int answer = 0;
    int ownerTemplate = 0;
  };
  struct ShellRecord {
    std::string file, parameters, verb;
    bool show = true;
  };
  const std::vector<BoxRecord>& MessageBoxes() const { return m_boxRecords; }
  const std::vector<MenuRecord>& Menus() const { return m_menuRecords; }
  const std::vector<ShellRecord>& ShellOpens() const { return m_shellRecords; }
  // One line per event, GBK: "create 146", "show 146", "hide 146", "minimize 146",
  // "text 146 1049 <text>", "caption 146 <text>", "enable 146 1 0", "visible 146 1 0",
  // "geometry 146 l,t,r,b", "settimer 146 1 100", "killtimer 146 1", "timer 146 1",
  // "invalidate 146 l,t,r,b 1", "end 146 1", "destroy 146", "drag 146", "track 146 1020".
  const std::vector<std::string>& Log() const { return m_log; }
  std::vector<std::string> LogStartingWith(const std::string& prefix) const;
  void ClearLog() { m_log.clear(); }
  const std::vector<std::string>& Failures() const { return m_failures; }
  // The dialog's background as painted (erase and paint), and one owner-drawn control.
  std::vector<std::string> PaintDialog(Dialog& dlg);
  std::vector<std::string> PaintItem(Dialog& dlg, int id, bool pressed = false);
  // Dialogs that have a view now, in the order they were made.
  const std::vector<Dialog*>& OpenDialogs() const { return m_dialogs; }
  Dialog* FindDialog(int templateId) const;
  bool HasTimer(const Dialog& dlg, int id) const;
  bool QuitRequested() const { return m_quit; }
  // The notification area: a recording backend, current while the host lives.
  RecordingTrayBackend& Tray() { return m_tray; }

  // --- Host ---
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
  Point CursorPos() override { return m_cursor; }
  bool TrackMouse(Dialog& dlg, int id) override;
  void BeginWindowDrag(Dialog& dlg) override;
  Rect WorkArea() override { return Rect{0, 0, 1280, 1024}; }
  Size MeasureText(const std::string& gbk, const Font& font) override;

 protected:
  int ChooseFromMenu(const MenuItem& popup, Point screen, Dialog* owner) override;
  void DeliverMenuCommand(Dialog& owner, int command) override;

 private:
  struct Timer {
    Dialog* dlg;
    int id;
    int period;
    int64_t due;
    uint64_t seq;
  };
  struct Action {
    int64_t due;
    uint64_t seq;
    std::function<void()> fn;
  };
  void Fail(const std::string& message);
  void Record(const std::string& line) { m_log.push_back(line); }
  bool IsOpen(const Dialog* dlg) const;
  bool RunPosted();
  // The earliest timer or action due at or before limit; runs it.
  bool RunNextDue(int64_t limit);
  int64_t NextDueTime() const;
  void AdvanceTo(int64_t ms);

  Host* m_previous = nullptr;
  bool m_ownsClock = false;
  std::function<void(const std::string&)> m_onFailure;
  std::vector<std::string> m_failures;
  std::vector<std::string> m_log;

  std::deque<std::pair<std::string, int>> m_expectedBoxes;
  std::deque<int> m_expectedMenus;
  std::vector<std::pair<int, std::function<void(Dialog&)>>> m_whenShown;
  std::vector<BoxRecord> m_boxRecords;
  std::vector<MenuRecord> m_menuRecords;
  std::vector<ShellRecord> m_shellRecords;

  std::mutex m_postMutex;
  std::recursive_mutex m_boxMutex;  // worker threads may ask too
  std::deque<std::function<void()>> m_posted;
  std::vector<Timer> m_timers;
  std::vector<Action> m_actions;
  uint64_t m_seq = 0;
  std::vector<Dialog*> m_dialogs;
  std::set<std::pair<const Dialog*, int>> m_tracking;
  Point m_cursor{100, 100};
  bool m_shellResult = true;
  bool m_quit = false;
  int64_t m_modalLimitMs = 3600 * 1000;
  RecordingTrayBackend m_tray;
};

}  // namespace ui
