#pragma once
// The notification area through QSystemTrayIcon. Requests from other threads are
// carried out on the user-interface thread. Where no notification area exists (the
// offscreen platform) the icons are kept invisibly, so that the program behaves the
// same; QOR_UI_JOURNAL records every request.
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <map>
#include <mutex>

#include "platform/ui/tray_icon.h"

namespace ui::qt {

class QtTrayBackend : public TrayBackend {
 public:
  QtTrayBackend(QObject* context, bool offscreen);
  ~QtTrayBackend() override;

  bool Add(TrayIcon& owner, const TrayIconData& data) override;
  bool Modify(TrayIcon& owner, const TrayIconData& data) override;
  bool Delete(TrayIcon& owner, int id) override;

 private:
  bool Available() const;
  void Apply(TrayIcon* owner, const TrayIconData& data, bool add);
  void Remove(int id);
  void WatchTaskbar();

  QObject* m_context;
  bool m_offscreen;
  std::mutex m_mutex;
  std::map<int, TrayIcon*> m_owners;  // under m_mutex
  std::map<int, QSystemTrayIcon*> m_icons;  // user-interface thread only
  QTimer m_watch;
  bool m_wasAvailable = false;
};

}  // namespace ui::qt
