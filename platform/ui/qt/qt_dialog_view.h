#pragma once
// The window of one dialog: its background painted by the model, one widget per
// control, changes of the model applied, the user's actions handed back.
#include <QWidget>

#include <map>
#include <set>

#include "platform/ui/dialog.h"
#include "platform/ui/qt/qt_host.h"

namespace ui::qt {

class ControlWidget;

class DialogView : public QWidget {
 public:
  DialogView(Dialog& dlg, QtHost::Impl& host, QWidget* parent);
  ~DialogView() override;

  // Null once the dialog has let go of its window.
  Dialog* Dlg() const { return m_dlg; }
  QtHost::Impl& Host() const { return m_host; }
  void Detach();

  void Changed(int id, Aspect aspect);
  // Colours, cursors and pending list contents brought up to date.
  void RefreshLook();
  void FlushLists();
  void ScheduleListFlush(ControlWidget* w);
  // The control whose widget holds w (w itself or a parent of it), or null.
  Control* ControlOf(QWidget* w) const;
  ControlWidget* WidgetOf(int id) const;
  // The dialog asked, on a button press, to be dragged: the move starts once the
  // pointer moves with the button still down, never after it is up.
  void BeginDrag();
  // The system menu of the top-level dialog that holds this view, at a screen point;
  // false when it has none.
  bool ShowSystemMenu(QPoint global);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void ApplyWindowGeometry();
  void ApplyShow();

  Dialog* m_dlg;
  QtHost::Impl& m_host;
  std::map<const Control*, ControlWidget*> m_widgets;
  std::set<ControlWidget*> m_pendingLists;
  bool m_flushScheduled = false;
  bool m_applying = false;
  bool m_dragging = false;
  bool m_dragAsked = false;
  QPoint m_pressedAt;  // where the left button last went down, on the screen
  QPoint m_dragFrom;  // where the button went down, on the screen
  QPoint m_dragOffset;
};

}  // namespace ui::qt
