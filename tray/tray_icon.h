#pragma once
// The tray program's one notification-area icon: a record of id, icon, tip and
// balloon that every change is sent with. Any thread may change it; changes never
// interleave.
#include <mutex>
#include <string>

#include "platform/ui/tray_icon.h"

class CTrayIcon {
 public:
  // Called with the icon's id and the mouse message, on the user-interface thread.
  using NotifyFn = ui::TrayIcon::MouseHandler;

  // Fixed title of every balloon.
  static const std::string& BalloonTitle();

  CTrayIcon() = default;
  ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Adds the icon with tip, icon and mouse messages; the result is kept as the
  // "added" flag. While it is false every other operation does nothing.
  bool Create(NotifyFn onNotify, int id, int iconId, const std::string& tip);
  bool Remove();
  bool SetTooltip(const std::string& tip);
  bool SetIcon(int iconId);
  // A balloon is sent with this one request only; an empty text takes it away.
  bool ShowBalloon(const std::string& text);
  // Called when the task bar came back (its icons are gone).
  void SetTaskbarRestartHandler(std::function<void()> handler);

  bool IsAdded() const;
  ui::TrayIconData Record() const;

 private:
  bool Send();

  mutable std::mutex m_mutex;
  ui::TrayIcon m_icon;
  ui::TrayIconData m_record;
  bool m_added = false;
};
