#include "platform/scm_supervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <random>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/scm.h"
#include "platform/scm_access.h"
#include "platform/scm_names.h"
#include "platform/scm_wire.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace platform::scm {

namespace {

namespace reg = platform::registry;

// How many connections one account may hold open at once; more are refused, so a
// flood of one account never takes the descriptors or the turns of another.
constexpr size_t kMaxClientsPerAccount = 16;
// A caller has this long to send its request once connected; one that says nothing
// gives its place up.
constexpr int64_t kRequestLineWaitMs = 2000;
// How often the machine root is looked at when no change notice can be had.
constexpr int64_t kRootCheckMs = 200;
// And when the kernel tells of a removal: only a root moved away goes unnoticed.
constexpr int64_t kRootCheckWatchedMs = 5000;

struct Client {
  UniqueFd fd;
  uid_t uid = 0;
  wire::LineReader reader;
  bool waiting = false;  // a control request waits for its turn or its answer
  int64_t requestBy = 0;  // real time by which the request line must have come
};

struct Request {
  Client* client;
  uint32_t control;
};

// Requests in turn by account: each account's oldest request, one account after the
// other, so that one account's flood delays another's request by one control at most.
class FairQueue {
 public:
  void Push(Client* c, uint32_t control) {
    auto& q = m_byAccount[c->uid];
    if (q.empty()) m_turns.push_back(c->uid);
    q.push_back({c, control});
  }
  [[nodiscard]] bool Pop(Request& out) {
    if (m_turns.empty()) return false;
    uid_t uid = m_turns.front();
    m_turns.pop_front();
    auto& q = m_byAccount[uid];
    out = q.front();
    q.pop_front();
    if (q.empty()) m_byAccount.erase(uid);
    else m_turns.push_back(uid);
    return true;
  }
  [[nodiscard]] bool Empty() const { return m_turns.empty(); }

 private:
  std::map<uid_t, std::deque<Request>> m_byAccount;
  std::deque<uid_t> m_turns;
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

// A descriptor that becomes readable when the child ends; invalid where the kernel
// has none (then the child is looked at on a short timer).
UniqueFd ChildExitFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
  (void)pid;
  return UniqueFd();
#endif
}

class Supervisor {
 public:
  Supervisor(std::string name, std::vector<std::string> image, std::vector<std::string> startArgs, UniqueFd listenFd,
             wire::StatusRecord rec)
      : m_name(std::move(name)),
        m_image(std::move(image)),
        m_startArgs(std::move(startArgs)),
        m_listen(std::move(listenFd)),
        m_rec(std::move(rec)) {}

  void Run();

 private:
  void Spawn();
  void WriteRecord() { (void)wire::WriteStatusRecord(m_rec); }
  void Finish(uint32_t win32);
  void OnChildExit();
  void AcceptAll();
  void ReadClients();
  // False when the client is done with (answered or gone).
  bool OnClientLine(Client& c, const std::string& line);
  void OnServiceLine(const std::string& line);
  void PumpQueue();
  void Answer(Client* c, int code);
  void Drop(Client* c);
  void CloseService();
  void WatchRoot();
  [[nodiscard]] bool RootGone();
  [[nodiscard]] int PollTimeout(int64_t now) const;
  bool StatusFromFields(const std::vector<std::string>& f, size_t from, Status& out);
  bool MarkedForDelete();

  std::string m_name;
  std::vector<std::string> m_image;
  std::vector<std::string> m_startArgs;
  UniqueFd m_listen;
  wire::StatusRecord m_rec;

