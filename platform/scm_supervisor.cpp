#include "platform/scm_supervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <random>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/scm.h"
#include "platform/scm_names.h"
#include "platform/scm_wire.h"

extern char** environ;

namespace platform::scm {

namespace {

namespace reg = platform::registry;

struct Client {
  int fd = -1;
  wire::LineReader reader;
  bool waiting = false;  // a control request waits for its answer
};

std::vector<std::string> ImageArgv(const std::string& imagePath) {
  if (!imagePath.empty() && imagePath[0] == '"') return process::SplitCommandLine(imagePath);
  return {imagePath};
}

bool CanRun(const std::string& program) {
  struct stat st{};
  return ::stat(program.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(program.c_str(), X_OK) == 0;
}

std::string SocketName() {
  std::random_device rd;
  char buf[64];
  snprintf(buf, sizeof buf, "qorsc-%d-%08x%08x", static_cast<int>(::getpid()), rd(), rd());
  return buf;
}

class Supervisor {
 public:
  Supervisor(std::string name, std::vector<std::string> image, std::vector<std::string> startArgs, int listenFd,
             wire::StatusRecord rec)
      : m_name(std::move(name)),
        m_image(std::move(image)),
        m_startArgs(std::move(startArgs)),
        m_listenFd(listenFd),
        m_rec(std::move(rec)) {}

  void Run();

 private:
  void Spawn();
  void WriteRecord() { wire::WriteStatusRecord(m_rec); }
  void Finish(uint32_t win32);
  void OnChildExit();
  void OnClientLine(Client& c, const std::string& line, bool& keep);
  void OnServiceLine(const std::string& line);
  void PumpQueue();
  void Answer(int fd, int code);
  void CloseService();
  bool StatusFromFields(const std::vector<std::string>& f, size_t from, Status& out);
  bool MarkedForDelete();

  std::string m_name;
  std::vector<std::string> m_image;
  std::vector<std::string> m_startArgs;
  int m_listenFd;
  wire::StatusRecord m_rec;

  pid_t m_child = 0;
  bool m_connected = false;       // the current run's dispatcher has said hello
  bool m_everConnected = false;
  int64_t m_connectDeadline = 0;
  int64_t m_stoppedAt = 0;         // when the current run reported Stopped
  int64_t m_restartAt = 0;
  bool m_killedForTimeout = false;
  int m_svcFd = -1;
  wire::LineReader m_svcReader;
  std::vector<std::unique_ptr<Client>> m_clients;
  std::deque<std::pair<int, uint32_t>> m_queue;  // callers waiting: fd, control
  int m_inFlightFd = -1;
  int64_t m_inFlightDeadline = 0;
  uint32_t m_failures = 0;
  int64_t m_lastFailure = 0;
  bool m_done = false;
  int64_t m_nextRootCheck = 0;
};

bool Supervisor::MarkedForDelete() {
  reg::Key key;
  uint32_t flag = 0;
  return reg::OpenKey(ServiceKeyPath(m_name), key) == reg::kOk && key.QueryDword("DeleteFlag", flag) == reg::kOk &&
         flag != 0;
}

void Supervisor::Spawn() {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    std::string kv = *e;
    if (kv.rfind(std::string(wire::kSocketEnv) + "=", 0) == 0 || kv.rfind(std::string(wire::kServiceEnv) + "=", 0) == 0)
      continue;
    env.push_back(kv);
  }
  env.push_back(std::string(wire::kSocketEnv) + "=" + m_rec.socket);
  env.push_back(std::string(wire::kServiceEnv) + "=" + m_name);
  std::vector<char*> cenv, cargv;
  for (auto& kv : env) cenv.push_back(kv.data());
  cenv.push_back(nullptr);
  std::vector<std::string> argv = m_image;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, cargv.data(), cenv.data());
  m_connected = false;
  m_stoppedAt = 0;
  m_killedForTimeout = false;
  m_rec.status = Status{};
  if (rc != 0) {
    m_child = 0;
    Finish(m_everConnected ? kProcessAborted : kFileNotFound);
    return;
  }
  m_child = pid;
  m_rec.status.state = State::StartPending;
  m_rec.status.processId = pid;
  m_connectDeadline = wire::SteadyMs() + wire::ProcessWaitMs(kStartWaitMs);
  WriteRecord();
}

void Supervisor::Finish(uint32_t win32) {
  CloseService();
  Status last = m_rec.status;
  m_rec.status = Status{};
  m_rec.status.win32ExitCode = win32 ? win32 : (last.state == State::Stopped ? last.win32ExitCode : 0);
  m_rec.status.serviceExitCode = last.state == State::Stopped ? last.serviceExitCode : 0;
  m_rec.ended = true;
  if (m_inFlightFd >= 0) Answer(m_inFlightFd, kServiceNotActive);
  m_inFlightFd = -1;
  for (auto& q : m_queue) Answer(q.first, kServiceNotActive);
  m_queue.clear();
  for (auto& c : m_clients) ::close(c->fd);
  m_clients.clear();
  fs::WithLock(wire::LockPath(m_name), [&] {
    reg::Key key;
    bool exists = reg::OpenKey(ServiceKeyPath(m_name), key) == reg::kOk;
    uint32_t flag = 0;
    if (exists && key.QueryDword("DeleteFlag", flag) == reg::kOk && flag) {
      reg::DeleteTree(ServiceKeyPath(m_name));
      exists = false;
    }
    if (exists) WriteStatusRecord(m_rec);
    else fs::DeleteFile(StatusFilePath(m_name));
  });
  m_done = true;
}

void Supervisor::CloseService() {
  if (m_svcFd >= 0) ::close(m_svcFd);
  m_svcFd = -1;
  m_svcReader.Reset(-1);
}

void Supervisor::Answer(int fd, int code) {
  wire::SendLine(fd, "R " + std::to_string(code) + " " + wire::FormatStatus(m_rec.status));
  for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
    if ((*it)->fd == fd) {
      m_clients.erase(it);
      break;
    }
  }
  ::close(fd);
}

