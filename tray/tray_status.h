#pragma once
// The status that the mailslot reader, the status thread and the service watch share,
// and the decision each of them takes on it. Decisions paint under one lock, so an
// older status is never painted over a newer one.
#include <functional>
#include <mutex>
#include <string>

#include "common/tray_message.h"
#include "tray/status_table.h"

// One change of the tray icon: its removal, or a new tooltip and icon.
struct TrayPaint {
  bool remove = false;
  std::string tooltip;
  int icon = 0;
};

class CTrayStatus {
 public:
  using PaintFn = std::function<void(const TrayPaint&)>;
  explicit CTrayStatus(PaintFn paint);

  // Reader: the command always, the text only when it is not empty.
  void Store(const TrayMessage& message);

  struct Change {
    bool taken = false;
    int command = 0;
    std::string balloon;  // not empty when this change shows a balloon
  };
  // Status thread, one pass: a stored command or text that differs from the last one
  // taken over is taken over and painted.
  Change TakeChange();

  // Service watch, every timer tick: true on every third tick, when a check is due.
  bool CountTick();
  // Service watch: running is 1, 0, or -1 when the process list is unavailable.
  void ApplyServiceCheck(int running);

  int Command() const;
  int LastCommand() const;
  std::string Text() const;
  bool ServiceDown() const;

 private:
  void PaintLook(const StatusLook& look);

  PaintFn m_paint;
  mutable std::mutex m_mutex;
  int m_cmd = kStartCommand;
  int m_lastCmd = kStartCommand;
  std::string m_cnt, m_lastCnt, m_lastBalloon;
  bool m_anyShown = false;  // a command has been painted since start
  bool m_serviceDown = false;
  int m_tick = 0;
};
