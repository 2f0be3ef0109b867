#include "tests/interaction/user/qt_user.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <chrono>
#include <deque>

#include "platform/ui/qt/qt_control_widgets.h"
#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_dialog_view.h"
#include "platform/ui/qt/qt_host_impl.h"
#include "platform/ui/qt/qt_list_cells.h"

namespace qortest {

namespace {

using ui::qt::DialogView;

DialogView* ViewOf(ui::QtHost& host, ui::Dialog& dlg) { return host.Internals().View(&dlg); }

QWidget* WidgetOf(ui::QtHost& host, ui::Dialog& dlg, int id) {
  DialogView* view = ViewOf(host, dlg);
  if (!view) return nullptr;
  view->FlushLists();
  ui::qt::ControlWidget* w = view->WidgetOf(id);
  return w ? w->Widget() : nullptr;
}

// The window of a dialog (a page's window is the one of the dialog that holds it).
QWindow* WindowOf(QWidget* w) {
  if (!w) return nullptr;
  QWidget* top = w->window();
  top->winId();
  return top->windowHandle();
}

bool ClickWidgetAt(QWidget* w, QPoint at, bool twice = false) {
  QWindow* window = WindowOf(w);
  if (!window || !w->isVisible()) return false;
  const QPoint inWindow = w->mapTo(w->window(), at);
  if (twice) QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, inWindow);
  else QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, inWindow);
  QCoreApplication::processEvents();
  return true;
}

ui::Image ToImage(const QImage& source) {
  QImage q = source.convertToFormat(QImage::Format_ARGB32);
  ui::Image out(q.width(), q.height());
  for (int y = 0; y < q.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(q.constScanLine(y));
    for (int x = 0; x < q.width(); ++x) out.SetPixel(x, y, static_cast<uint32_t>(line[x]));
  }
  return out;
}

QTableWidget* TableOf(ui::QtHost& host, ui::Dialog& dlg, int id) {
  return qobject_cast<QTableWidget*>(WidgetOf(host, dlg, id));
}

}  // namespace

ui::Dialog* QtUser::Find(int templateId) {
  ui::Dialog* found = nullptr;
  for (const auto& [dlg, view] : m_host.Internals().views)
    if (dlg->TemplateId() == templateId && dlg->IsCreated() && (!found || view->isVisible())) found = dlg;
  return found;
}

bool QtUser::Click(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  return w && ClickWidgetAt(w, w->rect().center());
}

bool QtUser::ClickAt(ui::Dialog& dlg, int id, int x, int y) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  return w && ClickWidgetAt(w, QPoint(x, y));
}

bool QtUser::ClickRow(ui::Dialog& dlg, int id, int row, int col) {
  QTableWidget* t = TableOf(m_host, dlg, id);
  if (!t || row < 0 || row >= t->rowCount()) return false;
  const QModelIndex index = t->model()->index(row, std::min(col, t->columnCount() - 1));
  t->scrollTo(index);
  return ClickWidgetAt(t->viewport(), t->visualRect(index).center());
}

bool QtUser::DoubleClickRow(ui::Dialog& dlg, int id, int row, int col) {
  QTableWidget* t = TableOf(m_host, dlg, id);
  if (!t || row < 0 || row >= t->rowCount()) return false;
  const QModelIndex index = t->model()->index(row, std::min(col, t->columnCount() - 1));
  t->scrollTo(index);
  return ClickWidgetAt(t->viewport(), t->visualRect(index).center(), true);
}

bool QtUser::ClickTab(ui::Dialog& dlg, int id, int index) {
  auto* bar = qobject_cast<QTabBar*>(WidgetOf(m_host, dlg, id));
  if (!bar || index < 0 || index >= bar->count()) return false;
  // A tab out of sight is brought in with the strip's scroll buttons, as a person does.
  for (int i = 0; i < 50 && !bar->rect().contains(bar->tabRect(index)); ++i) {
    const bool right = bar->tabRect(index).right() > bar->width();
    QToolButton* scroll = nullptr;
    for (QToolButton* b : bar->findChildren<QToolButton*>())
      if (b->isVisible() && (b->objectName() == (right ? "ScrollRightButton" : "ScrollLeftButton"))) scroll = b;
    if (!scroll || !ClickWidgetAt(scroll, scroll->rect().center())) break;
  }
  return ClickWidgetAt(bar, bar->tabRect(index).center());
}

