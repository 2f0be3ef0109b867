#include "service/nt_service.h"

#include <cstdio>

#include "common/config.h"
#include "platform/gbk.h"
#include "platform/registry.h"
#include "platform/textconv.h"
#include "service/global.h"
#include "common/program_log.h"
#include "service/thread.h"

namespace reg = platform::registry;
namespace scm = platform::scm;
using platform::eventlog::EventType;

namespace {
constexpr uint32_t kTypesSupported = 7;
constexpr size_t kMaxDescriptionBytes = 259;
constexpr uint32_t kInitFailedExitCode = 1064;
}  // namespace

CNTService::CNTService(const std::string& serviceName, CGlobal& global, CConfig& config, CThread& thread, CLog& log)
    : m_name(gbk::CutBytes(serviceName, 63)), m_global(global), m_config(config), m_thread(thread), m_log(log) {
  m_status.serviceType = scm::kOwnProcess;
  m_status.state = scm::State::Stopped;
  m_status.controlsAccepted = scm::kAcceptStop;
}

CNTService::~CNTService() {
  std::lock_guard<std::mutex> lock(m_eventMutex);
  m_eventSource.Deregister();
}

int CNTService::HandleCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return 0;
  const std::string& arg = args[0];
  const char* name = m_name.c_str();
  auto is = [&arg](const char* word) { return gbk::EqualsNoCase(arg, std::string("-") + word) ||
                                              gbk::EqualsNoCase(arg, std::string("/") + word); };
  if (is("v")) {
    std::printf("%s Version %d.%d\n", name, kMajorVersion, kMinorVersion);
    std::printf("The service is %s installed\n", IsInstalled() ? "currently" : "not");
    return 1;
  }
  if (is("i")) {
    if (IsInstalled()) std::printf("%s is already installed\n", name);
    else if (Install()) std::printf("%s installed\n", name);
    else std::printf("%s failed to install. Error %d\n", name, m_lastError);
    return 1;
  }
  if (is("u")) {
    if (!IsInstalled()) std::printf("%s is not installed\n", name);
    else if (Uninstall())
      std::printf("%s removed. (You must delete the file (%s) yourself.)\n", name, m_programPath.c_str());
    else std::printf("Could not remove %s. Error %d\n", name, m_lastError);
    return 1;
  }
  return 0;
}

bool CNTService::IsInstalled() {
  // Looking needs nothing beyond opening: no state is created or changed.
  scm::Manager manager;
  if (manager.Open() != scm::kOk) return false;
  scm::Service service;
  return manager.OpenService(m_name, service) == scm::kOk;
}

bool CNTService::Install() {
  scm::Manager manager;
  if (int err = manager.Open()) {
    m_lastError = err;
    return false;
  }
  scm::Config config;
  config.name = m_name;
  config.displayName = m_name;
  config.imagePath = m_programPath;
  config.serviceType = scm::kOwnProcess;
  config.startType = scm::kAutoStart;
  config.errorControl = 1;
  config.account = "LocalSystem";
  if (int err = manager.CreateService(config)) {
    m_lastError = err;
    return false;
  }

  reg::Key eventKey;
  int eventErr = reg::CreateKey(platform::eventlog::KeyPath() + "\\" + m_name, eventKey);
  if (eventErr == reg::kOk) {
    eventErr = eventKey.SetString("EventMessageFile", m_programPath, true);
    if (eventErr == reg::kOk) eventErr = eventKey.SetDword("TypesSupported", kTypesSupported);
  }
  // The service exists now; an event source that could not be registered only costs
  // readable event texts, so the install still counts.
  reg::Key serviceKey;
  int descriptionErr = reg::CreateKey(scm::ServiceKeyPath(m_name), serviceKey);
  if (descriptionErr == reg::kOk)
    descriptionErr =
        serviceKey.SetString("Description", gbk::CutBytes(m_global.ServiceDescription(), kMaxDescriptionBytes));
  if (eventErr != reg::kOk)
    std::printf("Warning: the event log source of %s could not be registered. Error %d\n", m_name.c_str(), eventErr);
  if (descriptionErr != reg::kOk)
    std::printf("Warning: the description of %s could not be written. Error %d\n", m_name.c_str(), descriptionErr);
  LogEvent(EventType::Information, kEventInstalled, {m_name});
  return true;
}

bool CNTService::Uninstall() {
  scm::Manager manager;
  if (int err = manager.Open()) {
    m_lastError = err;
    return false;
  }
  scm::Service service;
  if (int err = manager.OpenService(m_name, service)) {
    m_lastError = err;
    return false;
  }
  if (int err = service.Delete()) {
    m_lastError = err;
    LogEvent(EventType::Error, kEventRemoveFailed, {m_name});
    return false;
  }
  LogEvent(EventType::Information, kEventRemoved, {m_name});
  return true;
}

