#pragma once
// A notification-area icon as a neutral object: add, modify and delete it with an
// icon resource, a tip of at most 127 bytes and a balloon of at most 255 bytes; it
// reports the mouse and a restart of the task bar. A backend shows it (Qt) or
// records it (tests). Safe to use from any thread.
#include <functional>
#include <mutex>
#include <string>

namespace ui {

constexpr size_t kTrayTipBytes = 127;
constexpr size_t kTrayBalloonBytes = 255;
constexpr size_t kTrayBalloonTitleBytes = 63;
// A balloon stays up this long; its owner then takes it away with an empty text.
constexpr long long kTrayBalloonMs = 2000;

// Mouse messages as the tray program is written against them.
enum : int {
  kTrayMouseMove = 512,
  kTrayLeftDown = 513,
  kTrayLeftUp = 514,
  kTrayLeftDoubleClick = 515,
  kTrayRightDown = 516,
  kTrayRightUp = 517,
};

// Which parts of the record a request carries.
namespace tray_part {
enum : unsigned {
  kMessage = 1u << 0,
  kIcon = 1u << 1,
  kTip = 1u << 2,
  kBalloon = 1u << 4,
};
}  // namespace tray_part

struct TrayIconData {
  int id = 0;        // the icon's own number, reported with its mouse messages
  int iconId = 0;    // icon resource
  std::string tip;   // GBK
  std::string balloon;
  std::string balloonTitle;
  unsigned parts = 0;

  bool operator==(const TrayIconData&) const = default;
};

// Cuts tip, balloon and title to their limits without splitting a character.
TrayIconData LimitTrayTexts(TrayIconData data);

class TrayIcon;

class TrayBackend {
 public:
  virtual ~TrayBackend() = default;
  virtual bool Add(TrayIcon& owner, const TrayIconData& data) = 0;
  virtual bool Modify(TrayIcon& owner, const TrayIconData& data) = 0;
  virtual bool Delete(TrayIcon& owner, int id) = 0;
};

// The backend of the running host (null when there is none: every request fails).
TrayBackend* CurrentTrayBackend();
void SetTrayBackend(TrayBackend* backend);

// The task bar came back: every icon object of the process hears it, also one whose add
// failed (a program started before the notification area was ready), as the shell's
// broadcast reaches every window.
void BroadcastTaskbarRestart();

class TrayIcon {
 public:
  using MouseHandler = std::function<void(int id, int mouseMessage)>;

  TrayIcon();
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  bool Add(const TrayIconData& data);
  // Fails while the icon is not added.
  bool Modify(const TrayIconData& data);
  bool Delete();
  bool IsAdded() const;

  // Handlers run on the user-interface thread.
  void SetMouseHandler(MouseHandler handler);
  void SetTaskbarRestartHandler(std::function<void()> handler);

  // From the backend: the user's mouse on the icon, the task bar came back.
  void DeliverMouse(int id, int mouseMessage);
  void DeliverTaskbarRestart();

 private:
  mutable std::recursive_mutex m_mutex;
  bool m_added = false;
  TrayIconData m_data;
  TrayBackend* m_backend = nullptr;
  MouseHandler m_onMouse;
  std::function<void()> m_onTaskbarRestart;
};

}  // namespace ui
