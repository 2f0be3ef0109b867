#include "platform/ui/recording_tray_backend.h"

namespace ui {

RecordingTrayBackend::RecordingTrayBackend() {
  m_previous = CurrentTrayBackend();
  SetTrayBackend(this);
}

RecordingTrayBackend::~RecordingTrayBackend() { SetTrayBackend(m_previous); }

bool RecordingTrayBackend::Add(TrayIcon& owner, const TrayIconData& data) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_requests.push_back(Request{Request::Add, data});
  if (!m_available || m_shown.count(data.id)) return false;
  m_shown[data.id] = data;
  m_owners[data.id] = &owner;
  return true;
}

bool RecordingTrayBackend::Modify(TrayIcon&, const TrayIconData& data) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_requests.push_back(Request{Request::Modify, data});
  auto it = m_shown.find(data.id);
  if (!m_available || it == m_shown.end()) return false;
  it->second = data;
  return true;
}

bool RecordingTrayBackend::Delete(TrayIcon&, int id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  TrayIconData data;
  data.id = id;
  m_requests.push_back(Request{Request::Delete, data});
  m_owners.erase(id);
  return m_shown.erase(id) > 0;
}

void RecordingTrayBackend::SetAvailable(bool available) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_available = available;
}

std::vector<RecordingTrayBackend::Request> RecordingTrayBackend::Requests() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

std::map<int, TrayIconData> RecordingTrayBackend::Shown() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_shown;
}

std::vector<std::string> RecordingTrayBackend::Balloons() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<std::string> out;
  for (const auto& r : m_requests)
    if (r.kind != Request::Delete && (r.data.parts & tray_part::kBalloon)) out.push_back(r.data.balloon);
  return out;
}

void RecordingTrayBackend::Click(int id, int mouseMessage) {
  TrayIcon* owner = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_owners.find(id);
    if (it != m_owners.end()) owner = it->second;
  }
  if (owner) owner->DeliverMouse(id, mouseMessage);
}

void RecordingTrayBackend::RestartTaskbar() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A new task bar knows no icons, and it is there for the adds that follow.
    m_shown.clear();
    m_owners.clear();
    m_available = true;
  }
  BroadcastTaskbarRestart();
}

}  // namespace ui
