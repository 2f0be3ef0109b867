#include "platform/ui/host.h"

#include <atomic>

#include "platform/ui/ui_hooks.h"
#include "platform/ui/dialog.h"

namespace ui {

namespace {
std::atomic<Host*> g_host{nullptr};
}

int DeclineAnswer(unsigned flags) {
  switch (flags & 0xF) {
    case kMbYesNo:
    case kMbYesNoCancel:
      return kIdNo;
    case kMbOkCancel:
      return kIdCancel;
    default:
      return kIdOk;
  }
}

Host* CurrentHost() { return g_host.load(std::memory_order_acquire); }
void SetCurrentHost(Host* host) { g_host.store(host, std::memory_order_release); }

int Host::TrackPopupMenu(const MenuItem& popup, Point screen, Dialog* owner, unsigned flags) {
  const int command = ChooseFromMenu(popup, screen, owner);
  if (flags & kTpmReturnCmd) return command;
  if (command == 0) return 0;
  // The command arrives after the menu has closed, as a posted message.
  if (owner) Post([this, owner, command] { DeliverMenuCommand(*owner, command); });
  return 1;
}

int TrackPopupMenu(const MenuItem& popup, Point screen, Dialog* owner, unsigned flags) {
  Host* h = CurrentHost();
  return h ? h->TrackPopupMenu(popup, screen, owner, flags) : 0;
}

bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& verb, bool show) {
  Host* h = CurrentHost();
  return h ? h->ShellOpen(file, parameters, verb, show) : false;
}

bool PostToUiThread(std::function<void()> fn) {
  Host* h = CurrentHost();
  if (!h) return false;
  h->Post(std::move(fn));
  return true;
}

Point CursorPos() {
  Host* h = CurrentHost();
  return h ? h->CursorPos() : Point{};
}

void PostQuit(int code) {
  if (Host* h = CurrentHost()) h->PostQuit(code);
}

}  // namespace ui