  pid_t m_child = 0;
  UniqueFd m_childExit;
  bool m_connected = false;       // the current run's dispatcher has said hello
  bool m_everConnected = false;
  int64_t m_connectDeadline = 0;
  int64_t m_stoppedAt = 0;         // when the current run reported Stopped
  int64_t m_restartAt = 0;
  bool m_killedForTimeout = false;
  UniqueFd m_svc;
  wire::LineReader m_svcReader;
  std::vector<std::unique_ptr<Client>> m_clients;
  FairQueue m_queue;
  Client* m_inFlight = nullptr;
  int64_t m_inFlightDeadline = 0;
  uint32_t m_failures = 0;
  int64_t m_lastFailure = 0;
  bool m_done = false;
  UniqueFd m_rootWatch;
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
  m_childExit = ChildExitFd(pid);
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
  if (m_inFlight) Answer(m_inFlight, kServiceNotActive);
  m_inFlight = nullptr;
  Request r;
  while (m_queue.Pop(r)) Answer(r.client, kServiceNotActive);
  m_clients.clear();
  (void)fs::WithLock(wire::LockPath(m_name), [&] {
    reg::Key key;
    bool exists = reg::OpenKey(ServiceKeyPath(m_name), key) == reg::kOk;
    uint32_t flag = 0;
    if (exists && key.QueryDword("DeleteFlag", flag) == reg::kOk && flag) {
      // A record that cannot go stays marked, with its stopped status beside it.
      const int gone = reg::DeleteTree(ServiceKeyPath(m_name));
      exists = gone != reg::kOk && gone != reg::kFileNotFound;
    }
    if (exists) {
      (void)WriteStatusRecord(m_rec);
    } else {
      // The record is gone; a status file that stays is removed by the next create.
      (void)fs::DeleteFile(StatusFilePath(m_name));
    }
  });
  m_done = true;
}

void Supervisor::CloseService() {
  m_svc.Reset();
  m_svcReader.Reset(-1);
}

void Supervisor::Drop(Client* c) {
  for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
    if (it->get() == c) {
      m_clients.erase(it);
      return;
    }
  }
}

void Supervisor::Answer(Client* c, int code) {
  (void)wire::SendLine(c->fd.Get(), "R " + std::to_string(code) + " " + wire::FormatStatus(m_rec.status));
  Drop(c);
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
    if (m_inFlight) {
      Answer(m_inFlight, std::atoi(f[1].c_str()));
      m_inFlight = nullptr;
    }
  }
}

bool Supervisor::OnClientLine(Client& c, const std::string& line) {
  std::vector<std::string> f;
  if (!wire::SplitFields(line, f)) return false;
  if (f[0] == "H" && f.size() == 3) {
    wire::Peer peer = wire::PeerOf(c.fd.Get());
    if (m_svc || m_child <= 0 || peer.pid != m_child || peer.uid != ::geteuid() || !names::Same(f[1], m_name)) {
      (void)wire::SendLine(c.fd.Get(), "N " + std::to_string(kNotStartedByManager));
      return false;
    }
    std::vector<std::string> accept = {"A", m_name};
    if (!m_everConnected) accept.insert(accept.end(), m_startArgs.begin(), m_startArgs.end());
    if (!wire::SendLine(c.fd.Get(), wire::JoinFields(accept))) return false;
    m_svc = std::move(c.fd);
    m_svcReader = std::move(c.reader);
    m_connected = m_everConnected = true;
    ++m_rec.connects;
    WriteRecord();
    return false;
  }
  if (f[0] == "Q" && f.size() == 2) {
    uint32_t control = static_cast<uint32_t>(std::strtoul(f[1].c_str(), nullptr, 10));
    c.waiting = true;
    if (!access::Allowed(c.uid, access::RightOf(control))) {
      Answer(&c, kAccessDenied);
      return true;  // already answered and dropped
    }
    m_queue.Push(&c, control);
    return true;
  }
  return false;
}

void Supervisor::AcceptAll() {
  // Everything waiting is taken now, so a flood cannot keep a later caller in the backlog.
  for (int i = 0; i < 256; ++i) {
    UniqueFd fd(wire::Accept(m_listen.Get()));
    if (!fd) return;
    wire::Peer peer = wire::PeerOf(fd.Get());
    size_t held = 0;
    for (const auto& c : m_clients) held += c->uid == peer.uid;
    if (held >= kMaxClientsPerAccount) {
      (void)wire::SendLine(fd.Get(), "R " + std::to_string(kCannotAcceptControl) + " " +
                                         wire::FormatStatus(m_rec.status));
      continue;  // refused: closed here
    }
    auto c = std::make_unique<Client>();
    c->uid = peer.uid;
    c->requestBy = wire::SteadyMs() + kRequestLineWaitMs;
    c->reader.Reset(fd.Get());
    c->fd = std::move(fd);
    m_clients.push_back(std::move(c));
  }
}

