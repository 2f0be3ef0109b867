#pragma once
// The service shell: command-line install, removal and version, the event log, the
// service entry, the control handler and the status reports to the service manager.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/eventlog.h"
#include "platform/scm.h"

class CConfig;
class CGlobal;
class CLog;
class CThread;

// Event ids of the service's event-log entries.
enum : uint32_t {
  kEventInstalled = 100,
  kEventRemoved = 101,
  kEventRemoveFailed = 102,
  kEventHandlerNotRegistered = 103,
  kEventInitFailed = 104,
  kEventStarted = 105,
  kEventBadControl = 106,
  kEventStopReceived = 108,
};

class CNTService {
 public:
  static constexpr int kMajorVersion = 1;
  static constexpr int kMinorVersion = 0;
  // Retry of an unreadable configuration store at start.
  static constexpr int64_t kConfigRetryMs = 5000;
  // Bound of the wait for the workers at stop, and the step of its check points.
  static constexpr int64_t kWorkerJoinMs = 30000;
  static constexpr int64_t kWorkerJoinStepMs = 1000;

  CNTService(const std::string& serviceName, CGlobal& global, CConfig& config, CThread& thread, CLog& log);
  virtual ~CNTService();
  CNTService(const CNTService&) = delete;
  CNTService& operator=(const CNTService&) = delete;

  // Only the first argument counts ("-v"/"/v", "-i"/"/i", "-u"/"/u", any case);
  // prints the console texts. 1 when a switch was handled.
  int HandleCommandLine(const std::vector<std::string>& args);
  bool IsInstalled();
  bool Install();
  bool Uninstall();
  // Error code of the last failed Install, Uninstall or StartDispatcher.
  int LastError() const { return m_lastError; }

  void LogEvent(platform::eventlog::EventType type, uint32_t id, const std::vector<std::string>& texts = {});

  // Runs the service under the service manager; returns when it has stopped.
  // Nonzero on success; 0 when the process was not started by the manager.
  int StartDispatcher();
  void ServiceMain(const std::vector<std::string>& args);
  void ControlHandler(uint32_t code);
  int Initialize();
  void SetStatus(platform::scm::State state);

  platform::scm::Status Status() const;
  const std::string& Name() const { return m_name; }
  // Full path of the program as the service manager runs it.
  void SetProgramPath(const std::string& path) { m_programPath = path; }
  const std::string& ProgramPath() const { return m_programPath; }

  // Running: set before RUNNING is reported. The stop request is set only by the
  // control handler, so one that comes early is never lost.
  bool IsRunning() const { return m_running.load() && !m_stop.StopRequested(); }
  platform::StopToken& StopRequest() { return m_stop; }

 protected:
  virtual void Run();
  virtual bool OnInit() { return true; }
  virtual void OnStop() {}
  virtual void OnInterrogate() {}
  virtual void OnPause() {}
  virtual void OnContinue() {}
  virtual void OnShutdown() {}
  virtual bool OnCustomControl(uint32_t) { return false; }

  // Sleeps ms unless stop is asked; false on stop.
  bool Wait(int64_t ms) { return platform::clock::Sleep(ms, &m_stop); }

 private:
  // Reports the held status; the caller holds m_statusMutex.
  void ReportLocked();
  void WaitForWorkers();

  const std::string m_name;
  CGlobal& m_global;
  CConfig& m_config;
  CThread& m_thread;
  CLog& m_log;
  std::string m_programPath;
  int m_lastError = 0;

  mutable std::mutex m_statusMutex;
  platform::scm::Status m_status;
  bool m_handlerRegistered = false;
  bool m_finalStopReported = false;

  std::atomic<bool> m_running{false};
  platform::StopToken m_stop;

  std::mutex m_eventMutex;
  platform::eventlog::Source m_eventSource;
};
