#include "platform/ui/qt/qt_dialog_view.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "platform/ui/button_labels.h"
#include "platform/ui/ui_hooks.h"
#include "platform/ui/qt/qt_control_widgets.h"
#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_host_impl.h"
#include "platform/ui/qt/qt_painter.h"
#include "platform/ui/resource_set.h"

namespace ui::qt {

namespace {

Qt::WindowFlags FlagsFor(const DialogTemplate* t) {
  const unsigned s = t ? t->style : 0;
  if (!(s & dialog_style::kCaption)) return Qt::Window | Qt::FramelessWindowHint;
  Qt::WindowFlags f = Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
  if (s & dialog_style::kSysMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (s & dialog_style::kMinimizeBox) f |= Qt::WindowMinimizeButtonHint;
  if (s & dialog_style::kMaximizeBox) f |= Qt::WindowMaximizeButtonHint;
  return f;
}

bool WantsOwnerDrawWidget(const Control& c) { return c.kind == ControlKind::Button && c.IsOwnerDrawn(); }

bool IsOwnerDrawWidget(QWidget* w) { return w && !qobject_cast<QPushButton*>(w) && qobject_cast<QAbstractButton*>(w); }

Qt::CursorShape ShapeOf(Cursor c) {
  switch (c) {
    case Cursor::Hand:
      return Qt::PointingHandCursor;
    case Cursor::Wait:
      return Qt::WaitCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

DialogView::DialogView(Dialog& dlg, QtHost::Impl& host, QWidget* parent)
    : QWidget(parent, parent ? Qt::Widget : FlagsFor(dlg.Template())), m_dlg(&dlg), m_host(host) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(ToQ(dlg.WindowText()));
  setFont(ToQFont(Font{dlg.Template()->fontFace, dlg.Template()->fontPoints}));
  for (const auto& c : dlg.Controls()) {
    ControlWidget* w = MakeControlWidget(*this, *c, this);
    m_widgets[c.get()] = w;
    w->SyncAll();
  }
  ApplyWindowGeometry();
  RefreshLook();
}

DialogView::~DialogView() = default;

void DialogView::Detach() {
  m_dlg = nullptr;
  m_pendingLists.clear();
  hide();
}

ControlWidget* DialogView::WidgetOf(int id) const {
  if (!m_dlg) return nullptr;
  const Control* c = m_dlg->Item(id);
  auto it = m_widgets.find(c);
  return it == m_widgets.end() ? nullptr : it->second;
}

Control* DialogView::ControlOf(QWidget* w) const {
  for (; w && w != this; w = w->parentWidget()) {
    for (const auto& [control, widget] : m_widgets)
      if (widget->Widget() == w) return const_cast<Control*>(control);
  }
  return nullptr;
}

void DialogView::Changed(int id, Aspect aspect) {
  if (!m_dlg) return;
  if (id == 0) {
    switch (aspect) {
      case Aspect::WindowText:
        setWindowTitle(ToQ(m_dlg->WindowText()));
        break;
      case Aspect::WindowGeometry:
        ApplyWindowGeometry();
        break;
      case Aspect::WindowShow:
        ApplyShow();
        break;
      case Aspect::WindowIcon:
        if (const Image* icon = LoadIcon(m_dlg->IconId())) setWindowIcon(QIcon(QPixmap::fromImage(ToQImage(*icon))));
        break;
      case Aspect::Activate:
        raise();
        activateWindow();
        break;
      default:
        break;
    }
    RefreshLook();
    return;
  }
  Control* c = m_dlg->Item(id);
  auto it = m_widgets.find(c);
  if (it == m_widgets.end()) return;
  ControlWidget* w = it->second;
  if (aspect == Aspect::Style && WantsOwnerDrawWidget(*c) != IsOwnerDrawWidget(w->Widget())) {
    // Binding an owner-drawing object turns a plain button into a painted one.
    QWidget* old = w->Widget();
    ControlWidget* fresh = MakeControlWidget(*this, *c, this);
    fresh->Widget()->stackUnder(old);
    m_pendingLists.erase(w);
    m_widgets[c] = fresh;
    old->hide();
    old->deleteLater();
    fresh->SyncAll();
    w = fresh;
  } else {
    w->Sync(aspect);
  }
  RefreshLook();
}

void DialogView::RefreshLook() {
  if (!m_dlg || m_applying) return;
  m_applying = true;
  for (const auto& [control, widget] : m_widgets) {
    widget->ApplyColors(m_dlg->ColorsOf(control));
    Cursor cursor = m_dlg->OnSetCursor(control->id);
    QWidget* w = widget->Widget();
    if (cursor == Cursor::Default) w->unsetCursor();
    else w->setCursor(ShapeOf(cursor));
  }
  Cursor own = m_dlg->OnSetCursor(0);
  if (own == Cursor::Default) unsetCursor();
  else setCursor(ShapeOf(own));
  m_applying = false;
  update();
}

void DialogView::ScheduleListFlush(ControlWidget* w) {
  m_pendingLists.insert(w);
  if (m_flushScheduled) return;
  m_flushScheduled = true;
  QTimer::singleShot(0, this, [this] { FlushLists(); });
}

void DialogView::FlushLists() {
  m_flushScheduled = false;
  auto pending = std::move(m_pendingLists);
  m_pendingLists.clear();
  if (!m_dlg) return;
  for (ControlWidget* w : pending) w->Flush();
  for (Dialog* child : m_dlg->Children())
    if (DialogView* v = m_host.View(child)) v->FlushLists();
}

void DialogView::ApplyWindowGeometry() {
  if (!m_dlg) return;
  const Rect r = m_dlg->WindowRect();
  const Rect client = m_dlg->ClientRect();
  if (parentWidget()) {
    setGeometry(ToQRect(r));
  } else {
    move(r.left, r.top);
    resize(client.Width(), client.Height());
  }
}

void DialogView::ApplyShow() {
  if (!m_dlg->IsVisible()) {
    hide();
  } else if (m_dlg->IsMinimized() && !parentWidget()) {
    showMinimized();
  } else if (!parentWidget()) {
    if (isMinimized()) showNormal();
    else show();
  } else {
    show();
  }
}

void DialogView::BeginDrag() {
  if (parentWidget() || !(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
  m_dragAsked = true;
  // Where the button went down: the pointer may have gone on by the time the press is handled.
  m_dragFrom = m_pressedAt;
}

bool DialogView::ShowSystemMenu(QPoint global) {
  if (!m_dlg) return false;
  Dialog* top = m_dlg;
  while (top->Parent()) top = top->Parent();
  if (top->SystemMenu().empty()) return false;
  QMenu menu;
  // The window's own entries come first, as a dialog's system menu has them.
  const bool minimizes = top->Template() && (top->Template()->style & dialog_style::kMinimizeBox);
  for (int command : {kScMove, kScMinimize, 0, kScClose}) {
    if (command == 0) menu.addSeparator();
    else if (command != kScMinimize || minimizes) menu.addAction(ToQ(SystemMenuText(command)))->setData(command);
  }
  for (const auto& [id, text] : top->SystemMenu()) {
    if (id == 0) menu.addSeparator();
    else menu.addAction(ToQ(text))->setData(id);
  }
  QPointer<DialogView> self(this);
  QAction* chosen = menu.exec(global);
  const int command = chosen ? chosen->data().toInt() : 0;
  DialogView* window = m_host.View(top);
  if (command == kScMove) {
    // The window system moves the window with the pointer until the next click.
    if (window && window->windowHandle()) window->windowHandle()->startSystemMove();
  } else if (command == kScMinimize) {
    top->ShowWindow(ShowMode::Minimize);
  } else if (command == kScClose) {
    if (window) window->close();
  } else if (command != 0) {
    top->SysCommand(command);
  }
  if (self) RefreshLook();
  return true;
}

void DialogView::paintEvent(QPaintEvent* e) {
  if (!m_dlg) return;
  QPainter p(this);
  QtPainter painter(p, FromQRect(e->rect()));
  m_dlg->Paint(painter);
}

void DialogView::mousePressEvent(QMouseEvent* e) {
  if (!m_dlg || e->button() != Qt::LeftButton) return;
  QPoint pos = e->position().toPoint();
  m_pressedAt = e->globalPosition().toPoint();
  m_dlg->LButtonDown(Point{pos.x(), pos.y()});
  RefreshLook();
}

void DialogView::mouseDoubleClickEvent(QMouseEvent*) {
  // The second press of a double click has come as a press already; a dialog's own
  // area takes no double clicks.
}

void DialogView::mouseMoveEvent(QMouseEvent* e) {
  if (m_dragAsked && (e->buttons() & Qt::LeftButton) &&
      (e->globalPosition().toPoint() - m_dragFrom).manhattanLength() >= QApplication::startDragDistance()) {
    // The button is still down: the window follows the pointer while it stays down,
    // by the whole way the pointer goes (the way to the threshold too).
    m_dragAsked = false;
    m_dragging = true;
    m_dragOffset = m_dragFrom - frameGeometry().topLeft();
  }
  if (m_dragging && (e->buttons() & Qt::LeftButton)) {
    move(QCursor::pos() - m_dragOffset);
    if (m_dlg) {
      const Rect old = m_dlg->WindowRect();
      m_dlg->SetWindowPos(Rect::FromSize(x(), y(), old.Width(), old.Height()));
    }
  }
}

void DialogView::mouseReleaseEvent(QMouseEvent* e) {
  m_dragging = false;
  m_dragAsked = false;
  // The window's own caption band (it draws it itself) offers the system menu when a
  // right click ends there, as a caption does; window managers keep Alt+Space.
  if (m_dlg && e->button() == Qt::RightButton && !parentWidget() && e->position().y() < kCaptionHeight)
    ShowSystemMenu(e->globalPosition().toPoint());
}

void DialogView::resizeEvent(QResizeEvent*) {
  if (!m_dlg) return;
  const Rect client = m_dlg->ClientRect();
  if (!parentWidget() && (client.Width() != width() || client.Height() != height())) m_dlg->HostResized(width(), height());
}

void DialogView::closeEvent(QCloseEvent* e) {
  // The close box asks the dialog, as Esc does; the dialog decides.
  e->ignore();
  if (m_dlg) {
    m_dlg->SendCommand(kIdCancel);
    RefreshLook();
  }
}

bool DialogView::focusNextPrevChild(bool next) {
  // Qt hands the focus on when the control that has it is disabled; the dialog keeps
  // it there (keys reach nothing) until the user moves it.
  if (m_host.keepFocus) return true;
  return QWidget::focusNextPrevChild(next);
}

}  // namespace ui::qt