void Supervisor::ReadClients() {
  std::vector<Client*> idle;
  for (auto& c : m_clients)
    if (!c->waiting) idle.push_back(c.get());
  const int64_t now = wire::SteadyMs();
  for (Client* c : idle) {
    std::string line;
    int r = c->reader.ReadAvailable(line);
    if (r == 0) {
      if (now > c->requestBy) Drop(c);
      continue;
    }
    bool keep = r == 1 && OnClientLine(*c, line);
    if (!keep) Drop(c);
  }
}

void Supervisor::PumpQueue() {
  Request r;
  while (!m_inFlight && m_queue.Pop(r)) {
    if (!m_svc) {
      Answer(r.client, m_rec.status.state == State::Stopped ? kServiceNotActive : kCannotAcceptControl);
      continue;
    }
    if (!wire::SendLine(m_svc.Get(), "C " + std::to_string(r.control))) {
      Answer(r.client, kCannotAcceptControl);
      continue;
    }
    m_inFlight = r.client;
    m_inFlightDeadline = wire::SteadyMs() + wire::ProcessWaitMs(kControlWaitMs);
  }
}

void Supervisor::OnChildExit() {
  // Reports sent just before the end still count.
  std::string line;
  while (m_svc && m_svcReader.ReadAvailable(line) == 1) OnServiceLine(line);
  CloseService();
  m_child = 0;
  m_childExit.Reset();
  if (m_inFlight) {
    Answer(m_inFlight, m_rec.status.state == State::Stopped ? kOk : kProcessAborted);
    m_inFlight = nullptr;
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
  if (mgr.Open() == kOk && mgr.OpenService(m_name, svc) == kOk) (void)svc.QueryFailureActions(fa);
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

void Supervisor::WatchRoot() {
  m_rootWatch = UniqueFd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  if (!m_rootWatch) return;
  // The root's own entries going (services/ among them) or the root itself.
  const uint32_t gone = IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  if (::inotify_add_watch(m_rootWatch.Get(), MachineRoot().c_str(), gone) < 0) m_rootWatch.Reset();
}

bool Supervisor::RootGone() { return !fs::IsDirectory(MachinePath("services")); }

int Supervisor::PollTimeout(int64_t now) const {
  int64_t next = m_nextRootCheck;
  auto consider = [&](int64_t at) { next = std::min(next, at); };
  if (m_child > 0) {
    if (!m_childExit) consider(now + 20);  // no exit notice: look at the child often
    if (!m_connected && !m_killedForTimeout) consider(m_connectDeadline + 1);
    if (m_stoppedAt) consider(m_stoppedAt + wire::ProcessWaitMs(kControlWaitMs) + 1);
  } else if (m_restartAt) {
    consider(m_restartAt);
  }
  if (m_inFlight) consider(m_inFlightDeadline + 1);
  for (const auto& c : m_clients)
    if (!c->waiting) consider(c->requestBy + 1);
  return static_cast<int>(std::clamp<int64_t>(next - now, 0, 60000));
}

void Supervisor::Run() {
  WatchRoot();
  m_nextRootCheck = wire::SteadyMs() + (m_rootWatch ? kRootCheckWatchedMs : kRootCheckMs);
  Spawn();
  while (!m_done) {
    // Block until something happens: a caller, the service, the child's end, the root
    // going, or the next deadline.
    std::vector<pollfd> fds;
    fds.push_back({m_listen.Get(), POLLIN, 0});
    fds.push_back({m_svc.Get(), POLLIN, 0});         // -1 is skipped by poll
    fds.push_back({m_childExit.Get(), POLLIN, 0});
    fds.push_back({m_rootWatch.Get(), POLLIN, 0});
    for (auto& c : m_clients)
      if (!c->waiting) fds.push_back({c->fd.Get(), POLLIN, 0});
    int pr = ::poll(fds.data(), fds.size(), PollTimeout(wire::SteadyMs()));
    if (pr < 0 && errno != EINTR) break;

    if (fds[3].revents) {
      char buf[4096];
      while (::read(m_rootWatch.Get(), buf, sizeof buf) > 0) {
      }
      m_nextRootCheck = 0;  // look now
    }

    if (fds[0].revents & POLLIN) AcceptAll();
    ReadClients();

    if (m_svc) {
      std::string line;
      int r;
      while ((r = m_svcReader.ReadAvailable(line)) == 1) OnServiceLine(line);
      if (r < 0) CloseService();
    }

    PumpQueue();
    int64_t now = wire::SteadyMs();
    if (m_inFlight && now > m_inFlightDeadline) {
      Answer(m_inFlight, kRequestTimeout);
      m_inFlight = nullptr;
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
      m_nextRootCheck = now + (m_rootWatch ? kRootCheckWatchedMs : kRootCheckMs);
      if (RootGone()) {
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
  // Only an administrator starts a service, whoever runs this program.
  if (!access::MayI(access::Right::Start)) return answer(kAccessDenied, 0);
  Manager mgr;
  Service svc;
  if (mgr.Open() != kOk) return answer(kAccessDenied, 0);
  if (int rc = mgr.OpenService(args[0], svc)) return answer(rc, 0);
  Config cfg;
  if (int rc = svc.QueryConfig(cfg)) return answer(rc, 0);
  std::vector<std::string> image = ImageArgv(cfg.imagePath);
  if (image.empty() || !CanRun(image[0])) return answer(kFileNotFound, 0);

  std::string socketName = SocketName();
  UniqueFd listenFd(wire::Listen(socketName));
  if (!listenFd) return answer(kAccessDenied, 0);
  int sync[2];
  if (::pipe2(sync, O_CLOEXEC) != 0) return answer(kAccessDenied, 0);
  UniqueFd syncRead(sync[0]), syncWrite(sync[1]);

  std::fflush(stdout);
  pid_t pid = ::fork();
  if (pid < 0) return answer(kAccessDenied, 0);
  if (pid == 0) {
    syncWrite.Reset();
    ::setsid();
    // The caller reads our parent's answer to its end: our copy of that pipe must go.
    UniqueFd devnull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    std::string logPath = wire::FileBase(svc.Name()) + ".log";
    UniqueFd log(::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (devnull) {
      const int out = log ? log.Get() : devnull.Get();
      ::dup2(devnull.Get(), 0);
      ::dup2(out, 1);
      ::dup2(out, 2);
    }
    devnull.Reset();
    log.Reset();
    char b;
    while (::read(syncRead.Get(), &b, 1) < 0 && errno == EINTR) {
    }
    syncRead.Reset();
    if (::chdir("/") != 0) {
    }
    wire::StatusRecord rec;
    (void)wire::ReadStatusRecord(svc.Name(), rec);
    rec.name = svc.Name();
    rec.socket = socketName;
    rec.supervisorPid = ::getpid();
    rec.supervisorStart = wire::ProcessStartTicks(::getpid());
    rec.connects = 0;
    rec.ended = false;
    std::vector<std::string> startArgs(args.begin() + 1, args.end());
    Supervisor s(svc.Name(), image, startArgs, std::move(listenFd), rec);
    s.Run();
    std::fflush(nullptr);
    ::_exit(0);
  }
  syncRead.Reset();
  listenFd.Reset();
  wire::StatusRecord rec;
  rec.name = svc.Name();
  rec.status.state = State::StartPending;
  rec.supervisorPid = pid;
  rec.supervisorStart = wire::ProcessStartTicks(pid);
  rec.socket = socketName;
  int rc = wire::WriteStatusRecord(rec);
  int code = answer(rc, pid);
  syncWrite.Reset();
  if (rc != kOk) ::kill(pid, SIGKILL);
  return code;
}

}  // namespace platform::scm
