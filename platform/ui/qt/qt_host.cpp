#include "platform/ui/qt/qt_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QCursor>
#include <QFontMetrics>
#include <QClipboard>
#include <QGridLayout>
#include <QShortcut>
#include <QSpacerItem>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

#include "platform/gbk.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/ui/button_labels.h"
#include "platform/ui/dialog.h"
#include "platform/ui/qt/qt_control_widgets.h"
#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_dialog_view.h"
#include "platform/ui/qt/qt_host_impl.h"
#include "platform/ui/qt/qt_journal.h"
#include "platform/ui/qt/qt_keys.h"
#include "platform/ui/qt/qt_tray_backend.h"

namespace ui {

namespace qt {

namespace {

// The dialog whose window holds w. A window of its own (a message box, a menu) is no
// dialog's even when a dialog owns it: its keys are its own.
DialogView* ViewOf(QWidget* w) {
  for (; w; w = w->parentWidget()) {
    if (auto* v = dynamic_cast<DialogView*>(w)) return v;
    if (w->isWindow()) return nullptr;
  }
  return nullptr;
}

void AddMenuItems(QMenu& menu, const MenuItem& popup) {
  for (const auto& item : popup.items) {
    if (item.separator) {
      menu.addSeparator();
    } else if (item.IsPopup()) {
      QMenu* sub = menu.addMenu(ToQ(item.text));
      AddMenuItems(*sub, item);
    } else {
      QAction* a = menu.addAction(ToQ(item.text));
      a->setData(item.id);
    }
  }
}

bool LooksLikeProgram(const std::string& file) {
  if (gbk::EndsWith(gbk::ToLower(file), ".exe")) return true;
  return platform::fs::IsFile(file) && ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

bool KeyFilter::eventFilter(QObject* obj, QEvent* e) {
  if (e->type() == QEvent::KeyRelease || e->type() == QEvent::ShortcutOverride) {
    // A press has ended its travel; the next press is a new one whatever its address.
    m_last = nullptr;
    m_lastTarget = nullptr;
    return false;
  }
  if (e->type() != QEvent::KeyPress) return false;
  auto* w = qobject_cast<QWidget*>(obj);
  if (e == m_last && w && m_lastTarget) {
    auto* last = qobject_cast<QWidget*>(m_lastTarget.data());
    if (last && w != last && w->isAncestorOf(last)) return false;
  }
  DialogView* view = ViewOf(w);
  if (!view || !view->Dlg()) return false;
  m_last = e;
  m_lastTarget = obj;
  auto* ke = static_cast<QKeyEvent*>(e);
  Dialog* dlg = view->Dlg();
  KeyEvent ev;
  ev.key = KeyOf(ke->key());
  ev.ctrl = (ke->modifiers() & Qt::ControlModifier) != 0;
  ev.shift = (ke->modifiers() & Qt::ShiftModifier) != 0;
  ev.alt = (ke->modifiers() & Qt::AltModifier) != 0;
  if (Control* c = view->ControlOf(w)) ev.focusId = c->id;
  // The system menu is the window's, wherever in it (a page's control) the focus is.
  if (ev.alt && ev.key == Key::Space && view->ShowSystemMenu(view->window()->mapToGlobal(QPoint(0, 0)))) return true;
  if (ev.key == Key::Other) return false;
  bool swallowed = dlg->KeyDown(ev);
  if (view->Dlg()) view->RefreshLook();
  return swallowed;
}

}  // namespace qt

using qt::DialogView;

QtHost::QtHost(int& argc, char** argv) : m_impl(std::make_unique<Impl>()) {
  m_impl->host = this;
  if (!QApplication::instance()) m_impl->ownApp = std::make_unique<QApplication>(argc, argv);
  m_impl->offscreen = QGuiApplication::platformName() == QStringLiteral("offscreen");
  const char* interactive = std::getenv("QOR_UI_INTERACTIVE");
  m_impl->interactive = interactive && std::string(interactive) == "1";
  m_impl->context = std::make_unique<QObject>();
  m_impl->keyFilter = std::make_unique<qt::KeyFilter>(*m_impl);
  qApp->installEventFilter(m_impl->keyFilter.get());
  QObject::connect(qApp, &QApplication::focusChanged, m_impl->context.get(), [this](QWidget*, QWidget* now) {
    DialogView* view = qt::ViewOf(now);
    if (!view || !view->Dlg()) return;
    if (Control* c = view->ControlOf(now)) view->Dlg()->UserFocus(c->id);
  });
  m_impl->tray = std::make_unique<qt::QtTrayBackend>(m_impl->context.get(), m_impl->offscreen);
  m_impl->previous = CurrentHost();
  SetCurrentHost(this);
  SetPumpMessagesHook([this] { return PumpMessages(); });
  SetMessageBoxHook([this](const std::string& text, const std::string& caption, unsigned flags) {
    return MessageBox(text, caption, flags);
  });
}

QtHost::~QtHost() {
  SetPumpMessagesHook(nullptr);
  SetMessageBoxHook(nullptr);
  SetCurrentHost(m_impl->previous);
  for (auto& [key, timer] : m_impl->timers) delete timer;
  m_impl->timers.clear();
  for (auto& [dlg, view] : m_impl->views) {
    view->Detach();
    delete view;
  }
  m_impl->views.clear();
  // Windows and timers of closed dialogs wait for deleteLater; no event loop runs after us.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  m_impl->tray.reset();
  if (qApp) qApp->removeEventFilter(m_impl->keyFilter.get());
}

bool QtHost::IsOffscreen() const { return m_impl->offscreen; }

bool QtHost::RenderToPng(Dialog& dlg, const std::string& path) {
  DialogView* view = m_impl->View(&dlg);
  if (!view) return false;
  view->FlushLists();
  QCoreApplication::processEvents();
  if (!view->Dlg()) return false;
  return view->grab().toImage().save(QString::fromStdString(path), "PNG");
}

Image QtHost::RenderToImage(Dialog& dlg) {
  DialogView* view = m_impl->View(&dlg);
  if (!view) return Image();
  view->FlushLists();
  QCoreApplication::processEvents();
  if (!view->Dlg()) return Image();
  QImage q = view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  Image out(q.width(), q.height());
  for (int y = 0; y < q.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(q.constScanLine(y));
    for (int x = 0; x < q.width(); ++x) out.SetPixel(x, y, static_cast<uint32_t>(line[x]));
  }
  return out;
}

bool QtHost::RenderMenuToPng(const MenuItem& popup, const std::string& path) {
  QMenu menu;
  qt::AddMenuItems(menu, popup);
  menu.ensurePolished();
  menu.resize(menu.sizeHint());
  return menu.grab().toImage().save(QString::fromStdString(path), "PNG");
}

QWidget* QtHost::Impl::OwnerWindow() const {
  // A minimised window owns nothing: a window manager restores the owner of a window
  // it shows (the main window stays minimised behind the start splash).
  for (auto it = modalStack.rbegin(); it != modalStack.rend(); ++it) {
    DialogView* v = View(*it);
    if (v && v->isVisible() && !v->isMinimized()) return v;
  }
  if (QWidget* active = QApplication::activeWindow(); active && !active->isMinimized()) return active;
  for (const auto& [dlg, view] : views)
    if (!dlg->IsChild() && view->isVisible() && !view->isMinimized()) return view;
  return nullptr;
}

namespace {
// A modal window stays above its owner and blocks the rest of the program. Qt takes
// the modality only when the window is shown, so a shown window is shown again.
void MakeModal(DialogView* view, QWidget* owner) {
  if (owner == view) owner = nullptr;
  const bool wasShown = view->isVisible();
  if (view->windowModality() != Qt::ApplicationModal) {
    if (wasShown) view->hide();
    view->setWindowModality(Qt::ApplicationModal);
  }
  view->winId();
  if (QWindow* w = view->windowHandle()) {
    QWindow* ownerWindow = owner ? owner->window()->windowHandle() : nullptr;
    if (w->transientParent() != ownerWindow && ownerWindow != w) w->setTransientParent(ownerWindow);
  }
  if (wasShown && !view->isVisible()) view->show();
}

// The box is at least as wide as its caption with the window frame's icon and close
// box beside it, so the window manager does not cut the caption short.
void FitCaption(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  const QFontMetrics fm(QApplication::font("QMdiSubWindowTitleBar"));
  const int width = fm.horizontalAdvance(box.windowTitle()) + 3 * fm.height() + 60;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                grid->columnCount());
}

void BringForward(QWidget* w) {
  if (!w || !w->isVisible() || w->isMinimized()) return;
  w->raise();
  w->activateWindow();
}
}  // namespace

void QtHost::CreateView(Dialog& dlg) {
  QWidget* parent = nullptr;
  if (dlg.Parent()) parent = m_impl->View(dlg.Parent());
  QWidget* owner = dlg.IsModal() && !parent ? m_impl->OwnerWindow() : nullptr;
  auto* view = new DialogView(dlg, *m_impl, parent);
  m_impl->views[&dlg] = view;
  if (dlg.IsModal() && !parent) MakeModal(view, owner);
}

void QtHost::DestroyView(Dialog& dlg) {
  for (auto it = m_impl->timers.begin(); it != m_impl->timers.end();) {
    if (it->first.first == &dlg) {
      it->second->stop();
      it->second->deleteLater();
      it = m_impl->timers.erase(it);
    } else {
      ++it;
    }
  }
  DialogView* view = m_impl->View(&dlg);
  m_impl->views.erase(&dlg);
  if (view) {
    view->Detach();
    // A handler of this very window may still be running.
    view->deleteLater();
  }
}

void QtHost::Changed(Dialog& dlg, int id, Aspect aspect) {
  if (DialogView* view = m_impl->View(&dlg)) view->Changed(id, aspect);
}

void QtHost::Invalidate(Dialog& dlg, const Rect& r, bool) {
  if (DialogView* view = m_impl->View(&dlg)) view->update(qt::ToQRect(r));
}

void QtHost::RunModal(Dialog& dlg) {
  DialogView* view = m_impl->View(&dlg);
  if (!view) return;
  if (qt::JournalEnabled()) qt::Journal("modal " + std::to_string(dlg.TemplateId()));
  auto& stack = m_impl->modalStack;
  QPointer<QWidget> owner = m_impl->OwnerWindow();
  MakeModal(view, owner);
  if (!dlg.IsVisible()) dlg.ShowWindow(ShowMode::Show);
  if (dlg.HasEnded() || m_impl->quit) return;
  stack.push_back(&dlg);
  BringForward(view);
  QEventLoop loop;
  m_impl->loops[&dlg] = &loop;
  loop.exec();
  m_impl->loops.erase(&dlg);
  stack.erase(std::remove(stack.begin(), stack.end(), &dlg), stack.end());
  // The ended window goes first: a window manager hands the focus only to a window
  // that no modal one blocks, and falls back on its own choice when the focused
  // window vanishes later.
  if (DialogView* ended = m_impl->View(&dlg)) ended->hide();
  // The owner gets the keyboard back, as it does when a modal window closes on Windows.
  if (!stack.empty()) BringForward(m_impl->View(stack.back()));
}

void QtHost::EndModal(Dialog& dlg) {
  if (qt::JournalEnabled()) qt::Journal("end " + std::to_string(dlg.TemplateId()) + " " + std::to_string(dlg.Result()));
  auto it = m_impl->loops.find(&dlg);
  if (it != m_impl->loops.end()) it->second->quit();
}

bool QtHost::SetTimer(Dialog& dlg, int id, int ms) {
  if (!m_impl->IsOpen(&dlg)) return false;
  QTimer*& timer = m_impl->timers[{&dlg, id}];
  if (!timer) {
    timer = new QTimer();
    Dialog* target = &dlg;
    QObject::connect(timer, &QTimer::timeout, m_impl->context.get(), [this, target, id] {
      if (!m_impl->IsOpen(target)) return;
      target->DispatchTimer(id);
      if (DialogView* v = m_impl->View(target)) v->RefreshLook();
    });
  }
  timer->start(static_cast<int>(std::max<int64_t>(1, platform::clock::ScaledMs(std::max(ms, 1)))));
  return true;
}

bool QtHost::KillTimer(Dialog& dlg, int id) {
  auto it = m_impl->timers.find({&dlg, id});
  if (it == m_impl->timers.end()) return false;
  it->second->stop();
  it->second->deleteLater();
  m_impl->timers.erase(it);
  return true;
}

int QtHost::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (QThread::currentThread() != m_impl->context->thread()) {
    // Boxes belong to the user-interface thread; the asking thread waits for the answer.
    int answer = DeclineAnswer(flags);
    QMetaObject::invokeMethod(
        m_impl->context.get(), [&] { answer = MessageBox(text, caption, flags); }, Qt::BlockingQueuedConnection);
    return answer;
  }
  int answer = DeclineAnswer(flags);
  if (m_impl->Answers()) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
      case kMbIconError:
        icon = QMessageBox::Critical;
        break;
      case kMbIconQuestion:
        icon = QMessageBox::Question;
        break;
      case kMbIconWarning:
        icon = QMessageBox::Warning;
        break;
      case kMbIconInformation:
        icon = QMessageBox::Information;
        break;
      default:
        break;
    }
    QPointer<QWidget> owner = m_impl->OwnerWindow();
    QMessageBox box(icon, qt::ToQ(caption), qt::ToQ(text), QMessageBox::NoButton, owner);
    box.setWindowModality(Qt::ApplicationModal);
    std::vector<std::pair<QPushButton*, int>> buttons;
    auto add = [&](QMessageBox::ButtonRole role, int id) {
      buttons.emplace_back(box.addButton(qt::ToQ(MessageBoxButtonText(id)), role), id);
    };
    switch (flags & 0xF) {
      case kMbOkCancel:
        add(QMessageBox::AcceptRole, kIdOk);
        add(QMessageBox::RejectRole, kIdCancel);
        break;
      case kMbYesNoCancel:
        add(QMessageBox::YesRole, kIdYes);
        add(QMessageBox::NoRole, kIdNo);
        add(QMessageBox::RejectRole, kIdCancel);
        break;
      case kMbYesNo:
        add(QMessageBox::YesRole, kIdYes);
        add(QMessageBox::NoRole, kIdNo);
        break;
      default:
        add(QMessageBox::AcceptRole, kIdOk);
        break;
    }
    size_t def = (flags & kMbDefButton2) && buttons.size() > 1 ? 1 : 0;
    box.setDefaultButton(buttons[def].first);
    // Escape and the close box answer Cancel, else No, else the only button.
    const int escape = (flags & 0xF) == kMbYesNoCancel ? kIdCancel : DeclineAnswer(flags);
    for (const auto& [button, id] : buttons)
      if (id == escape) box.setEscapeButton(button);
    // A message box has a close box only.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    FitCaption(box);
    // Ctrl+C copies the box as a Windows message box does: caption, text, buttons.
    auto* copy = new QShortcut(QKeySequence::Copy, &box);
    QObject::connect(copy, &QShortcut::activated, &box, [&box] {
      const QString rule = QStringLiteral("---------------------------\n");
      QStringList names;
      for (QAbstractButton* b : box.buttons()) names << b->text().remove(QLatin1Char('&'));
      QGuiApplication::clipboard()->setText(rule + box.windowTitle() + "\n" + rule + box.text() + "\n" + rule +
                                            names.join(QStringLiteral("   ")) + "\n" + rule);
    });
    box.exec();
    for (const auto& [button, id] : buttons)
      if (box.clickedButton() == button) answer = id;
    // The owner gets the keyboard back, as after a modal dialog.
    BringForward(owner);
  }
  qt::Journal("box [" + caption + "] " + text + " -> " + std::to_string(answer));
  return answer;
}

