#pragma once
// The service's two workers: the request-log worker (request log, configuration
// watch, status to the tray) and the IP-library update worker. Both watch the
// service's stop request in every wait and end on it.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/clock.h"

class CConfig;
class CGlobal;
class CIniReader;
class CLog;

class CThread {
 public:
  // Waits of the workers, in milliseconds (before QOR_TIME_SCALE).
  static constexpr int64_t kWord8WaitMs = 2000;
  static constexpr int kWord8Reads = 11;
  static constexpr int64_t kPassWaitMs = 1000;
  static constexpr int64_t kReloadWaitMs = 1000;
  static constexpr int64_t kUpdateFirstWaitMs = 70000;
  static constexpr int64_t kUpdateSecondWaitMs = 10000;
  static constexpr int64_t kUpdateSwitchOffWaitMs = 5000;
  static constexpr int64_t kUpdateIntervalMs = 60 * 60000;
  // Single-instance name that keeps a second service process off the request log.
  static constexpr const char* kLogWorkerLockName = "QoripSvcLogWorker";

  CThread(CGlobal& global, CConfig& config, CIniReader& ini, CLog& log);
  virtual ~CThread();
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // Writes the start message, waits for Word8 (at most 11 reads, 2 s apart), then
  // starts the request-log worker and the update worker. Nonzero when the request-log
  // worker runs; 0 also when stop was asked during the wait (no worker started).
  int Start(platform::StopToken& stop);

  // Waits until both workers have ended, calling onStep about every stepMs (real
  // milliseconds after QOR_TIME_SCALE) meanwhile; false when they were still running
  // after timeoutMs. Workers that ended are joined.
  bool WaitForWorkers(int64_t timeoutMs, int64_t stepMs, const std::function<void()>& onStep);
  // True when no worker is running (none started, or all ended).
  bool WorkersEnded() const;

  // Thread procedures; the parameter is the CThread.
  static unsigned LogWorkerProc(void* param);
  static unsigned IpLibUpdateProc(void* param);

 private:
  void RunLogWorker();
  void RunIpLibUpdate();
  // One configuration-watch and status pass of the request-log worker.
  void WatchConfiguration();
  void ReportSystemStatus();
  bool Wait(int64_t ms);

  CGlobal& m_global;
  CConfig& m_config;
  CIniReader& m_ini;
  CLog& m_log;
  platform::StopToken* m_stop = nullptr;
  bool m_stampStuck = false;  // the last delete of the change stamp failed (told once)

  std::thread m_logWorker, m_updateWorker;
  mutable std::mutex m_mutex;
  std::condition_variable m_ended;
  int m_running = 0;  // workers started and not yet ended
};