bool Supervisor::StatusFromFields(const std::vector<std::string>& f, size_t from, Status& out) {
  if (f.size() != from + 8) return false;
  std::string joined;
  for (size_t i = from; i < f.size(); ++i) joined += (i > from ? " " : "") + f[i];
  return wire::ParseStatus(joined, out);
}

void Supervisor::OnServiceLine(const std::string& line) {
  std::vector<std::string> f;
  if (!wire::SplitFields(line, f)) return;
  Status st;
  if (f[0] == "S" && StatusFromFields(f, 1, st)) {
    st.processId = m_child;
    m_rec.status = st;
    if (st.state == State::Stopped && !m_stoppedAt) m_stoppedAt = wire::SteadyMs();
    WriteRecord();
  } else if (f[0] == "R" && f.size() >= 2 && StatusFromFields(f, 2, st)) {
    st.processId = m_child;
    m_rec.status = st;
    WriteRecord();
    if (m_inFlightFd >= 0) {
      Answer(m_inFlightFd, std::atoi(f[1].c_str()));
      m_inFlightFd = -1;
    }
  }
}

void Supervisor::OnClientLine(Client& c, const std::string& line, bool& keep) {
  std::vector<std::string> f;
  keep = false;
  if (!wire::SplitFields(line, f)) return;
  if (f[0] == "H" && f.size() == 3) {
    int peer = wire::PeerPid(c.fd);
    if (m_svcFd >= 0 || m_child <= 0 || peer != m_child || !names::Same(f[1], m_name)) {
      wire::SendLine(c.fd, "N " + std::to_string(kNotStartedByManager));
      return;
    }
    std::vector<std::string> accept = {"A", m_name};
    if (!m_everConnected) accept.insert(accept.end(), m_startArgs.begin(), m_startArgs.end());
    if (!wire::SendLine(c.fd, wire::JoinFields(accept))) return;
    m_svcFd = c.fd;
    m_svcReader = std::move(c.reader);
    c.fd = -1;  // now the service's
    m_connected = m_everConnected = true;
    ++m_rec.connects;
    WriteRecord();
    return;
  }
  if (f[0] == "Q" && f.size() == 2) {
    m_queue.emplace_back(c.fd, static_cast<uint32_t>(std::strtoul(f[1].c_str(), nullptr, 10)));
    c.waiting = true;
    keep = true;
  }
}