bool QtUser::Type(ui::Dialog& dlg, int id, const std::string& gbk) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  if (!w || !ClickWidgetAt(w, QPoint(6, std::min(8, w->height() / 2)))) return false;
  if (auto* line = qobject_cast<QLineEdit*>(w)) line->end(false);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) edit->moveCursor(QTextCursor::End);
  // Keys go where the click put the focus, as from the keyboard: to the active window.
  QWidget* target = QApplication::focusWidget();
  if (!target || target->window() != w->window()) return false;
  QWindow* window = WindowOf(target);
  for (QChar ch : ui::qt::ToQ(gbk)) {
    if (ch == QChar('\n')) QTest::keyClick(window, Qt::Key_Return);
    else if (ch.unicode() < 128 && ch.isLetterOrNumber()) QTest::keyClick(window, ch.toLatin1());
    else QTest::sendKeyEvent(QTest::Click, window, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }
  QCoreApplication::processEvents();
  return true;
}

bool QtUser::Press(ui::Dialog& dlg, Hand key) {
  DialogView* view = ViewOf(m_host, dlg);
  QWindow* window = view ? WindowOf(view) : nullptr;
  if (!window) return false;
  Qt::Key code = Qt::Key_Return;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
  switch (key) {
    case Hand::Enter:
      break;
    case Hand::ShiftEnter:
      mods = Qt::ShiftModifier;
      break;
    case Hand::CtrlEnter:
      mods = Qt::ControlModifier;
      break;
    case Hand::KeypadEnter:
      code = Qt::Key_Enter;
      mods = Qt::KeypadModifier;
      break;
    case Hand::Escape:
      code = Qt::Key_Escape;
      break;
    case Hand::Tab:
      code = Qt::Key_Tab;
      break;
    case Hand::PageUp:
      code = Qt::Key_PageUp;
      break;
    case Hand::PageDown:
      code = Qt::Key_PageDown;
      break;
    case Hand::Left:
      code = Qt::Key_Left;
      break;
    case Hand::Right:
      code = Qt::Key_Right;
      break;
    case Hand::Delete:
      code = Qt::Key_Delete;
      break;
    case Hand::AltSpace:
      code = Qt::Key_Space;
      mods = Qt::AltModifier;
      break;
  }
  // A window that a modal one blocks gets no keys.
  if (IsBlocked(dlg)) return false;
  // The keyboard types into the active window only, at its focus.
  if (!view->window()->isActiveWindow()) return false;
  QTest::keyClick(window, code, mods);
  QCoreApplication::processEvents();
  return true;
}

bool QtUser::CloseBox(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  QWindow* window = view ? WindowOf(view) : nullptr;
  // The window system delivers the close box's request; Qt drops it for a window
  // that a modal one blocks.
  if (!window || IsBlocked(dlg)) return false;
  window->close();
  QCoreApplication::processEvents();
  return true;
}

bool QtUser::RightClickRow(ui::Dialog& dlg, int id, int row, int col) {
  QTableWidget* t = TableOf(m_host, dlg, id);
  if (!t || row >= t->rowCount()) return false;
  QRect cell = t->visualRect(t->model()->index(row, std::min(col, t->columnCount() - 1)));
  QWidget* w = t->viewport();
  QWindow* window = WindowOf(w);
  if (!window) return false;
  QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, w->mapTo(w->window(), cell.center()));
  QCoreApplication::processEvents();
  return true;
}

namespace {
QMessageBox* ShownBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
  return nullptr;
}
QString WithoutMnemonic(QString s) { return s.remove(QLatin1Char('&')); }
}  // namespace

bool QtUser::BoxShows() { return ShownBox() != nullptr; }