void CNTService::LogEvent(EventType type, uint32_t id, const std::vector<std::string>& texts) {
  std::lock_guard<std::mutex> lock(m_eventMutex);
  if (!m_eventSource.IsRegistered() && m_eventSource.Register(m_name) != platform::eventlog::kOk) return;
  std::vector<std::string> strings;
  for (const auto& t : texts) {
    if (strings.size() < 3) strings.push_back(t);
  }
  m_eventSource.Report(type, 0, id, strings);
}

int CNTService::StartDispatcher() {
  int err = scm::RunDispatcher(m_name, [this](const std::vector<std::string>& args) { ServiceMain(args); });
  if (err != scm::kOk) {
    m_lastError = err;
    return 0;
  }
  return 1;
}

void CNTService::ServiceMain(const std::vector<std::string>&) {
  {
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_status.state = scm::State::StartPending;
  }
  if (scm::RegisterControlHandler(m_name, [this](uint32_t code) { ControlHandler(code); }) != scm::kOk) {
    LogEvent(EventType::Error, kEventHandlerNotRegistered);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_handlerRegistered = true;
  }
  if (Initialize()) {
    // The workers need the store; a stop during the retries ends the wait. What the
    // service waits for is told once, so that a missing store is not a silent service.
    for (bool told = false; !m_config.Load(); told = true) {
      if (!told)
        m_log.Write("等待配置文件[" + platform::Utf8ToGbk(m_global.ConfigFilePath()) + "]，每" +
                        std::to_string(kConfigRetryMs / 1000) + "秒读一次，读到后启动工作线程",
                    true);
      if (!Wait(kConfigRetryMs)) break;
    }
    if (!m_stop.StopRequested()) {
      m_thread.Start(m_stop);
      Run();
    }
    WaitForWorkers();
  }
  m_log.Write("主服务停止！", true);
  std::lock_guard<std::mutex> lock(m_statusMutex);
  m_status.state = scm::State::Stopped;
  m_status.checkPoint = 0;
  m_status.waitHint = 0;
  ReportLocked();
  m_finalStopReported = true;
}

int CNTService::Initialize() {
  SetStatus(scm::State::StartPending);
  const bool ok = OnInit();
  {
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_status.win32ExitCode = ok ? 0 : kInitFailedExitCode;
    m_status.checkPoint = 0;
    m_status.waitHint = 0;
  }
  if (!ok) {
    LogEvent(EventType::Error, kEventInitFailed);
    return 0;
  }
  LogEvent(EventType::Information, kEventStarted);
  m_running.store(true);
  SetStatus(scm::State::Running);
  return 1;
}

void CNTService::WaitForWorkers() {
  // STOPPED only once the workers are done, so no append is cut off and a next
  // service process never meets this one on the request log.
  uint32_t checkPoint = 0;
  m_thread.WaitForWorkers(kWorkerJoinMs, kWorkerJoinStepMs, [this, &checkPoint] {
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_status.state = scm::State::StopPending;
    m_status.checkPoint = ++checkPoint;
    m_status.waitHint = static_cast<uint32_t>(2 * kWorkerJoinStepMs);
    ReportLocked();
  });
}

void CNTService::ControlHandler(uint32_t code) {
  switch (code) {
    case scm::kControlStop:
      SetStatus(scm::State::StopPending);
      OnStop();
      m_stop.RequestStop();
      LogEvent(EventType::Information, kEventStopReceived);
      break;
    case scm::kControlPause:
      OnPause();
      break;
    case scm::kControlContinue:
      OnContinue();
      break;
    case scm::kControlInterrogate:
      OnInterrogate();
      break;
    case scm::kControlShutdown:
      OnShutdown();
      break;
    default:
      if (code < scm::kFirstCustomControl || !OnCustomControl(code)) LogEvent(EventType::Error, kEventBadControl);
      break;
  }
  std::lock_guard<std::mutex> lock(m_statusMutex);
  ReportLocked();
}

void CNTService::SetStatus(scm::State state) {
  std::lock_guard<std::mutex> lock(m_statusMutex);
  m_status.state = state;
  ReportLocked();
}

void CNTService::ReportLocked() {
  if (!m_handlerRegistered || m_finalStopReported) return;
  scm::SetStatus(m_status);
}

scm::Status CNTService::Status() const {
  std::lock_guard<std::mutex> lock(m_statusMutex);
  return m_status;
}

void CNTService::Run() {
  while (IsRunning()) Wait(5000);
}
