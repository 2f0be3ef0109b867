#include "tests/interaction/user/qt_driver.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include "platform/ui/qt/qt_control_widgets.h"
#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_dialog_view.h"
#include "platform/ui/qt/qt_host_impl.h"
#include "platform/ui/qt/qt_keys.h"

namespace qortest {

QWidget* WidgetOf(ui::QtHost& host, ui::Dialog& dlg, int id) {
  ui::qt::DialogView* view = host.Internals().View(&dlg);
  if (!view) return nullptr;
  view->FlushLists();
  ui::qt::ControlWidget* w = view->WidgetOf(id);
  return w ? w->Widget() : nullptr;
}

std::string QtDriver::ShownText(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  if (auto* line = qobject_cast<QLineEdit*>(w)) return ui::qt::FromQ(line->text());
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) return ui::qt::FromQ(edit->toPlainText());
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return ui::qt::FromQ(button->text());
  return std::string();
}

bool QtDriver::SimulateTyping(ui::Dialog& dlg, int id, const std::string& gbk) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  if (!w) return false;
  w->setFocus(Qt::OtherFocusReason);
  // The user types at the end of what is there.
  if (auto* line = qobject_cast<QLineEdit*>(w)) line->end(false);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) edit->moveCursor(QTextCursor::End);
  for (QChar ch : ui::qt::ToQ(gbk)) {
    const bool newline = ch == QChar('\n');
    QKeyEvent press(QEvent::KeyPress, newline ? Qt::Key_Return : Qt::Key_unknown, Qt::NoModifier,
                    newline ? QString(QChar('\r')) : QString(ch));
    QCoreApplication::sendEvent(w, &press);
  }
  QCoreApplication::processEvents();
  return true;
}

bool QtDriver::SimulateKey(ui::Dialog& dlg, int id, ui::Key key) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  const int code = ui::qt::QtKeyOf(key);
  if (!w || code == 0) return false;
  w->setFocus(Qt::OtherFocusReason);
  QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
  QCoreApplication::processEvents();
  return true;
}

bool QtDriver::SimulateClick(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  if (!w) return false;
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->click();
  } else {
    QPointF c(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, c, w->mapToGlobal(c), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, c, w->mapToGlobal(c), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
  }
  QCoreApplication::processEvents();
  return true;
}

bool QtDriver::SimulateHover(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  if (!w) return false;
  QPointF c(w->width() / 2.0, w->height() / 2.0);
  QEnterEvent enter(c, w->mapTo(w->window(), c), w->mapToGlobal(c));
  QCoreApplication::sendEvent(w, &enter);
  QMouseEvent move(QEvent::MouseMove, c, w->mapToGlobal(c), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &move);
  QCoreApplication::processEvents();
  return true;
}

}  // namespace qortest
