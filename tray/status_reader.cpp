#include "tray/status_reader.h"

#include "platform/mailslot.h"

namespace slot = platform::mailslot;

namespace {
// Real milliseconds a read waits before it looks at the stop request again.
constexpr int64_t kReadWaitMs = 100;
}  // namespace

CStatusReader::CStatusReader(CTrayStatus& status, Hooks hooks, std::string slotName)
    : m_status(status), m_hooks(std::move(hooks)), m_slotName(std::move(slotName)) {}

CStatusReader::~CStatusReader() { Stop(); }

bool CStatusReader::Start() {
  if (m_thread.joinable()) return false;
  m_stop.Reset();
  m_thread = std::thread([this] { Run(); });
  return true;
}

void CStatusReader::Stop() {
  m_stop.RequestStop();
  if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void CStatusReader::Run() {
  slot::Slot mailslot;
  // Another program may hold the name; it is asked for again every second.
  while (mailslot.Create(m_slotName) != slot::kOk)
    if (!platform::clock::Sleep(1000, &m_stop)) return;
  m_slotOpen = true;
  if (m_hooks.onSlotReady) m_hooks.onSlotReady();

  std::string received;
  while (!m_stop.StopRequested()) {
    slot::Slot::ReadResult r = mailslot.Read(received, kReadWaitMs);
    if (r == slot::Slot::ReadResult::Timeout) continue;
    if (r == slot::Slot::ReadResult::Failed) {
      platform::clock::Sleep(10, &m_stop);
      continue;
    }
    TrayMessage message = ParseTrayMessage(received);
    m_status.Store(message);
    if (message.command == kTrayCmdQuit) {
      mailslot.Close();
      m_slotOpen = false;
      if (m_hooks.onQuit) m_hooks.onQuit();
      return;
    }
    platform::clock::Sleep(10, &m_stop);
  }
  m_slotOpen = false;
}
