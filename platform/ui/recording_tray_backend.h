#pragma once
// A tray backend that keeps what was asked of it, for tests: the icons now shown
// and every request in order.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/tray_icon.h"

namespace ui {

class RecordingTrayBackend : public TrayBackend {
 public:
  struct Request {
    enum Kind { Add, Modify, Delete } kind;
    TrayIconData data;
  };

  // Registers itself as the current backend until it goes.
  RecordingTrayBackend();
  ~RecordingTrayBackend() override;

  bool Add(TrayIcon& owner, const TrayIconData& data) override;
  bool Modify(TrayIcon& owner, const TrayIconData& data) override;
  bool Delete(TrayIcon& owner, int id) override;

  // The next requests fail (as when no task bar is there).
  void SetAvailable(bool available);
  std::vector<Request> Requests() const;
  // Icons shown now, by id.
  std::map<int, TrayIconData> Shown() const;
  // Balloon texts in the order they appeared (empty texts take a balloon away).
  std::vector<std::string> Balloons() const;

  // What the user or the shell does.
  void Click(int id, int mouseMessage);
  // A new task bar, available and without icons; every icon object of the process hears it.
  void RestartTaskbar();

 private:
  mutable std::mutex m_mutex;
  TrayBackend* m_previous = nullptr;
  bool m_available = true;
  std::vector<Request> m_requests;
  std::map<int, TrayIconData> m_shown;
  std::map<int, TrayIcon*> m_owners;
};

}  // namespace ui
