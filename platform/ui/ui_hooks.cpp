#include "platform/ui/ui_hooks.h"

#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/textconv.h"

namespace {
std::mutex g_mutex;
PumpMessagesHook g_pump;
// The thread that installed the pump: the user-interface thread, whose queue it is.
std::thread::id g_pumpThread;
MessageBoxHook g_box;
}  // namespace

void SetPumpMessagesHook(PumpMessagesHook hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_pump = std::move(hook);
  g_pumpThread = std::this_thread::get_id();
}

void SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_box = std::move(hook);
}

int PumpMessages() {
  PumpMessagesHook pump;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    // Another thread has no messages of its own to dispatch and never takes the
    // window thread's.
    if (std::this_thread::get_id() != g_pumpThread) return 1;
    pump = g_pump;
  }
  return pump ? pump() : 1;
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  MessageBoxHook box;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    box = g_box;
  }
  if (box) return box(text, caption, flags);
  std::fprintf(stderr, "[%s] %s\n", platform::GbkToUtf8(caption).c_str(), platform::GbkToUtf8(text).c_str());
  return (flags & 0xF) == kMbYesNo || (flags & 0xF) == kMbYesNoCancel ? kIdNo : kIdOk;
}
