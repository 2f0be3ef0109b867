#include "tray/status_thread.h"

#include "platform/ui/tray_icon.h"

namespace clk = platform::clock;

namespace {
constexpr int64_t kPollMs = 10;
constexpr int64_t kSettleMs = 500;
}  // namespace

CStatusThread::CStatusThread(CTrayStatus& status, BalloonFn showBalloon)
    : m_status(status), m_showBalloon(std::move(showBalloon)) {}

CStatusThread::~CStatusThread() { Stop(); }

bool CStatusThread::Start() {
  if (m_thread.joinable()) return false;
  m_stop.Reset();
  m_thread = std::thread([this] { Run(); });
  return true;
}

void CStatusThread::Stop() {
  m_stop.RequestStop();
  if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool CStatusThread::RunPass() {
  CTrayStatus::Change change = m_status.TakeChange();
  if (!change.taken) return !m_stop.StopRequested();
  if (change.command == kTrayCmdQuit) return clk::Sleep(1, &m_stop);
  bool going;
  if (!change.balloon.empty()) {
    m_showBalloon(change.balloon);
    going = clk::Sleep(ui::kTrayBalloonMs, &m_stop);
    m_showBalloon("");
  } else {
    going = clk::Sleep(kSettleMs, &m_stop);
  }
  return going && clk::Sleep(1, &m_stop);
}

void CStatusThread::Run() {
  while (RunPass() && clk::Sleep(kPollMs, &m_stop)) {
  }
}
