#include "tray/tray_icon.h"

#include "platform/gbk.h"

namespace part = ui::tray_part;

const std::string& CTrayIcon::BalloonTitle() {
  static const std::string title = "Qor状态提示";
  return title;
}

CTrayIcon::~CTrayIcon() { Remove(); }

bool CTrayIcon::Create(NotifyFn onNotify, int id, int iconId, const std::string& tip) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_icon.SetMouseHandler(std::move(onNotify));
  m_record = ui::TrayIconData{};
  m_record.id = id;
  m_record.iconId = iconId;
  m_record.tip = gbk::CutBytes(tip, ui::kTrayTipBytes);
  m_record.parts = part::kMessage | part::kIcon | part::kTip;
  m_added = m_icon.Add(m_record);
  return m_added;
}

bool CTrayIcon::Remove() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_added) return false;
  m_added = false;
  return m_icon.Delete();
}

bool CTrayIcon::SetTooltip(const std::string& tip) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_added) return false;
  m_record.tip = gbk::CutBytes(tip, ui::kTrayTipBytes);
  m_record.parts |= part::kTip;
  return Send();
}

bool CTrayIcon::SetIcon(int iconId) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_added) return false;
  m_record.iconId = iconId;
  m_record.parts |= part::kIcon;
  return Send();
}

bool CTrayIcon::ShowBalloon(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_added) return false;
  m_record.balloon = gbk::CutBytes(text, ui::kTrayBalloonBytes);
  m_record.balloonTitle = BalloonTitle();
  m_record.parts |= part::kBalloon;
  Send();
  // Later changes carry tip and icon only, so a balloon never shows twice.
  m_record.parts &= ~part::kBalloon;
  m_record.balloon.clear();
  return true;
}

void CTrayIcon::SetTaskbarRestartHandler(std::function<void()> handler) {
  m_icon.SetTaskbarRestartHandler(std::move(handler));
}

bool CTrayIcon::IsAdded() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_added;
}

ui::TrayIconData CTrayIcon::Record() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_record;
}

bool CTrayIcon::Send() { return m_icon.Modify(m_record); }
