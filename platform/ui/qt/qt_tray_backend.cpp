#include "platform/ui/qt/qt_tray_backend.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <cstdio>

#include "platform/ui/qt/qt_convert.h"
#include "platform/ui/qt/qt_journal.h"
#include "platform/ui/resource_set.h"

namespace ui::qt {

namespace {

std::string Line(const char* what, const TrayIconData& d) {
  std::string line = std::string("tray ") + what + " " + std::to_string(d.id);
  if (d.parts & tray_part::kIcon) line += " icon=" + std::to_string(d.iconId);
  if (d.parts & tray_part::kTip) line += " tip=" + d.tip;
  if (d.parts & tray_part::kBalloon) line += " balloon=" + d.balloon;
  // Line ends inside a tip would split the record.
  for (auto& ch : line)
    if (ch == '\n' || ch == '\r') ch = '|';
  return line;
}

QIcon IconOf(int iconId) {
  const Image* img = LoadIcon(iconId);
  return img ? QIcon(QPixmap::fromImage(ToQImage(*img))) : QIcon();
}

bool OnUiThread(QObject* context) { return QThread::currentThread() == context->thread(); }

}  // namespace

QtBalloon BalloonOf(const TrayIconData& data) {
  QtBalloon b;
  if (!(data.parts & tray_part::kBalloon)) return b;
  b.asked = true;
  if (data.balloon.empty()) return b;  // no title either: the balloon goes
  b.title = ToQ(data.balloonTitle);
  b.text = ToQ(data.balloon);
  b.msecs = static_cast<int>(kTrayBalloonMs);
  return b;
}

QtTrayBackend::QtTrayBackend(QObject* context, bool offscreen)
    : m_context(context), m_offscreen(offscreen), m_probe([] { return QSystemTrayIcon::isSystemTrayAvailable(); }) {
  m_wasAvailable = m_probe();
  // A notification area that comes back knows none of the icons.
  m_watch.setInterval(2000);
  QObject::connect(&m_watch, &QTimer::timeout, [this] { WatchTaskbar(); });
  if (!m_offscreen) m_watch.start();
  SetTrayBackend(this);
}

QtTrayBackend::~QtTrayBackend() {
  if (CurrentTrayBackend() == this) SetTrayBackend(nullptr);
  for (auto& [id, icon] : m_icons) delete icon;
}

void QtTrayBackend::SetAvailabilityProbeForTests(std::function<bool()> probe) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_probe = std::move(probe);
  m_wasAvailable = m_probe();
}

// Called under m_mutex.
bool QtTrayBackend::Available() const { return m_offscreen || JournalEnabled() || m_probe(); }

bool QtTrayBackend::Add(TrayIcon& owner, const TrayIconData& data) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!Available()) {
      // Otherwise the program would run unseen and unheard until a tray appears.
      if (!m_toldAway)
        std::fprintf(stderr, "%s：此显示器上没有系统托盘，托盘图标在系统托盘出现后显示。\n",
                     program_invocation_short_name);
      m_toldAway = true;
      return false;
    }
    if (m_owners.count(data.id)) return false;
    m_owners[data.id] = &owner;
  }
  Journal(Line("add", data));
  if (OnUiThread(m_context)) Apply(&owner, data, true);
  else QMetaObject::invokeMethod(m_context, [this, o = &owner, data] { Apply(o, data, true); }, Qt::QueuedConnection);
  return true;
}

bool QtTrayBackend::Modify(TrayIcon& owner, const TrayIconData& data) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_owners.count(data.id)) return false;
  }
  Journal(Line("modify", data));
  if (OnUiThread(m_context)) Apply(&owner, data, false);
  else QMetaObject::invokeMethod(m_context, [this, o = &owner, data] { Apply(o, data, false); }, Qt::QueuedConnection);
  return true;
}

bool QtTrayBackend::Delete(TrayIcon&, int id) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_owners.erase(id)) return false;
  }
  TrayIconData d;
  d.id = id;
  Journal(Line("delete", d));
  if (OnUiThread(m_context)) Remove(id);
  else QMetaObject::invokeMethod(m_context, [this, id] { Remove(id); }, Qt::QueuedConnection);
  return true;
}

void QtTrayBackend::Apply(TrayIcon* owner, const TrayIconData& data, bool add) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_owners.find(data.id);
    if (it == m_owners.end() || it->second != owner) return;  // deleted meanwhile
  }
  if (m_offscreen) return;
  QSystemTrayIcon*& icon = m_icons[data.id];
  if (!icon) {
    icon = new QSystemTrayIcon();
    const int id = data.id;
    QObject::connect(icon, &QSystemTrayIcon::activated, [this, id](QSystemTrayIcon::ActivationReason reason) {
      int message = 0;
      switch (reason) {
        case QSystemTrayIcon::DoubleClick:
          message = kTrayLeftDoubleClick;
          break;
        case QSystemTrayIcon::Context:
          message = kTrayRightUp;
          break;
        case QSystemTrayIcon::Trigger:
          message = kTrayLeftUp;
          break;
        default:
          return;
      }
      TrayIcon* target = nullptr;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_owners.find(id);
        if (it != m_owners.end()) target = it->second;
      }
      if (target) target->DeliverMouse(id, message);
    });
  }
  if (add || (data.parts & tray_part::kIcon)) icon->setIcon(IconOf(data.iconId));
  if (add || (data.parts & tray_part::kTip)) icon->setToolTip(ToQ(data.tip));
  QtBalloon balloon = BalloonOf(data);
  if (balloon.asked)
    icon->showMessage(balloon.title, balloon.text,
                      balloon.text.isEmpty() ? QSystemTrayIcon::NoIcon : QSystemTrayIcon::Information, balloon.msecs);
  icon->show();
}

void QtTrayBackend::Remove(int id) {
  auto it = m_icons.find(id);
  if (it == m_icons.end()) return;
  it->second->hide();
  it->second->deleteLater();
  m_icons.erase(it);
}

void QtTrayBackend::WatchTaskbar() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool now = m_probe();
    const bool cameBack = now && !m_wasAvailable;
    m_wasAvailable = now;
    if (now) m_toldAway = false;
    if (!cameBack) return;
  }
  // Also the icons whose add failed while it was away.
  BroadcastTaskbarRestart();
}

}  // namespace ui::qt
