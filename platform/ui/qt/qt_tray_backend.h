#pragma once
// The notification area through QSystemTrayIcon. Requests from other threads are
// carried out on the user-interface thread. Where no notification area exists (the
// offscreen platform) the icons are kept invisibly, so that the program behaves the
// same; QOR_UI_JOURNAL records every request.
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <QString>

#include <functional>
#include <map>
#include <mutex>

#include "platform/ui/tray_icon.h"

namespace ui::qt {

// What a request asks of Qt's balloon: none, show it (for at most kTrayBalloonMs; its
// owner takes it away sooner), or take the one up away (an empty text: Qt hides its
// balloon when asked to show one without title and text).
struct QtBalloon {
  bool asked = false;
  QString title, text;
  int msecs = 0;
};
QtBalloon BalloonOf(const TrayIconData& data);

class QtTrayBackend : public TrayBackend {
 public:
  QtTrayBackend(QObject* context, bool offscreen);
  ~QtTrayBackend() override;

  bool Add(TrayIcon& owner, const TrayIconData& data) override;
  bool Modify(TrayIcon& owner, const TrayIconData& data) override;
  bool Delete(TrayIcon& owner, int id) override;

  // Whether a notification area is there (Qt's answer unless replaced, for tests).
  void SetAvailabilityProbeForTests(std::function<bool()> probe);
  // Looks whether the notification area came back; every icon object hears it then.
  // A timer calls it every two seconds on the user-interface thread.
  void WatchTaskbar();

 private:
  bool Available() const;
  void Apply(TrayIcon* owner, const TrayIconData& data, bool add);
  void Remove(int id);

  QObject* m_context;
  bool m_offscreen;
  std::mutex m_mutex;
  std::map<int, TrayIcon*> m_owners;  // under m_mutex
  std::map<int, QSystemTrayIcon*> m_icons;  // user-interface thread only
  QTimer m_watch;
  std::function<bool()> m_probe;  // under m_mutex
  bool m_wasAvailable = false;
  bool m_toldAway = false;  // standard error heard that no notification area is there
};

}  // namespace ui::qt
