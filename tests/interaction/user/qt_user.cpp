#include "tests/interaction/user/qt_user.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QStyleHints>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <QAbstractNativeEventFilter>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <chrono>
#include <deque>
#include <optional>
#include <utility>

#include "platform/ui/qt/qt_control_widgets.h"
#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_dialog_view.h"
#include "platform/ui/qt/qt_host_impl.h"
#include "platform/ui/qt/qt_list_cells.h"
#include "tests/interaction/user/qt_driver.h"
#include "tests/interaction/user/x_input.h"

namespace qortest {

namespace {

using ui::qt::DialogView;

DialogView* ViewOf(ui::QtHost& host, ui::Dialog& dlg) { return host.Internals().View(&dlg); }

// --- real input through the X server ---

// Counts the marks that came back: each is a property change on a window of ours that
// the server sent after the input before it.
class MarkWatch : public QAbstractNativeEventFilter {
 public:
  MarkWatch(xcb_window_t window, xcb_atom_t atom) : m_window(window), m_atom(atom) {}
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    auto* ev = static_cast<xcb_generic_event_t*>(message);
    if ((ev->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
    auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(ev);
    // Qt changes properties of the window too (its name, its process): only marks count.
    if (notify->window != m_window || notify->atom != m_atom) return false;
    ++seen;
    return true;
  }
  long seen = 0;

 private:
  xcb_window_t m_window;
  xcb_atom_t m_atom;
};

struct RealHands {
  XInput* x = nullptr;
  QWindow* markWindow = nullptr;
  MarkWatch* watch = nullptr;
  long sent = 0;
};

// The hands of the application object that runs now, made on first use; null hands
// (x null) on the offscreen platform. A test that makes a new application object gets
// new hands.
RealHands& Hands() {
  static RealHands hands;
  static QPointer<QCoreApplication> app;
  if (app == QCoreApplication::instance() && app) return hands;
  app = QCoreApplication::instance();
  hands = RealHands();
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) return hands;
  hands.x = XInput::Get();
  if (!hands.x) return hands;
  // Never shown. It goes first thing when the application object goes, while the
  // connection to the display still stands (deleting it later is what would fail).
  hands.markWindow = new QWindow();
  qAddPostRoutine([] { delete std::exchange(Hands().markWindow, nullptr); });
  auto watch = std::make_shared<MarkWatch>(static_cast<xcb_window_t>(hands.markWindow->winId()),
                                           static_cast<xcb_atom_t>(hands.x->MarkAtom()));
  hands.watch = watch.get();
  qApp->installNativeEventFilter(hands.watch);
  QObject::connect(app, &QObject::destroyed, [watch] {});  // the filter lives as long as its application
  return hands;
}

// How long the hands wait for the program or the window manager to catch up.
constexpr auto kHandsWait = std::chrono::seconds(10);

// A wait of the hands that ran out says so: the step after it acts on a guess.
void GaveUp(const char* what) { std::fprintf(stderr, "hands: %s: gave up waiting\n", what); }

// Pumps events until cond holds, for at most a few seconds (a busy machine's window
// manager maps and places a new window late).
bool WaitUntil(const std::function<bool()>& cond, const char* what = "condition") {
  const auto deadline = std::chrono::steady_clock::now() + kHandsWait;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) {
      GaveUp(what);
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// Everything sent so far has reached the program and gone to its widgets. A modal
// window that the input opens runs inside this wait and returns with it.
void Settle() {
  RealHands& h = Hands();
  if (!h.x) {
    QCoreApplication::processEvents();
    return;
  }
  h.x->Mark(h.markWindow->winId());
  const long want = ++h.sent;
  QTimer wake;  // the wait below never sleeps past a lost wake-up
  wake.start(10);
  const auto deadline = std::chrono::steady_clock::now() + kHandsWait;
  while (h.watch->seen < want && std::chrono::steady_clock::now() < deadline)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (h.watch->seen < want) GaveUp("input mark");
  QCoreApplication::processEvents();
}

// The pointer moves there and the server has handled the move: a window manager
// that holds the pointer's input while it deals with a click (openbox does) has let
// it go, so what came before has reached its windows. A click that opens a modal
// window runs that window's whole journey inside this wait; the hands moved on in
// there, so the wait ends when it comes back.
void RealMove(QPoint global) {
  static long moves = 0;
  const long mine = ++moves;
  RealHands& h = Hands();
  h.x->MoveTo(global.x(), global.y());
  const auto deadline = std::chrono::steady_clock::now() + kHandsWait;
  while (mine == moves && !h.x->PointerAt(global.x(), global.y())) {
    if (std::chrono::steady_clock::now() > deadline) {
      GaveUp("pointer move");
      break;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  Settle();
}

// One of the program's own windows lies under the pointer.
bool OverOurWindow() {
  const std::vector<unsigned long> path = Hands().x->WindowsAtPointer();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible() || !top->windowHandle()) continue;
    const unsigned long id = top->windowHandle()->winId();
    if (std::find(path.begin(), path.end(), id) != path.end()) return true;
  }
  return false;
}

// While it lives, Qt takes two clicks up to 3 s apart for a double click, until one
// came. The server stamps injected clicks with the time it handles them, not the time
// a hand made them: a busy machine that holds the server between the two clicks would
// split the double click.
class WideDoubleClick : public QObject {
 public:
  WideDoubleClick() : m_was(QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(std::max(m_was, 3000));
    qApp->installEventFilter(this);
  }
  ~WideDoubleClick() override { Restore(); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonDblClick) Restore();
    return false;
  }

 private:
  void Restore() {
    if (m_was < 0) return;
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_was);
    m_was = -1;
  }
  int m_was;
};

// The pointer goes there, rests, and the button goes down and up (twice for a double
// click); a nudge after the click tells when the server has handed the click on.
void RealClick(QPoint global, int button, bool twice) {
  RealHands& h = Hands();
  RealMove(global);
  std::optional<WideDoubleClick> wide;
  if (twice) wide.emplace();
  h.x->Click(button, twice ? 2 : 1);
  RealMove(global + QPoint(1, 0));
}

struct HandKey {
  Hand hand;
  unsigned long keysym;
  Qt::Key qt;
  Qt::KeyboardModifiers mods;
};
// One table of the keys the hands press.
constexpr HandKey kHandKeys[] = {
    {Hand::Enter, XK_Return, Qt::Key_Return, Qt::NoModifier},
    {Hand::ShiftEnter, XK_Return, Qt::Key_Return, Qt::ShiftModifier},
    {Hand::CtrlEnter, XK_Return, Qt::Key_Return, Qt::ControlModifier},
    {Hand::KeypadEnter, XK_KP_Enter, Qt::Key_Enter, Qt::KeypadModifier},
    {Hand::Escape, XK_Escape, Qt::Key_Escape, Qt::NoModifier},
    {Hand::Tab, XK_Tab, Qt::Key_Tab, Qt::NoModifier},
    {Hand::ShiftTab, XK_Tab, Qt::Key_Backtab, Qt::ShiftModifier},
    {Hand::Space, XK_space, Qt::Key_Space, Qt::NoModifier},
    {Hand::PageUp, XK_Page_Up, Qt::Key_PageUp, Qt::NoModifier},
    {Hand::PageDown, XK_Page_Down, Qt::Key_PageDown, Qt::NoModifier},
    {Hand::Left, XK_Left, Qt::Key_Left, Qt::NoModifier},
    {Hand::Right, XK_Right, Qt::Key_Right, Qt::NoModifier},
    {Hand::Up, XK_Up, Qt::Key_Up, Qt::NoModifier},
    {Hand::Down, XK_Down, Qt::Key_Down, Qt::NoModifier},
    {Hand::Home, XK_Home, Qt::Key_Home, Qt::NoModifier},
    {Hand::End, XK_End, Qt::Key_End, Qt::NoModifier},
    {Hand::Delete, XK_Delete, Qt::Key_Delete, Qt::NoModifier},
    {Hand::AltSpace, XK_space, Qt::Key_Space, Qt::AltModifier},
    {Hand::CtrlC, XK_c, Qt::Key_C, Qt::ControlModifier},
};

const HandKey& KeyOfHand(Hand hand) {
  for (const HandKey& k : kHandKeys)
    if (k.hand == hand) return k;
  return kHandKeys[0];
}

// A key with its modifiers held, through the server.
void RealKey(unsigned long keysym, Qt::KeyboardModifiers mods) {
  XInput& x = *Hands().x;
  const std::pair<Qt::KeyboardModifier, unsigned long> held[] = {
      {Qt::ShiftModifier, XK_Shift_L}, {Qt::ControlModifier, XK_Control_L}, {Qt::AltModifier, XK_Alt_L}};
  for (const auto& [mod, sym] : held)
    if (mods & mod) x.Key(sym, true);
  x.Key(keysym, true);
  x.Key(keysym, false);
  for (const auto& [mod, sym] : held)
    if (mods & mod) x.Key(sym, false);
  Settle();
}

// A key to the window the keyboard is at: through the server when it is there, else
// into Qt's queue for the active window.
bool SendKey(const HandKey& k) {
  if (Hands().x) {
    // A person types once the window in front has the keyboard: the server's focus
    // follows a new window a little after the program shows it.
    WaitUntil([] {
      QWidget* active = QApplication::activeWindow();
      return !active || Hands().x->FocusedTitle() == active->windowTitle().toStdString();
    }, "keyboard at the active window");
    RealKey(k.keysym, k.mods);
    return true;
  }
  QWidget* active = QApplication::activeWindow();
  if (!active) return false;
  active->winId();
  QTest::keyClick(active->windowHandle(), k.qt, k.mods);
  QCoreApplication::processEvents();
  return true;
}

// The window of a dialog (a page's window is the one of the dialog that holds it).
QWindow* WindowOf(QWidget* w) {
  if (!w) return nullptr;
  QWidget* top = w->window();
  top->winId();
  return top->windowHandle();
}

bool ClickWidgetAt(QWidget* w, QPoint at, bool twice = false, Qt::MouseButton button = Qt::LeftButton) {
  QWindow* window = WindowOf(w);
  if (!window || !w->isVisible()) return false;
  if (Hands().x) {
    // A person clicks what the screen shows: the window is there once it is exposed.
    QPointer<QWidget> target(w);
    if (!WaitUntil([&] { return !target || window->isExposed(); }, "window exposed") || !target) return false;
    // A window manager places a new window after it shows: once the pointer is there,
    // the server finds one of the program's windows under it (the one meant, or a
    // modal one over it), not the desktop where the window was a moment ago.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
      if (!target) return false;
      RealMove(target->mapToGlobal(at));
      if (OverOurWindow()) break;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (std::chrono::steady_clock::now() < deadline);
    if (target && !OverOurWindow()) GaveUp("window under the pointer");
    if (!target) return false;
    RealClick(target->mapToGlobal(at), button == Qt::RightButton ? 3 : 1, twice);
    return true;
  }
  if (button != Qt::LeftButton) {
    QTest::mouseClick(window, button, Qt::NoModifier, w->mapTo(w->window(), at));
    QCoreApplication::processEvents();
    return true;
  }
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

int QtUser::CountOpen(int templateId) {
  int n = 0;
  for (const auto& [dlg, view] : m_host.Internals().views)
    if (dlg->TemplateId() == templateId && dlg->IsCreated()) ++n;
  return n;
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

bool QtUser::DoubleClickEmpty(ui::Dialog& dlg, int id) {
  QTableWidget* t = TableOf(m_host, dlg, id);
  if (!t) return false;
  const int rows = t->rowCount();
  const int below = rows == 0 ? 0 : t->visualRect(t->model()->index(rows - 1, 0)).bottom() + 1;
  if (below + 4 >= t->viewport()->height()) return false;
  return ClickWidgetAt(t->viewport(), QPoint(t->viewport()->width() / 2, (below + t->viewport()->height()) / 2), true);
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
  QPointer<QWidget> box(w);
  if (Hands().x && !WaitUntil([&] { return !box || box->hasFocus(); }, "box focused")) return false;
  if (!box) return false;
  if (auto* line = qobject_cast<QLineEdit*>(w)) line->end(false);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) edit->moveCursor(QTextCursor::End);
  // Keys go where the click put the focus, as from the keyboard: to the active window.
  QWidget* target = QApplication::focusWidget();
  if (!target || target->window() != w->window()) return false;
  QWindow* window = WindowOf(target);
  for (QChar ch : ui::qt::ToQ(gbk)) {
    if (Hands().x && ch == QChar('\n')) {
      RealKey(XK_Return, Qt::NoModifier);
    } else if (Hands().x && ch.unicode() >= 0x20 && ch.unicode() < 0x7f) {
      // Printable ASCII keysyms are their own code points.
      RealKey(ch.unicode(), Qt::NoModifier);
    } else if (ch == QChar('\n')) {
      QTest::keyClick(window, Qt::Key_Return);
    } else if (ch.unicode() < 128 && ch.isLetterOrNumber()) {
      QTest::keyClick(window, ch.toLatin1());
    } else {
      // What an input method commits: no key of the keyboard types it.
      QTest::sendKeyEvent(QTest::Click, window, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
  }
  QCoreApplication::processEvents();
  return true;
}

bool QtUser::Press(ui::Dialog& dlg, Hand key) {
  DialogView* view = ViewOf(m_host, dlg);
  QWindow* window = view ? WindowOf(view) : nullptr;
  if (!window) return false;
  // A window that a modal one blocks gets no keys.
  if (IsBlocked(dlg)) return false;
  // The keyboard types into the active window only, at its focus.
  if (!view->window()->isActiveWindow()) return false;
  const HandKey& k = KeyOfHand(key);
  if (Hands().x) {
    RealKey(k.keysym, k.mods);
    return true;
  }
  QTest::keyClick(window, k.qt, k.mods);
  QCoreApplication::processEvents();
  return true;
}

bool QtUser::PressFocused(Hand key) { return SendKey(KeyOfHand(key)); }

bool QtUser::PressAlt(char letter) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  return SendKey(HandKey{Hand::Enter, static_cast<unsigned long>(lower),
                         static_cast<Qt::Key>(Qt::Key_A + (lower - 'a')), Qt::AltModifier});
}

std::string QtUser::FocusedTitle() {
  if (Hands().x) return ui::qt::FromQ(QString::fromStdString(Hands().x->FocusedTitle()));
  QWidget* active = QApplication::activeWindow();
  return active ? ui::qt::FromQ(active->windowTitle()) : std::string();
}

std::string QtUser::ClipboardText() { return ui::qt::FromQ(QGuiApplication::clipboard()->text()); }

int QtUser::FocusId() {
  QWidget* focus = QApplication::focusWidget();
  for (QWidget* w = focus; w; w = w->parentWidget())
    if (auto* view = dynamic_cast<DialogView*>(w)) {
      const ui::Control* c = view->ControlOf(focus);
      return c ? c->id : 0;
    }
  return 0;
}

bool QtUser::RightClickCaption(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  return view && ClickWidgetAt(view, QPoint(4, 4), false, Qt::RightButton);
}

bool QtUser::TapCaption(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  return view && ClickWidgetAt(view, QPoint(4, 4));
}

bool QtUser::DragCaption(ui::Dialog& dlg, int dx, int dy) {
  DialogView* view = ViewOf(m_host, dlg);
  RealHands& h = Hands();
  if (!view || !h.x) return false;
  const QPoint from = view->mapToGlobal(QPoint(4, 4));
  RealMove(from);
  h.x->Button(1, true);
  Settle();
  // In steps, as a hand moves: the first step passes the drag threshold.
  for (int i = 1; i <= 4; ++i) RealMove(from + QPoint(dx * i / 4, dy * i / 4));
  h.x->Button(1, false);
  Settle();
  return true;
}

void QtUser::MovePointer(int x, int y) {
  if (Hands().x) RealMove(QPoint(x, y));
  else QCursor::setPos(x, y);
  QCoreApplication::processEvents();
}

ui::Rect QtUser::ScreenRect(ui::Dialog& dlg) {
  DialogView* view = ViewOf(m_host, dlg);
  if (!view) return ui::Rect{};
  const QRect r(view->mapToGlobal(QPoint(0, 0)), view->size());
  return ui::Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
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
  return ClickWidgetAt(t->viewport(), cell.center(), false, Qt::RightButton);
}

namespace {
QMessageBox* ShownBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
  return nullptr;
}
QString WithoutMnemonic(QString s) { return s.remove(QLatin1Char('&')); }
// The box's button with that caption (with or without its "&"), or null.
QAbstractButton* BoxButton(QMessageBox& box, const std::string& captionGbk) {
  const QString want = WithoutMnemonic(ui::qt::ToQ(captionGbk));
  for (QAbstractButton* b : box.buttons())
    if (WithoutMnemonic(b->text()) == want) return b;
  return nullptr;
}
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
  // The box is answered once it is in front, as a person sees it.
  if (Hands().x && !WaitUntil([] { QMessageBox* b = ShownBox(); return !b || b->isActiveWindow(); }, "message box active")) return false;
  box = ShownBox();
  if (!box) return false;
  QAbstractButton* b = BoxButton(*box, buttonGbk);
  return b && ClickWidgetAt(b, b->rect().center());
}

void QtUser::Dismiss(const std::string& captionGbk, const std::string& buttonGbk) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [this, captionGbk, buttonGbk] {
    // Notices the test does not look at are waved away at once, without the hands:
    // the hands pump events while they work, and a journey's next step must not run
    // inside a box that is closing.
    QMessageBox* box = ShownBox();
    if (!box || BoxCaption() != captionGbk) return;
    if (QAbstractButton* b = BoxButton(*box, buttonGbk)) b->click();
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
    if (Hands().x) {
      QPointer<QMenu> shown(menu);
      if (!WaitUntil([&] { return !shown || WindowOf(shown)->isExposed(); }, "menu exposed") || !shown) return false;
      RealClick(menu->mapToGlobal(menu->actionGeometry(a).center()), 1, false);
      return true;
    }
    QTest::mouseClick(WindowOf(menu), Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
    QCoreApplication::processEvents();
    return true;
  }
  return false;
}

std::vector<std::string> QtUser::MenuItems() {
  std::vector<std::string> items;
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) return items;
  for (QAction* a : menu->actions())
    items.push_back(a->isSeparator() ? std::string("-") : ui::qt::FromQ(WithoutMnemonic(a->text()).section(QLatin1Char('\t'), 0, 0)));
  return items;
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

bool QtUser::InDialogRun() {
  return QThread::currentThread()->loopLevel() <= static_cast<int>(m_host.Internals().loops.size());
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

std::string QtUser::Text(ui::Dialog& dlg, int id) { return QtDriver(m_host).ShownText(dlg, id); }

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

int QtUser::CurrentRow(ui::Dialog& dlg, int id) {
  QTableWidget* t = TableOf(m_host, dlg, id);
  return t ? t->currentRow() : -1;
}

bool QtUser::ShowsTextStart(ui::Dialog& dlg, int id) {
  auto* line = qobject_cast<QLineEdit*>(WidgetOf(m_host, dlg, id));
  if (!line) return false;
  const QFontMetrics fm(line->font());
  return line->cursorPosition() == 0 || fm.horizontalAdvance(line->text()) < line->contentsRect().width() - 8;
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

bool RealInput() { return Hands().x != nullptr; }

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
