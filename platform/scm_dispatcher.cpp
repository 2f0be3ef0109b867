// The service side: the dispatcher that a service's process runs, its control
// handler and its status reports.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/scm.h"
#include "platform/scm_names.h"
#include "platform/scm_wire.h"

namespace platform::scm {

namespace {

struct Dispatcher {
  std::mutex mutex;  // guards everything below and every write to fd
  bool active = false;
  int fd = -1;
  std::string name;
  ControlHandler handler;
  bool handlerSet = false;
  Status last;
  bool stoppedReported = false;
};

Dispatcher g_d;

bool SendLocked(const std::string& line) { return g_d.fd >= 0 && wire::SendLine(g_d.fd, line); }

// Which controls reach the handler, by the last reported status.
int Admit(uint32_t code, const Status& st) {
  if (code == 0 || code > kLastCustomControl) return kInvalidParameter;
  if (st.state == State::Stopped) return kServiceNotActive;
  if (code >= kFirstCustomControl || code == kControlInterrogate) return kOk;
  bool pending = st.state == State::StartPending || st.state == State::StopPending;
  switch (code) {
    case kControlStop:
      if (pending) return kCannotAcceptControl;
      return (st.controlsAccepted & kAcceptStop) ? kOk : kInvalidServiceControl;
    case kControlPause:
    case kControlContinue:
      if (pending) return kCannotAcceptControl;
      return (st.controlsAccepted & kAcceptPauseContinue) ? kOk : kInvalidServiceControl;
    case kControlShutdown:
      return (st.controlsAccepted & kAcceptShutdown) ? kOk : kInvalidServiceControl;
    default:
      return kInvalidServiceControl;
  }
}

void Deliver(uint32_t code) {
  ControlHandler handler;
  int rc;
  {
    std::lock_guard<std::mutex> lock(g_d.mutex);
    rc = g_d.handlerSet ? Admit(code, g_d.last) : kCannotAcceptControl;
    if (rc == kOk) handler = g_d.handler;
  }
  if (rc == kOk && handler) handler(code);
  std::lock_guard<std::mutex> lock(g_d.mutex);
  SendLocked("R " + std::to_string(rc) + " " + wire::FormatStatus(g_d.last));
}

}  // namespace

int RunDispatcher(const std::string& serviceName, const ServiceMain& main) {
  const char* socketEnv = std::getenv(wire::kSocketEnv);
  const char* serviceEnv = std::getenv(wire::kServiceEnv);
  if (!socketEnv || !*socketEnv || !serviceEnv) return kNotStartedByManager;
  std::string socketName = socketEnv, started = serviceEnv;
  // Programs this service starts are not services of the manager.
  ::unsetenv(wire::kSocketEnv);
  ::unsetenv(wire::kServiceEnv);
  if (!names::Same(started, serviceName)) return kNotStartedByManager;
  {
    std::lock_guard<std::mutex> lock(g_d.mutex);
    if (g_d.active) return kNotStartedByManager;
  }

  int fd = wire::Connect(socketName);
  if (fd < 0) return kNotStartedByManager;
  wire::LineReader reader(fd);
  std::vector<std::string> f;
  std::string line;
  if (!wire::SendLine(fd, wire::JoinFields({"H", serviceName, std::to_string(::getpid())})) ||
      reader.Read(line, wire::ProcessWaitMs(kStartWaitMs)) != 1 || !wire::SplitFields(line, f) || f[0] != "A") {
    ::close(fd);
    return kNotStartedByManager;
  }
  std::vector<std::string> args(f.begin() + 1, f.end());
  if (args.empty()) args.push_back(serviceName);

  {
    std::lock_guard<std::mutex> lock(g_d.mutex);
    g_d.active = true;
    g_d.fd = fd;
    g_d.name = serviceName;
    g_d.handler = nullptr;
    g_d.handlerSet = false;
    g_d.last = Status{};
    g_d.last.state = State::StartPending;
    g_d.last.processId = ::getpid();
    g_d.stoppedReported = false;
  }

  std::atomic<bool> mainDone{false};
  std::thread worker([&] {
    main(args);
    mainDone.store(true);
  });

  bool lost = false;
  int64_t lostAt = 0;
  for (;;) {
    bool stopped;
    {
      std::lock_guard<std::mutex> lock(g_d.mutex);
      stopped = g_d.stoppedReported;
    }
    if (mainDone.load() || (stopped && lost)) break;
    if (lost) {
      // Without a manager nobody will stop this process: it ends by itself or is ended.
      if (wire::SteadyMs() - lostAt > wire::ProcessWaitMs(kStopWaitMs)) std::_Exit(static_cast<int>(kProcessAborted));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    int r = reader.Read(line, 50);
    if (r == 0) continue;
    if (r < 0) {
      lost = true;
      lostAt = wire::SteadyMs();
      ControlHandler handler;
      {
        std::lock_guard<std::mutex> lock(g_d.mutex);
        ::close(g_d.fd);
        g_d.fd = -1;
        if (g_d.handlerSet && Admit(kControlStop, g_d.last) == kOk) handler = g_d.handler;
      }
      if (handler) handler(kControlStop);
      continue;
    }
    if (wire::SplitFields(line, f) && f.size() == 2 && f[0] == "C")
      Deliver(static_cast<uint32_t>(std::strtoul(f[1].c_str(), nullptr, 10)));
  }
  worker.join();

  std::lock_guard<std::mutex> lock(g_d.mutex);
  if (g_d.fd >= 0) ::close(g_d.fd);
  g_d.fd = -1;
  g_d.active = false;
  g_d.handlerSet = false;
  g_d.handler = nullptr;
  return kOk;
}

int RegisterControlHandler(const std::string& serviceName, ControlHandler handler) {
  std::lock_guard<std::mutex> lock(g_d.mutex);
  if (!g_d.active) return kNotStartedByManager;
  if (!names::Same(serviceName, g_d.name)) return kServiceDoesNotExist;
  g_d.handler = std::move(handler);
  g_d.handlerSet = true;
  return kOk;
}

int SetStatus(const Status& status) {
  std::lock_guard<std::mutex> lock(g_d.mutex);
  if (!g_d.active) return kNotStartedByManager;
  if (!g_d.handlerSet) return kInvalidHandle;
  g_d.last = status;
  g_d.last.processId = ::getpid();
  if (status.state == State::Stopped) g_d.stoppedReported = true;
  SendLocked("S " + wire::FormatStatus(g_d.last));
  return kOk;
}

}  // namespace platform::scm
