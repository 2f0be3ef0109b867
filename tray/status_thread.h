#pragma once
// The status thread: shows every change of the shared status as tooltip, icon and
// balloon, at most two changes a second.
#include <functional>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "tray/tray_status.h"

class CStatusThread {
 public:
  // Shows a balloon; an empty text takes it away.
  using BalloonFn = std::function<void(const std::string&)>;

  CStatusThread(CTrayStatus& status, BalloonFn showBalloon);
  ~CStatusThread();
  CStatusThread(const CStatusThread&) = delete;
  CStatusThread& operator=(const CStatusThread&) = delete;

  bool Start();
  // Asks the thread to end and waits for it; a balloon up is taken away.
  void Stop();

  // One pass of the loop, without its closing pause; false when asked to stop.
  bool RunPass();

 private:
  void Run();

  CTrayStatus& m_status;
  BalloonFn m_showBalloon;
  platform::StopToken m_stop;
  std::thread m_thread;
};
