// The process table of the machine from /proc, owners and ending a process.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/gbk.h"
#include "platform/paths.h"
#include "platform/faults.h"
#include "platform/process.h"
#include "platform/sys.h"
#include "platform/unique_fd.h"

namespace platform::process {

namespace {

using FaultKind = faults::Kind;

int Fault(FaultKind kind, int pid) { return static_cast<int>(faults::CodeFor(kind, {}, pid)); }

std::string ProcPath(int pid, const char* leaf) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "/proc/%d/%s", pid, leaf);
  return buf;
}

bool ReadSmall(const std::string& path, std::string& out) {
  out.clear();
  UniqueFd fd(sys::Open(path, O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  char buf[4096];
  for (;;) {
    ssize_t n = sys::Read(fd.Get(), buf, sizeof buf, path);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
    if (out.size() > (1u << 16)) break;
  }
  return true;
}

struct Status {
  char state = '?';
  int parentPid = 0;
  long uid = -1;  // effective: the identity the process acts with
};

bool ReadStatus(int pid, Status& st) {
  std::string text;
  if (!ReadSmall(ProcPath(pid, "status"), text) || text.empty()) return false;
  for (const std::string& line : gbk::SplitLines(text)) {
    auto field = [&](const char* key) -> const char* {
      size_t n = std::char_traits<char>::length(key);
      return line.compare(0, n, key) == 0 ? line.c_str() + n : nullptr;
    };
    if (const char* v = field("State:")) {
      while (*v == ' ' || *v == '\t') ++v;
      st.state = *v;
    } else if (const char* v = field("PPid:")) {
      st.parentPid = std::atoi(v);
    } else if (const char* v = field("Uid:")) {
      char* rest = nullptr;
      std::strtol(v, &rest, 10);  // real
      st.uid = std::strtol(rest, nullptr, 10);
    }
  }
  return true;
}

std::string ExeName(int pid) {
  std::string link = ProcPath(pid, "exe");
  char buf[4096];
  ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
  if (n > 0 && static_cast<size_t>(n) < sizeof buf) {
    std::string target(buf, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (target.size() > deleted.size() && target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
      target.resize(target.size() - deleted.size());
    return SplitPath(target).name;
  }
  // Another account's process (or a kernel thread): the short name, completed from
  // argv[0] when the kernel cut it.
  std::string comm;
  ReadSmall(ProcPath(pid, "comm"), comm);
  while (!comm.empty() && comm.back() == '\n') comm.pop_back();
  if (comm.size() >= 15) {
    std::string cmdline;
    if (ReadSmall(ProcPath(pid, "cmdline"), cmdline) && !cmdline.empty()) {
      std::string argv0 = SplitPath(cmdline.substr(0, cmdline.find('\0'))).name;
      if (argv0.compare(0, comm.size(), comm) == 0) return argv0;
    }
  }
  return comm;
}

bool IsRunning(const Status& st) { return st.state != 'Z' && st.state != 'X' && st.state != 'x'; }

}  // namespace

std::string UserNameOf(long uid) {
  if (uid < 0) return "";
  std::vector<char> buf(1024);
  for (;;) {
    struct passwd pw;
    struct passwd* res = nullptr;
    int rc = getpwuid_r(static_cast<uid_t>(uid), &pw, buf.data(), buf.size(), &res);
    if (rc == ERANGE && buf.size() < (1u << 20)) {
      buf.resize(buf.size() * 2);
      continue;
    }
    return rc == 0 && res ? std::string(res->pw_name) : std::string();
  }
}


// Several emulated machines share this one's process table (tests run side by side):
// a process belongs to the machine root it was started with. The caller always belongs
// to its own, whatever it set in its environment since it started.
bool OnThisMachine(int pid, const std::string& root) {
  if (pid == ::getpid()) return true;
  std::string env;
  if (!ReadSmall(ProcPath(pid, "environ"), env)) return root == kDefaultMachineRoot;
  std::string theirs = std::string(kDefaultMachineRoot);
  static const std::string kKey = "QOR_MACHINE_ROOT=";
  for (size_t pos = 0; pos < env.size();) {
    size_t end = env.find('\0', pos);
    if (end == std::string::npos) end = env.size();
    if (env.compare(pos, kKey.size(), kKey) == 0 && end > pos + kKey.size()) {
      theirs = env.substr(pos + kKey.size(), end - pos - kKey.size());
      if (theirs.back() != '/') theirs += '/';
    }
    pos = end + 1;
  }
  return theirs == root;
}

bool Snapshot(std::vector<ProcessInfo>& out) {
  out.clear();
  if (int e = Fault(FaultKind::Snapshot, 0)) {
    errno = e;
    return false;
  }
  DIR* d = sys::OpenDir("/proc");
  if (!d) return false;
  std::map<long, std::string> owners;
  const std::string root = MachineRoot();
  while (dirent* e = ::readdir(d)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (*e->d_name < '1' || *e->d_name > '9' || *end || pid <= 0 || pid > 0x7fffffff) continue;
    Status st;
    // A process that ended meanwhile simply is not in the snapshot.
    if (!ReadStatus(static_cast<int>(pid), st) || !IsRunning(st)) continue;
    if (!OnThisMachine(static_cast<int>(pid), root)) continue;
    ProcessInfo info;
    info.pid = static_cast<int>(pid);
    info.parentPid = st.parentPid;
    info.exeName = ExeName(info.pid);
    auto it = owners.find(st.uid);
    if (it == owners.end()) it = owners.emplace(st.uid, UserNameOf(st.uid)).first;
    info.owner = it->second;
    out.push_back(std::move(info));
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(), [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; });
  return true;
}

int ApplyStartFault() { return Fault(FaultKind::Start, 0); }

std::string ProcessOwner(int pid) {
  if (pid <= 0 || Fault(FaultKind::Owner, pid)) return "";
  Status st;
  if (!ReadStatus(pid, st) || !IsRunning(st)) return "";
  return UserNameOf(st.uid);
}

bool Kill(int pid) {
  if (pid <= 0) return false;
  if (int e = Fault(FaultKind::Kill, pid)) {
    errno = e;
    return false;
  }
  return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

}  // namespace platform::process
