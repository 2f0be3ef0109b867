#pragma once
// A dialog or a child page made from a template. Subclasses override the virtual
// operations and register handlers per control and notification; a host shows it.
// Everything here runs on the user-interface thread; other threads post.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/events.h"
#include "platform/ui/host.h"
#include "platform/ui/painter.h"

namespace ui {

class DataExchange;

// Extra room of a captioned window around its client area.
constexpr int kFrameWidth = 3;
constexpr int kCaptionHeight = 26;

class Dialog {
 public:
  explicit Dialog(int templateId);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  int TemplateId() const { return m_templateId; }
  const DialogTemplate* Template() const { return m_template; }

  // Runs the dialog modally: the answer given to EndDialog, -1 when it cannot be made
  // (no host, no template).
  int DoModal();
  // A modeless or child window; parent null for a top-level one.
  bool Create(Dialog* parent = nullptr);
  void DestroyWindow();
  void EndDialog(int result);

  bool IsCreated() const { return m_created; }
  bool IsModal() const { return m_modal; }
  bool HasEnded() const { return m_ended; }
  int Result() const { return m_result; }
  bool IsChild() const { return m_parent != nullptr; }
  Dialog* Parent() const { return m_parent; }
  const std::vector<Dialog*>& Children() const { return m_children; }

  // --- what subclasses override ---
  virtual bool OnInitDialog();
  virtual void DoDataExchange(DataExchange& dx);
  // Keys reach the innermost dialog first, then its parents; true swallows the key.
  // The base handling is the dialog manager's: Enter stays in a multi-line edit that
  // wants it, presses the focused push button, on a page goes on to the dialog that
  // holds it, else presses the template's default button or sends IDOK; Esc sends
  // IDCANCEL (a page's Esc goes on to the dialog that holds it, as Enter does).
  virtual bool PreTranslateKey(const KeyEvent& key);
  virtual void OnTimer(int id);
  // A top-level dialog takes the controls' values and ends with IDOK / ends with
  // IDCANCEL; a child page does nothing.
  virtual void OnOK();
  virtual void OnCancel();
  // True when the background was painted; otherwise it is filled with the dialog's colours.
  virtual bool OnEraseBackground(Painter& painter);
  virtual void OnPaint(Painter& painter);
  // Colours of a control, or of the dialog itself when control is null.
  virtual void OnCtlColor(const Control* control, ControlColors& colors);
  // Cursor over a control (0: the dialog's own area).
  virtual Cursor OnSetCursor(int id);
  virtual void OnLButtonDown(Point client);
  virtual void OnSize(int clientWidth, int clientHeight);
  virtual void OnSysCommand(int id);
  virtual void OnDestroy();

  // --- data exchange ---
  // save: controls to members (false when a check failed); else members to controls.
  bool UpdateData(bool save = true);

  // --- handlers; a later registration for the same control and code replaces ---
  void On(int id, ui::Notify code, Handler handler);
  void OnCommand(int id, std::function<void()> handler);

  // --- controls ---
  Control* Item(int id);
  const Control* Item(int id) const;
  const std::vector<std::unique_ptr<Control>>& Controls() const { return m_controls; }
  void SetItemText(int id, const std::string& gbk);
  std::string ItemText(int id) const;
  void EnableItem(int id, bool enable);
  bool IsItemEnabled(int id) const;
  void ShowItem(int id, bool show);
  bool IsItemVisible(int id) const;
  void CheckItem(int id, int check);
  int IsItemChecked(int id) const;
  // Checks id and clears the other radio buttons of its group.
  void CheckRadio(int id);
  // Index of the checked radio button in the group that starts at firstId, -1 for none.
  int RadioIndex(int firstId) const;
  void SetRadioIndex(int firstId, int index);
  void SetItemFont(int id, const Font& font);
  void SetItemTooltip(int id, const std::string& gbk);
  void SetItemStyle(int id, unsigned add, unsigned remove = 0);
  // In the dialog's client area.
  Rect ItemRect(int id) const;
  void MoveItem(int id, const Rect& r);
  void InvalidateItem(int id, bool erase = true);
  void SetFocusItem(int id);
  int FocusItem() const { return m_focusId; }
  void SelectAllText(int id);
  // Tells the host that a control changed in a way made directly on it.
  void Changed(int id, Aspect aspect);

  // --- the window ---
  void SetWindowText(const std::string& gbk);
  const std::string& WindowText() const { return m_caption; }
  // Outer rectangle on the screen; the client area is smaller by the frame when the
  // template has a caption.
  Rect WindowRect() const { return m_windowRect; }
  Rect ClientRect() const;
  void SetWindowPos(const Rect& r);
  void SetWindowSize(int width, int height);  // keeps the top-left corner
  void ShowWindow(ShowMode mode);
  bool IsVisible() const { return m_visible; }
  bool IsMinimized() const { return m_minimized; }
  void BringToFront();
  void SetIcon(int iconId);
  int IconId() const { return m_iconId; }
  void InvalidateRect(const Rect& r, bool erase = true);
  void BeginWindowDrag();
  void AppendSystemMenu(int id, const std::string& gbk);  // id 0: separator
  const std::vector<std::pair<int, std::string>>& SystemMenu() const { return m_systemMenu; }

  bool SetTimer(int id, int ms);
  bool KillTimer(int id);

  // --- entry points for hosts (and tests standing in for the user) ---
  // Routes the key from this dialog outwards; true when a dialog swallowed it.
  bool KeyDown(const KeyEvent& key);
  // A click on a control: enabled and visible controls only; check boxes and radio
  // buttons with kAutoCheck change first; statics report only with kNotify.
  bool Click(int id);
  bool DoubleClick(int id, int row = -1);
  // A click on a list row (-1: on no row); the row becomes the selection.
  bool ClickRow(int id, int row);
  bool RightClick(int id, int row, Point screen);
  // The user changed an edit's text.
  void UserEdit(int id, const std::string& gbk);
  // The user changed a list's selection (single row, -1 for none) or a row's check box.
  void UserSelectRow(int id, int row);
  void UserCheckRow(int id, int row, bool checked);
  bool UserClickColumn(int id, int column);
  // Tab selection; false when the dialog refused the change.
  bool UserSelectTab(int id, int index);
  void UserFocus(int id);
  void SendCommand(int id);
  void SysCommand(int id);
  void Notify(Event& ev);
  void DispatchTimer(int id);
  void Paint(Painter& painter);
  void DrawItem(int id, Painter& painter, const DrawItemState& state);
  ControlColors ColorsOf(const Control* control);
  void MouseMove(int id);
  void MouseHover(int id);
  void MouseLeave(int id);
  void LButtonDown(Point client);
  // The host resized the window (client size).
  void HostResized(int clientWidth, int clientHeight);

 private:
  bool Build(Dialog* parent);
  void Unbuild();
  bool RadioGroup(int firstId, std::vector<Control*>& group);
  Host* CurrentOrNull() const;

  int m_templateId;
  const DialogTemplate* m_template = nullptr;
  Dialog* m_parent = nullptr;
  std::vector<Dialog*> m_children;
  std::vector<std::unique_ptr<Control>> m_controls;
  std::map<std::pair<int, ui::Notify>, Handler> m_handlers;
  std::vector<std::pair<int, std::string>> m_systemMenu;
  Host* m_host = nullptr;
  std::string m_caption;
  Rect m_windowRect;
  bool m_created = false, m_modal = false, m_ended = false;
  bool m_visible = false, m_minimized = false;
  int m_result = 0;
  int m_focusId = 0;
  int m_iconId = 0;
};

}  // namespace ui