std::string QtUser::BoxText() {
  QMessageBox* box = ShownBox();
  return box ? ui::qt::FromQ(box->text()) : std::string();
}

std::string QtUser::BoxCaption() {
  QMessageBox* box = ShownBox();
  return box ? ui::qt::FromQ(box->windowTitle()) : std::string();
}

bool QtUser::BoxIsModalTop() {
  QMessageBox* box = ShownBox();
  return box && QGuiApplication::modalWindow() == box->windowHandle() && box->isActiveWindow();
}

bool QtUser::AnswerBox(const std::string& buttonGbk) {
  QMessageBox* box = ShownBox();
  if (!box) return false;
  const QString want = WithoutMnemonic(ui::qt::ToQ(buttonGbk));
  for (QAbstractButton* b : box->buttons())
    if (WithoutMnemonic(b->text()) == want) return ClickWidgetAt(b, b->rect().center());
  return false;
}

void QtUser::Dismiss(const std::string& captionGbk, const std::string& buttonGbk) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [this, captionGbk, buttonGbk] {
    if (BoxShows() && BoxCaption() == captionGbk) AnswerBox(buttonGbk);
  });
  timer->start(5);
}

bool QtUser::MenuShows() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }

bool QtUser::ChooseMenu(const std::string& itemGbk) {
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) return false;
  const QString want = WithoutMnemonic(ui::qt::ToQ(itemGbk));
  for (QAction* a : menu->actions()) {
    if (a->isSeparator() || WithoutMnemonic(a->text()) != want) continue;
    QTest::mouseClick(WindowOf(menu), Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
    QCoreApplication::processEvents();
    return true;
  }
  return false;
}

bool QtUser::Shows(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  return view && view->isVisible();
}

bool QtUser::IsBlocked(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  QWindow* window = view ? WindowOf(view) : nullptr;
  QWindow* modal = QGuiApplication::modalWindow();
  return window && modal && modal != window && !modal->isAncestorOf(window, QWindow::IncludeTransients);
}

bool QtUser::IsModalTop(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  QWindow* window = view ? WindowOf(view) : nullptr;
  return window && QGuiApplication::modalWindow() == window;
}

bool QtUser::IsActive(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  return view && view->window()->isActiveWindow();
}

bool QtUser::IsOnTop(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  QWindow* window = view ? WindowOf(view) : nullptr;
  return window && window->isVisible() && QGuiApplication::topLevelAt(window->geometry().center()) == window;
}

bool QtUser::HasFocus(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  return w && w->hasFocus();
}

bool QtUser::LooksEnabled(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  return w && w->isEnabled();
}

bool QtUser::TimerPending(ui::Dialog& dlg, int timerId) {
  const auto& timers = m_host.Internals().timers;
  auto it = timers.find({&dlg, timerId});
  return it != timers.end() && it->second->isActive();
}

bool QtUser::Ready(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  return w && w->isVisible() && w->isEnabled() && !IsBlocked(dlg);
}

std::string QtUser::CellText(ui::Dialog& dlg, int id, int row, int col) {
  QTableWidget* t = TableOf(m_host, dlg, id);
  if (!t || row >= t->rowCount() || col >= t->columnCount()) return std::string();
  QStyleOptionViewItem option;
  option.initFrom(t->viewport());
  option.font = t->font();
  const QModelIndex index = t->model()->index(row, col);
  option.rect = QRect(0, 0, t->columnWidth(col), t->rowHeight(row));
  QAbstractItemDelegate* delegate = t->itemDelegate();
  if (dynamic_cast<ui::qt::ListCellDelegate*>(delegate))
    return ui::qt::FromQ(ui::qt::ListCellShownText(*t, option, index));
  // Another delegate shortens the text by the room its layout leaves.
  const QString text = index.data(Qt::DisplayRole).toString();
  const QFontMetrics fm(option.font);
  const int needed = delegate->sizeHint(option, index).width();
  if (needed <= option.rect.width()) return ui::qt::FromQ(text);
  const int room = option.rect.width() - (needed - fm.horizontalAdvance(text));
  return ui::qt::FromQ(fm.elidedText(text, Qt::ElideRight, room));
}

