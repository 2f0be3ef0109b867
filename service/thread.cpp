#include "service/thread.h"

#include <system_error>

#include "common/config.h"
#include "common/ini_reader.h"
#include "platform/fs.h"
#include "platform/instance.h"
#include "platform/textconv.h"
#include "common/file_probe.h"
#include "service/global.h"
#include "service/iplib_update.h"
#include "common/program_log.h"
#include "service/request_log.h"

namespace {
enum WorkerBit { kLogWorkerBit = 1, kUpdateWorkerBit = 2 };
}

CThread::CThread(CGlobal& global, CConfig& config, CIniReader& ini, CLog& log)
    : m_global(global), m_config(config), m_ini(ini), m_log(log) {}

CThread::~CThread() {
  // A worker still running here outlived the bounded wait; it ends with the process.
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto* t : {&m_logWorker, &m_updateWorker}) {
    if (!t->joinable()) continue;
    if (m_running & (t == &m_logWorker ? kLogWorkerBit : kUpdateWorkerBit)) t->detach();
    else t->join();
  }
}

bool CThread::Wait(int64_t ms) { return platform::clock::Sleep(ms, m_stop); }

int CThread::Start(platform::StopToken& stop) {
  m_stop = &stop;
  m_log.Write("主服务启动！", true);
  for (int read = 0; read < kWord8Reads; ++read) {
    if (!m_ini.GetWord8().empty()) break;
    if (read == 0)
      m_log.Write("设置文件[" + platform::Utf8ToGbk(m_global.SettingsFilePath()) + "]中没有[System]Word8，工作线程最迟" +
                      std::to_string(kWord8Reads * kWord8WaitMs / 1000) + "秒后启动",
                  true);
    if (!Wait(kWord8WaitMs)) return 0;
  }
  if (stop.StopRequested()) return 0;

  std::lock_guard<std::mutex> lock(m_mutex);
  try {
    m_logWorker = std::thread(&CThread::LogWorkerProc, this);
    m_running |= kLogWorkerBit;
  } catch (const std::system_error&) {
  }
  try {
    m_updateWorker = std::thread(&CThread::IpLibUpdateProc, this);
    m_running |= kUpdateWorkerBit;
  } catch (const std::system_error&) {
  }
  return (m_running & kLogWorkerBit) ? 1 : 0;
}

bool CThread::WaitForWorkers(int64_t timeoutMs, int64_t stepMs, const std::function<void()>& onStep) {
  std::unique_lock<std::mutex> lock(m_mutex);
  const int64_t step = platform::clock::ScaledMs(stepMs < 1 ? 1 : stepMs);
  for (int64_t waited = 0; m_running != 0 && waited < timeoutMs; waited += stepMs) {
    if (m_ended.wait_for(lock, std::chrono::milliseconds(step < 1 ? 1 : step), [this] { return m_running == 0; }))
      break;
    if (onStep) {
      lock.unlock();
      onStep();
      lock.lock();
    }
  }
  if (!(m_running & kLogWorkerBit) && m_logWorker.joinable()) m_logWorker.join();
  if (!(m_running & kUpdateWorkerBit) && m_updateWorker.joinable()) m_updateWorker.join();
  return m_running == 0;
}

bool CThread::WorkersEnded() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_running == 0;
}

unsigned CThread::LogWorkerProc(void* param) {
  auto* self = static_cast<CThread*>(param);
  self->RunLogWorker();
  {
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_running &= ~kLogWorkerBit;
  }
  self->m_ended.notify_all();
  return 0;
}

unsigned CThread::IpLibUpdateProc(void* param) {
  auto* self = static_cast<CThread*>(param);
  self->RunIpLibUpdate();
  {
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_running &= ~kUpdateWorkerBit;
  }
  self->m_ended.notify_all();
  return 0;
}

void CThread::RunLogWorker() {
  // The region tables and the IP library are read once per worker life; a stop asked
  // meanwhile cuts the read short.
  CRequestLog requestLog(m_global.ProgramDir(), m_stop);
  bool ownsRequestLog = false;
  while (!m_stop->StopRequested()) {
    if (!ownsRequestLog)
      ownsRequestLog = platform::instance::ClaimInstance(kLogWorkerLockName, platform::instance::Scope::SystemOnly) ==
                       platform::instance::Claim::Acquired;
    if (ownsRequestLog) requestLog.ProcessPass(m_stop);
    WatchConfiguration();
    ReportSystemStatus();
    if (!Wait(kPassWaitMs)) break;
  }
  if (ownsRequestLog) platform::instance::ReleaseInstance(kLogWorkerLockName);
}

void CThread::WatchConfiguration() {
  const std::string stamp = m_global.ProgramDir() + "iis/apply.db";
  if (!FileExists(stamp, false)) return;
  // The stamp goes first, so a save during the reload brings another reload. One that
  // cannot go brings a reload every pass: told once, until a delete works again.
  const platform::fs::Result gone = platform::fs::DeleteFile(stamp);
  if (!gone.Ok() && !m_stampStuck)
    m_log.Write("配置变更标记[" + platform::Utf8ToGbk(stamp) + "]删除失败：" + gone.Text(), true);
  m_stampStuck = !gone.Ok();
  m_config.Load();
  m_global.ReadSystemSwitch(m_config);
  Wait(kReloadWaitMs);
}

void CThread::ReportSystemStatus() {
  const bool on = m_config.GetSystem() == "1";
  m_global.SetSystemSwitch(on ? 1 : 0);
  m_global.ReportStatus(on ? 1 : 3, "");
}

void CThread::RunIpLibUpdate() {
  if (!Wait(kUpdateFirstWaitMs) || !Wait(kUpdateSecondWaitMs)) return;
  while (!m_stop->StopRequested()) {
    m_config.Load();
    if (m_config.GetSystem() != "1") {
      if (!Wait(kUpdateSwitchOffWaitMs)) break;
      continue;
    }
    UpdateIpLibOnce(m_global.ProgramDir(), m_global.DownloadHost(), m_global.DownloadPath(), m_ini, nullptr, &m_log,
                    m_stop);
    if (!Wait(kUpdateIntervalMs)) break;
  }
}
