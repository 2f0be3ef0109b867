#pragma once
// What the Qt host keeps, shared by its views.
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/ui/qt/qt_host.h"

class QApplication;
class QWidget;
class QKeyEvent;

namespace ui::qt {

class DialogView;
class QtTrayBackend;

class KeyFilter : public QObject {
 public:
  explicit KeyFilter(QtHost::Impl& impl) : m_impl(impl) {}
  bool eventFilter(QObject* obj, QEvent* e) override;

 private:
  QtHost::Impl& m_impl;
  // A key that a child ignored travels on to its parents: it is handled once. The
  // widget that first got it may be gone by the next key (a closed dialog), and a
  // new key event may sit at the old one's address.
  const QEvent* m_last = nullptr;
  QPointer<QObject> m_lastTarget;
};

}  // namespace ui::qt

namespace ui {

struct QtHost::Impl {
  QtHost* host = nullptr;
  Host* previous = nullptr;
  std::unique_ptr<QApplication> ownApp;
  std::unique_ptr<QObject> context;  // lives on the user-interface thread; posted calls run on it
  std::unique_ptr<qt::KeyFilter> keyFilter;
  std::unique_ptr<qt::QtTrayBackend> tray;
  std::map<Dialog*, qt::DialogView*> views;
  std::map<std::pair<Dialog*, int>, QTimer*> timers;
  std::map<Dialog*, QEventLoop*> loops;
  // Dialogs in a modal run, the innermost last: each one's owner is the one before.
  std::vector<Dialog*> modalStack;
  bool quit = false;
  // Set while a focused control is disabled: it keeps the focus, as on Windows.
  bool keepFocus = false;
  bool offscreen = false;
  // Boxes and menus show even offscreen: someone answers them.
  bool interactive = false;
  bool Answers() const { return !offscreen || interactive; }

  qt::DialogView* View(Dialog* dlg) const {
    auto it = views.find(dlg);
    return it == views.end() ? nullptr : it->second;
  }
  bool IsOpen(Dialog* dlg) const { return views.count(dlg) != 0; }
  // The window a new modal window or message box belongs to: the innermost modal
  // dialog that shows, else the active window, else a shown top-level dialog.
  QWidget* OwnerWindow() const;
};

}  // namespace ui