int QtUser::RowCount(ui::Dialog& dlg, int id) {
  QTableWidget* t = TableOf(m_host, dlg, id);
  return t ? t->rowCount() : -1;
}

std::string QtUser::TabText(ui::Dialog& dlg, int id, int index) {
  auto* bar = qobject_cast<QTabBar*>(WidgetOf(m_host, dlg, id));
  return bar && index < bar->count() ? ui::qt::FromQ(bar->tabText(index)) : std::string();
}

ui::Image QtUser::ScrollButton(ui::Dialog& dlg, int id, bool right) {
  auto* bar = qobject_cast<QTabBar*>(WidgetOf(m_host, dlg, id));
  if (!bar) return ui::Image();
  for (QToolButton* b : bar->findChildren<QToolButton*>())
    if (b->isVisible() && b->objectName() == (right ? "ScrollRightButton" : "ScrollLeftButton")) {
      // As the window shows it, with whatever lies over the button.
      QWidget* window = b->window();
      return ToImage(window->grab(QRect(b->mapTo(window, QPoint(0, 0)), b->size())).toImage());
    }
  return ui::Image();
}

ui::Image QtUser::Picture(ui::Dialog& dlg, int id) {
  QWidget* w = WidgetOf(m_host, dlg, id);
  return w ? ToImage(w->grab().toImage()) : ui::Image();
}

// --- journeys ---

struct Journey::State {
  struct Step {
    std::string what;
    std::function<bool()> ready;
    std::function<void()> act;
  };
  std::deque<Step> steps;
  std::string failure;
  bool finished = false;
  std::chrono::steady_clock::time_point since;
  // Event-loop depth of each act that runs, innermost last.
  std::vector<int> actLevels;

  // Each step looks for its condition every few milliseconds, for at most 20 seconds.
  static void Poll(const std::shared_ptr<State>& self) {
    QTimer::singleShot(5, qApp, [self] {
      if (!self->failure.empty()) return;
      if (self->steps.empty()) {
        self->finished = true;
        return;
      }
      // An act that is still running hands over only to a modal window it opened.
      if (!self->actLevels.empty() && QThread::currentThread()->loopLevel() <= self->actLevels.back()) {
        Poll(self);
        return;
      }
      State::Step& step = self->steps.front();
      if (!step.ready()) {
        if (std::chrono::steady_clock::now() - self->since > std::chrono::seconds(20)) {
          // What showed when the wait ran out, for the report.
          QStringList shown;
          for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) shown << (w->windowTitle().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->windowTitle());
          self->failure = step.what + " (windows: " + shown.join(QStringLiteral(", ")).toStdString() + ")";
          // Nothing more will come: every modal run ends so that the test can report,
          // also a box or a menu that nobody answers (on a real screen they show).
          if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
          for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) box->reject();
          if (ui::Host* host = ui::CurrentHost()) host->PostQuit(1);
          return;
        }
        Poll(self);
        return;
      }
      auto act = std::move(step.act);
      self->steps.pop_front();
      self->since = std::chrono::steady_clock::now();
      const bool last = self->steps.empty();
      // The next step waits already: this act may open a modal window and return late.
      if (!last) Poll(self);
      self->actLevels.push_back(QThread::currentThread()->loopLevel());
      act();
      self->actLevels.pop_back();
      if (last) self->finished = true;
    });
  }
};

Journey::Journey() : m_state(std::make_shared<State>()) {}
Journey::~Journey() = default;

Journey& Journey::Then(std::string what, std::function<bool()> ready, std::function<void()> act) {
  m_state->steps.push_back(State::Step{std::move(what), std::move(ready), std::move(act)});
  return *this;
}

void Journey::Start() {
  m_state->since = std::chrono::steady_clock::now();
  State::Poll(m_state);
}

bool Journey::Finished() const { return m_state->finished; }
std::string Journey::Failure() const { return m_state->failure; }

bool Journey::Pump() {
  while (!m_state->finished && m_state->failure.empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return m_state->finished;
}

}  // namespace qortest
