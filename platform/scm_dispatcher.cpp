// The service side: the dispatcher that a service's process runs, its control
// handler and its status reports.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/scm.h"
#include "platform/scm_names.h"
#include "platform/scm_wire.h"
#include "platform/unique_fd.h"

namespace platform::scm {

namespace {

struct Dispatcher {
  std::mutex mutex;  // guards everything below and every write to fd
  bool active = false;
  UniqueFd fd;
  // Wakes the dispatcher's thread when main returns or Stopped is reported, so that
  // it can block on its socket instead of looking round on a timer.
  UniqueFd wake;
  std::string name;
  ControlHandler handler;
  bool handlerSet = false;
  Status last;
  bool stoppedReported = false;
};

Dispatcher g_d;

bool SendLocked(const std::string& line) { return g_d.fd && wire::SendLine(g_d.fd.Get(), line); }

void WakeLocked() {
  if (!g_d.wake) return;
  const uint64_t one = 1;
  (void)!::write(g_d.wake.Get(), &one, sizeof one);
}

// Until fd has data or wake is signalled (its count is taken), at most timeoutMs (< 0:
// no limit).
void WaitFor(int fd, int wake, int64_t timeoutMs) {
  pollfd p[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
  if (::poll(p, 2, static_cast<int>(timeoutMs)) > 0 && p[1].revents) {
    uint64_t count;
    (void)!::read(wake, &count, sizeof count);
  }
}

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
  (void)SendLocked("R " + std::to_string(rc) + " " + wire::FormatStatus(g_d.last));
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

  UniqueFd fd(wire::Connect(socketName));
  UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!fd || !wake) return kNotStartedByManager;
  wire::LineReader reader(fd.Get());
  std::vector<std::string> f;
  std::string line;
  if (!wire::SendLine(fd.Get(), wire::JoinFields({"H", serviceName, std::to_string(::getpid())})) ||
      reader.Read(line, wire::ProcessWaitMs(kStartWaitMs)) != 1 || !wire::SplitFields(line, f) || f[0] != "A")
    return kNotStartedByManager;
  std::vector<std::string> args(f.begin() + 1, f.end());
  if (args.empty()) args.push_back(serviceName);

  const int socketFd = fd.Get(), wakeFd = wake.Get();
  {
    std::lock_guard<std::mutex> lock(g_d.mutex);
    g_d.active = true;
    g_d.fd = std::move(fd);
    g_d.wake = std::move(wake);
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
    std::lock_guard<std::mutex> lock(g_d.mutex);
    WakeLocked();
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
      int64_t left = lostAt + wire::ProcessWaitMs(kStopWaitMs) - wire::SteadyMs();
      if (left <= 0) std::_Exit(static_cast<int>(kProcessAborted));
      WaitFor(-1, wakeFd, left);
      continue;
    }
    int r = reader.ReadAvailable(line);
    if (r == 0) {
      WaitFor(socketFd, wakeFd, -1);
      continue;
    }
    if (r < 0) {
      lost = true;
      lostAt = wire::SteadyMs();
      ControlHandler handler;
      {
        std::lock_guard<std::mutex> lock(g_d.mutex);
        g_d.fd.Reset();
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
  g_d.fd.Reset();
  g_d.wake.Reset();
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
  if (status.state == State::Stopped) {
    g_d.stoppedReported = true;
    WakeLocked();
  }
  (void)SendLocked("S " + wire::FormatStatus(g_d.last));
  return kOk;
}

}  // namespace platform::scm