int QtHost::ChooseFromMenu(const MenuItem& popup, Point screen, Dialog* owner) {
  int command = 0;
  if (m_impl->Answers()) {
    QMenu menu;
    qt::AddMenuItems(menu, popup);
    if (QAction* chosen = menu.exec(QPoint(screen.x, screen.y))) command = chosen->data().toInt();
  }
  qt::Journal("menu " + std::to_string(owner ? owner->TemplateId() : 0) + " -> " + std::to_string(command));
  return command;
}

void QtHost::DeliverMenuCommand(Dialog& owner, int command) {
  if (!m_impl->IsOpen(&owner)) return;
  qt::Journal("command " + std::to_string(owner.TemplateId()) + " " + std::to_string(command));
  owner.SendCommand(command);
  if (DialogView* v = m_impl->View(&owner)) v->RefreshLook();
}

bool QtHost::ShellOpen(const std::string& file, const std::string& parameters, const std::string& verb, bool show) {
  qt::Journal("shell " + verb + " " + file + (parameters.empty() ? "" : " " + parameters));
  if (file.empty()) return false;
  if (file.find("://") == std::string::npos && !platform::fs::IsDirectory(file) && qt::LooksLikeProgram(file))
    return platform::process::StartDetached(file, parameters, !show) > 0;
  return platform::process::OpenDocument(file);
}

