#include "platform/scm_wire.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/scm_names.h"
#include "platform/unique_fd.h"

namespace platform::scm {

int64_t ProcessWaitMs(int64_t ms) {
  int64_t floor = kMinProcessWaitMs;
  const char* lower = clock::TimeScale() != 1.0 ? std::getenv(kMinProcessWaitEnv) : nullptr;
  if (lower && *lower) {
    char* end = nullptr;
    long long v = std::strtoll(lower, &end, 10);
    if (*end == '\0' && v >= 0 && v < floor) floor = v;
  }
  const int64_t scaled = clock::ScaledMs(ms);
  return scaled < floor ? floor : scaled;
}

}  // namespace platform::scm

namespace platform::scm::wire {

int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string FileBase(const std::string& serviceName) {
  return MachinePath("services/" + names::Escape(names::Fold(serviceName)));
}

std::string LockPath(const std::string& serviceName) { return FileBase(serviceName) + ".lock"; }

std::string FormatStatus(const Status& s) {
  return std::to_string(s.serviceType) + " " + std::to_string(static_cast<uint32_t>(s.state)) + " " +
         std::to_string(s.controlsAccepted) + " " + std::to_string(s.win32ExitCode) + " " +
         std::to_string(s.serviceExitCode) + " " + std::to_string(s.checkPoint) + " " +
         std::to_string(s.waitHint) + " " + std::to_string(s.processId);
}

bool ParseStatus(const std::string& fields, Status& out) {
  auto f = names::SplitAt(fields, ' ');
  if (f.size() != 8) return false;
  uint32_t v[8];
  for (int i = 0; i < 8; ++i) {
    char* end = nullptr;
    v[i] = static_cast<uint32_t>(std::strtoul(f[i].c_str(), &end, 10));
    if (!end || *end) return false;
  }
  if (v[1] < 1 || v[1] > 7) return false;
  out.serviceType = v[0];
  out.state = static_cast<State>(v[1]);
  out.controlsAccepted = v[2];
  out.win32ExitCode = v[3];
  out.serviceExitCode = v[4];
  out.checkPoint = v[5];
  out.waitHint = v[6];
  out.processId = static_cast<int>(v[7]);
  return true;
}

bool ReadStatusRecord(const std::string& serviceName, StatusRecord& out) {
  out = StatusRecord{};
  std::string text;
  if (fs::ReadFile(FileBase(serviceName) + ".status", text) != fs::kOk) return false;
  size_t pos = 0;
  bool haveStatus = false;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "name") names::Unescape(value, out.name);
    else if (key == "status") haveStatus = ParseStatus(value, out.status);
    else if (key == "supervisor") out.supervisorPid = std::atoi(value.c_str());
    else if (key == "supervisor_start") out.supervisorStart = std::strtoull(value.c_str(), nullptr, 10);
    else if (key == "socket") names::Unescape(value, out.socket);
    else if (key == "connects") out.connects = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    else if (key == "ended") out.ended = value == "1";
  }
  return haveStatus;
}

int WriteStatusRecord(const StatusRecord& r) {
  // The folder is the manager's to make: a supervisor must not bring back a removed root.
  std::string text = "name=" + names::Escape(r.name) + "\nstatus=" + FormatStatus(r.status) +
                     "\nsupervisor=" + std::to_string(r.supervisorPid) +
                     "\nsupervisor_start=" + std::to_string(r.supervisorStart) + "\nsocket=" + names::Escape(r.socket) +
                     "\nconnects=" + std::to_string(r.connects) + "\nended=" + (r.ended ? "1" : "0") + "\n";
  return fs::ReplaceFile(FileBase(r.name) + ".status", text) == fs::kOk ? kOk : kAccessDenied;
}

uint64_t ProcessStartTicks(int pid) {
  if (pid <= 0) return 0;
  std::string stat;
  if (fs::ReadFile("/proc/" + std::to_string(pid) + "/stat", stat) != fs::kOk) return 0;
  // The command name in parentheses may hold blanks: count fields after the last ')'.
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  auto f = names::SplitAt(stat.substr(close + 1), ' ');
  // f[0] is field 3 (state), so field 22 (start time) is f[19].
  if (f.size() < 20) return 0;
  if (f[0] == "Z" || f[0] == "X") return 0;
  return std::strtoull(f[19].c_str(), nullptr, 10);
}

bool SupervisorAlive(const StatusRecord& r) {
  if (r.ended || r.supervisorPid <= 0) return false;
  uint64_t ticks = ProcessStartTicks(r.supervisorPid);
  return ticks != 0 && (r.supervisorStart == 0 || ticks == r.supervisorStart);
}

namespace {
socklen_t MakeAddress(const std::string& name, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  size_t n = std::min(name.size(), sizeof addr.sun_path - 1);
  std::memcpy(addr.sun_path + 1, name.data(), n);  // sun_path[0] = 0: abstract
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}
}  // namespace

int Listen(const std::string& name) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd) return -1;
  sockaddr_un addr;
  socklen_t len = MakeAddress(name, addr);
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd.Get(), SOMAXCONN) != 0) return -1;
  return fd.Release();
}

int Connect(const std::string& name) {
  if (name.empty()) return -1;
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return -1;
  sockaddr_un addr;
  socklen_t len = MakeAddress(name, addr);
  int rc;
  do {
    rc = ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), len);
  } while (rc != 0 && errno == EINTR);
  return rc == 0 ? fd.Release() : -1;
}

int Accept(int listenFd) {
  int fd;
  do {
    fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

Peer PeerOf(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  Peer p;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return p;
  p.pid = static_cast<int>(cred.pid);
  p.uid = cred.uid;
  return p;
}

bool SendLine(int fd, const std::string& line) {
  std::string data = line + "\n";
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0) return false;
        continue;
      }
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool LineReader::TakeLine(std::string& line) {
  size_t nl = m_buf.find('\n');
  if (nl == std::string::npos) return false;
  line = m_buf.substr(0, nl);
  m_buf.erase(0, nl + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

int LineReader::ReadAvailable(std::string& line) {
  if (TakeLine(line)) return 1;
  if (m_fd < 0) return -1;
  char buf[4096];
  for (;;) {
    ssize_t n = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      m_buf.append(buf, static_cast<size_t>(n));
      if (TakeLine(line)) return 1;
      continue;
    }
    if (n == 0) return -1;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;
  }
}

int LineReader::Read(std::string& line, int64_t timeoutMs) {
  int64_t deadline = SteadyMs() + timeoutMs;
  for (;;) {
    int r = ReadAvailable(line);
    if (r != 0) return r;
    int64_t left = deadline - SteadyMs();
    if (left <= 0) return 0;
    pollfd p{m_fd, POLLIN, 0};
    int pr = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
    if (pr < 0 && errno != EINTR) return -1;
  }
}

bool SplitFields(const std::string& line, std::vector<std::string>& out) {
  out.clear();
  for (const auto& raw : names::SplitAt(line, ' ')) {
    std::string f;
    if (raw == "%") {
      out.emplace_back();  // an empty field
      continue;
    }
    if (!names::Unescape(raw, f)) return false;
    out.push_back(std::move(f));
  }
  return !out.empty();
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string out;
  for (const auto& f : fields) {
    if (!out.empty()) out += ' ';
    out += f.empty() ? "%" : names::Escape(f);
  }
  return out;
}

}  // namespace platform::scm::wire