void Supervisor::PumpQueue() {
  while (m_inFlightFd < 0 && !m_queue.empty()) {
    auto [fd, code] = m_queue.front();
    m_queue.pop_front();
    if (m_svcFd < 0) {
      Answer(fd, m_rec.status.state == State::Stopped ? kServiceNotActive : kCannotAcceptControl);
      continue;
    }
    if (!wire::SendLine(m_svcFd, "C " + std::to_string(code))) {
      Answer(fd, kCannotAcceptControl);
      continue;
    }
    m_inFlightFd = fd;
    m_inFlightDeadline = wire::SteadyMs() + wire::ProcessWaitMs(kControlWaitMs);
  }
}

void Supervisor::OnChildExit() {
  // Reports sent just before the end still count.
  std::string line;
  while (m_svcFd >= 0 && m_svcReader.ReadAvailable(line) == 1) OnServiceLine(line);
  CloseService();
  m_child = 0;
  if (m_inFlightFd >= 0) {
    Answer(m_inFlightFd, m_rec.status.state == State::Stopped ? kOk : kProcessAborted);
    m_inFlightFd = -1;
  }
  if (m_rec.status.state == State::Stopped) {
    Finish(0);
    return;
  }
  if (!m_everConnected) {
    Finish(kRequestTimeout);  // it never became a service: the start failed
    return;
  }
  if (MarkedForDelete()) {
    Finish(kProcessAborted);
    return;
  }
  // A crash: the failure actions decide.
  Service svc;
  Manager mgr;
  FailureActions fa;
  if (mgr.Open() == kOk && mgr.OpenService(m_name, svc) == kOk) svc.QueryFailureActions(fa);
  int64_t now = wire::SteadyMs();
  if (fa.resetPeriodSec && m_failures && now - m_lastFailure > clock::ScaledMs(int64_t(fa.resetPeriodSec) * 1000))
    m_failures = 0;
  ++m_failures;
  m_lastFailure = now;
  if (fa.actions.empty()) {
    Finish(kProcessAborted);
    return;
  }
  const FailureAction& act = fa.actions[std::min<size_t>(m_failures - 1, fa.actions.size() - 1)];
  switch (act.type) {
    case ActionType::Restart:
      m_rec.status = Status{};
      m_rec.status.state = State::StartPending;
      WriteRecord();
      m_restartAt = now + clock::ScaledMs(act.delayMs);
      if (m_restartAt <= now) m_restartAt = now + 1;
      return;
    case ActionType::RunCommand: {
      auto argv = process::SplitCommandLine(fa.command);
      if (!argv.empty()) {
        std::string program = argv[0];
        argv.erase(argv.begin());
        process::RunAndWaitArgs(program, argv, wire::ProcessWaitMs(kControlWaitMs));
      }
      Finish(kProcessAborted);
      return;
    }
    default:
      Finish(kProcessAborted);
      return;
  }
}

void Supervisor::Run() {
  Spawn();
  while (!m_done) {
    std::vector<pollfd> fds;
    fds.push_back({m_listenFd, POLLIN, 0});
    if (m_svcFd >= 0) fds.push_back({m_svcFd, POLLIN, 0});
    for (auto& c : m_clients)
      if (!c->waiting) fds.push_back({c->fd, POLLIN, 0});
    ::poll(fds.data(), fds.size(), 20);

    if (fds[0].revents & POLLIN) {
      int fd = wire::Accept(m_listenFd);
      if (fd >= 0) {
        auto c = std::make_unique<Client>();
        c->fd = fd;
        c->reader.Reset(fd);
        m_clients.push_back(std::move(c));
      }
    }

    for (size_t i = 0; i < m_clients.size();) {
      Client& c = *m_clients[i];
      if (c.waiting) {
        ++i;
        continue;
      }
      std::string line;
      int r = c.reader.ReadAvailable(line);
      bool keep = r == 0;
      if (r == 1) OnClientLine(c, line, keep);
      if (!keep) {
        if (c.fd >= 0) ::close(c.fd);
        m_clients.erase(m_clients.begin() + static_cast<long>(i));
        continue;
      }
      ++i;
    }

    if (m_svcFd >= 0) {
      std::string line;
      int r;
      while ((r = m_svcReader.ReadAvailable(line)) == 1) OnServiceLine(line);
      if (r < 0) CloseService();
    }

    PumpQueue();
    int64_t now = wire::SteadyMs();
    if (m_inFlightFd >= 0 && now > m_inFlightDeadline) {
      Answer(m_inFlightFd, kRequestTimeout);
      m_inFlightFd = -1;
    }

    if (m_child > 0) {
      int st = 0;
      pid_t w = ::waitpid(m_child, &st, WNOHANG);
      if (w == m_child) {
        OnChildExit();
        continue;
      }
      if (!m_connected && now > m_connectDeadline && !m_killedForTimeout) {
        ::kill(m_child, SIGKILL);
        m_killedForTimeout = true;
      }
      // Stopped was reported; a process that lingers is ended.
      if (m_stoppedAt && now - m_stoppedAt > wire::ProcessWaitMs(kControlWaitMs)) ::kill(m_child, SIGKILL);
    } else if (m_restartAt && now >= m_restartAt) {
      m_restartAt = 0;
      Spawn();
      continue;
    }

    // A machine root that is gone takes its services with it.
    if (now >= m_nextRootCheck) {
      m_nextRootCheck = now + 200;
      if (!fs::IsDirectory(MachinePath("services"))) {
        if (m_child > 0) {
          ::kill(m_child, SIGKILL);
          ::waitpid(m_child, nullptr, 0);
        }
        break;
      }
    }
  }
  // Sockets of callers still waiting close with the process.
}

}  // namespace

