#pragma once
// What the Qt host keeps, shared by its views.
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>
#include <utility>

#include "platform/ui/qt/qt_host.h"

class QApplication;
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
  // A key that a child ignored travels on to its parents: it is handled once.
  const QEvent* m_last = nullptr;
  QObject* m_lastTarget = nullptr;
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
  bool quit = false;
  bool offscreen = false;

  qt::DialogView* View(Dialog* dlg) const {
    auto it = views.find(dlg);
    return it == views.end() ? nullptr : it->second;
  }
  bool IsOpen(Dialog* dlg) const { return views.count(dlg) != 0; }
};

}  // namespace ui