void QtHost::Post(std::function<void()> fn) {
  QMetaObject::invokeMethod(m_impl->context.get(), std::move(fn), Qt::QueuedConnection);
}

int QtHost::PumpMessages() {
  if (m_impl->quit) return 0;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return m_impl->quit ? 0 : 1;
}

void QtHost::PostQuit(int) {
  m_impl->quit = true;
  for (auto& [dlg, loop] : m_impl->loops) loop->quit();
}

Point QtHost::CursorPos() {
  QPoint p = QCursor::pos();
  return Point{p.x(), p.y()};
}

bool QtHost::TrackMouse(Dialog& dlg, int id) {
  DialogView* view = m_impl->View(&dlg);
  qt::ControlWidget* w = view ? view->WidgetOf(id) : nullptr;
  if (!w) return false;
  w->SetTracking(true);
  return true;
}

void QtHost::BeginWindowDrag(Dialog& dlg) {
  if (DialogView* view = m_impl->View(&dlg)) view->BeginDrag();
}

Rect QtHost::WorkArea() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return Rect{0, 0, 1024, 768};
  return qt::FromQRect(screen->availableGeometry());
}

Size QtHost::MeasureText(const std::string& gbk, const Font& font) {
  QFontMetrics fm(qt::ToQFont(font));
  return Size{fm.horizontalAdvance(qt::ToQ(gbk)), fm.height()};
}

}  // namespace ui