int RunSupervisor(const std::vector<std::string>& args) {
  auto answer = [](int code, int pid) {
    std::printf("%d %d\n", code, pid);
    std::fflush(stdout);
    return code == kOk ? 0 : 1;
  };
  if (args.empty()) return answer(kInvalidParameter, 0);
  // Whatever the caller left open is not the supervisor's to keep.
  ::close_range(3, ~0U, 0);
  Manager mgr;
  Service svc;
  if (mgr.Open() != kOk) return answer(kAccessDenied, 0);
  if (int rc = mgr.OpenService(args[0], svc)) return answer(rc, 0);
  Config cfg;
  if (int rc = svc.QueryConfig(cfg)) return answer(rc, 0);
  std::vector<std::string> image = ImageArgv(cfg.imagePath);
  if (image.empty() || !CanRun(image[0])) return answer(kFileNotFound, 0);

  std::string socketName = SocketName();
  int listenFd = wire::Listen(socketName);
  if (listenFd < 0) return answer(kAccessDenied, 0);
  int sync[2];
  if (::pipe2(sync, O_CLOEXEC) != 0) return answer(kAccessDenied, 0);

  std::fflush(stdout);
  pid_t pid = ::fork();
  if (pid < 0) return answer(kAccessDenied, 0);
  if (pid == 0) {
    ::close(sync[1]);
    ::setsid();
    // The caller reads our parent's answer to its end: our copy of that pipe must go.
    int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    std::string logPath = wire::FileBase(svc.Name()) + ".log";
    int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      ::dup2(log >= 0 ? log : devnull, 1);
      ::dup2(log >= 0 ? log : devnull, 2);
      ::close(devnull);
    }
    if (log >= 0) ::close(log);
    char b;
    while (::read(sync[0], &b, 1) < 0 && errno == EINTR) {
    }
    ::close(sync[0]);
    if (::chdir("/") != 0) {
    }
    wire::StatusRecord rec;
    wire::ReadStatusRecord(svc.Name(), rec);
    rec.name = svc.Name();
    rec.socket = socketName;
    rec.supervisorPid = ::getpid();
    rec.supervisorStart = wire::ProcessStartTicks(::getpid());
    rec.connects = 0;
    rec.ended = false;
    std::vector<std::string> startArgs(args.begin() + 1, args.end());
    Supervisor s(svc.Name(), image, startArgs, listenFd, rec);
    s.Run();
    std::fflush(nullptr);
    ::_exit(0);
  }
  ::close(sync[0]);
  ::close(listenFd);
  wire::StatusRecord rec;
  rec.name = svc.Name();
  rec.status.state = State::StartPending;
  rec.supervisorPid = pid;
  rec.supervisorStart = wire::ProcessStartTicks(pid);
  rec.socket = socketName;
  int rc = wire::WriteStatusRecord(rec);
  int code = answer(rc, pid);
  ::close(sync[1]);
  if (rc != kOk) ::kill(pid, SIGKILL);
  return code;
}

}  // namespace platform::scm
