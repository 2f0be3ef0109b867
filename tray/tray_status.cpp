#include "tray/tray_status.h"

CTrayStatus::CTrayStatus(PaintFn paint) : m_paint(std::move(paint)) {}

void CTrayStatus::Store(const TrayMessage& message) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_cmd = message.command;
  // The service's messages carry no text; the last balloon text stays for the next one.
  if (!message.content.empty()) m_cnt = message.content;
}

CTrayStatus::Change CTrayStatus::TakeChange() {
  std::lock_guard<std::mutex> lock(m_mutex);
  Change change;
  // Whole texts are compared: a new text of the same length is still a new text.
  if (m_cmd == m_lastCmd && m_cnt == m_lastCnt) return change;
  m_lastCmd = m_cmd;
  m_lastCnt = m_cnt;
  m_anyShown = true;
  change.taken = true;
  change.command = m_lastCmd;
  StatusLook look = LookUpStatus(m_lastCmd);
  PaintLook(look);
  if (look.mayBalloon && !m_lastCnt.empty() && m_lastCnt != m_lastBalloon) {
    m_lastBalloon = m_lastCnt;
    change.balloon = m_lastCnt;
  }
  return change;
}

bool CTrayStatus::CountTick() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (++m_tick < 3) return false;
  m_tick = 0;
  return true;
}

void CTrayStatus::ApplyServiceCheck(int running) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (running == 0) {
    m_serviceDown = true;
    m_paint(TrayPaint{false, ServiceGoneTooltip(), res::tray::kIconExited});
  } else if (running == 1 && m_serviceDown) {
    m_serviceDown = false;
    // Back to what the last status said; before any status, the service's return is
    // all there is to show.
    if (m_anyShown)
      PaintLook(LookUpStatus(m_lastCmd));
    else
      m_paint(TrayPaint{false, ServiceBackTooltip(), res::tray::kIconReady});
  }
  // Otherwise nothing: a command the reader has just stored stays for the status thread.
}

void CTrayStatus::PaintLook(const StatusLook& look) {
  if (look.removeIcon)
    m_paint(TrayPaint{true, "", 0});
  else
    m_paint(TrayPaint{false, look.statusLine + TrayTitle(), look.icon});
}

int CTrayStatus::Command() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_cmd;
}

int CTrayStatus::LastCommand() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastCmd;
}

std::string CTrayStatus::Text() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_cnt;
}

bool CTrayStatus::ServiceDown() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_serviceDown;
}
