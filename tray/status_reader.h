#pragma once
// The mailslot reader: owns the status slot, stores every message it reads in the
// shared status and ends the program on the quit command.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "common/tray_message.h"
#include "platform/clock.h"
#include "tray/tray_status.h"

class CStatusReader {
 public:
  struct Hooks {
    // The slot exists and is read from now on; the splash may show.
    std::function<void()> onSlotReady;
    // The quit command arrived; the slot is closed already.
    std::function<void()> onQuit;
  };

  CStatusReader(CTrayStatus& status, Hooks hooks, std::string slotName = kTrayMailslotName);
  ~CStatusReader();
  CStatusReader(const CStatusReader&) = delete;
  CStatusReader& operator=(const CStatusReader&) = delete;

  bool Start();
  // Asks the thread to end and waits for it; the slot is given up.
  void Stop();

  bool SlotOpen() const { return m_slotOpen.load(); }

 private:
  void Run();

  CTrayStatus& m_status;
  Hooks m_hooks;
  std::string m_slotName;
  platform::StopToken m_stop;
  std::thread m_thread;
  std::atomic<bool> m_slotOpen{false};
};
