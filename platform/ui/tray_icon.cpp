#include "platform/ui/tray_icon.h"

#include <atomic>
#include <set>

#include "platform/gbk.h"

namespace ui {

namespace {
std::atomic<TrayBackend*> g_backend{nullptr};

// Every living icon object; a handler that makes or drops one meanwhile is allowed.
std::recursive_mutex g_livingMutex;
std::set<TrayIcon*>& Living() {
  static std::set<TrayIcon*> living;
  return living;
}
}

TrayBackend* CurrentTrayBackend() { return g_backend.load(); }
void SetTrayBackend(TrayBackend* backend) { g_backend.store(backend); }

TrayIconData LimitTrayTexts(TrayIconData data) {
  data.tip = gbk::CutBytes(data.tip, kTrayTipBytes);
  data.balloon = gbk::CutBytes(data.balloon, kTrayBalloonBytes);
  data.balloonTitle = gbk::CutBytes(data.balloonTitle, kTrayBalloonTitleBytes);
  return data;
}

void BroadcastTaskbarRestart() {
  std::lock_guard<std::recursive_mutex> lock(g_livingMutex);
  const std::set<TrayIcon*> all = Living();
  for (TrayIcon* icon : all)
    if (Living().count(icon)) icon->DeliverTaskbarRestart();
}

TrayIcon::TrayIcon() {
  std::lock_guard<std::recursive_mutex> lock(g_livingMutex);
  Living().insert(this);
}

TrayIcon::~TrayIcon() {
  {
    std::lock_guard<std::recursive_mutex> lock(g_livingMutex);
    Living().erase(this);
  }
  Delete();
}

bool TrayIcon::Add(const TrayIconData& data) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  TrayBackend* backend = CurrentTrayBackend();
  if (!backend) return false;
  m_data = LimitTrayTexts(data);
  m_backend = backend;
  m_added = backend->Add(*this, m_data);
  return m_added;
}

bool TrayIcon::Modify(const TrayIconData& data) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (!m_added || !m_backend) return false;
  m_data = LimitTrayTexts(data);
  return m_backend->Modify(*this, m_data);
}

bool TrayIcon::Delete() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (!m_added || !m_backend) return false;
  m_added = false;
  return m_backend->Delete(*this, m_data.id);
}

bool TrayIcon::IsAdded() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_added;
}

void TrayIcon::SetMouseHandler(MouseHandler handler) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_onMouse = std::move(handler);
}

void TrayIcon::SetTaskbarRestartHandler(std::function<void()> handler) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  m_onTaskbarRestart = std::move(handler);
}

void TrayIcon::DeliverMouse(int id, int mouseMessage) {
  MouseHandler handler;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    handler = m_onMouse;
  }
  if (handler) handler(id, mouseMessage);
}

void TrayIcon::DeliverTaskbarRestart() {
  std::function<void()> handler;
  {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    handler = m_onTaskbarRestart;
  }
  if (handler) handler();
}

}  // namespace ui
