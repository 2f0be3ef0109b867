#include "tests/support/other_account.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <dirent.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace qortest {

namespace {
constexpr uid_t kNobody = 65534;

bool BecomeNobody() {
  return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
         ::setresuid(kNobody, kNobody, kNobody) == 0;
}
}  // namespace

bool CanSwitchAccounts() { return ::geteuid() == 0; }

int RunAsNobody(const std::function<int()>& fn) {
  pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (!BecomeNobody()) ::_exit(255);
    ::_exit(fn() & 0xFF);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
  return WEXITSTATUS(status);
}

void OpenWayFor(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::string dir = path.substr(0, slash);
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ::chmod(dir.c_str(), st.st_mode | 0055);
  }
}

bool HeldByNobody::HoldWhat(const std::function<bool(int& a, int& b)>& setUp) {
  Release();
  int ready[2], release[2];
  if (::pipe(ready) != 0) return false;
  if (::pipe(release) != 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    return false;
  }
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(ready[0]);
    ::close(release[1]);
    int report[3] = {0, 0, 0};
    if (BecomeNobody() && setUp(report[1], report[2])) report[0] = 1;
    (void)::write(ready[1], report, sizeof report);
    if (report[0]) {
      char c;
      (void)::read(release[0], &c, 1);  // until the test lets go
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  int report[3] = {0, 0, 0};
  bool held = pid > 0 && ::read(ready[0], report, sizeof report) == sizeof report && report[0] == 1;
  ::close(ready[0]);
  m_pid = pid;
  m_release = release[1];
  m_counts[0] = report[1];
  m_counts[1] = report[2];
  if (!held) Release();
  return held;
}

bool HeldByNobody::Hold(const std::string& path, bool create) {
  return HoldWhat([&](int& locks, int&) {
    int fd = ::open(path.c_str(), O_RDONLY | (create ? O_CREAT : 0) | O_CLOEXEC, 0666);
    locks = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    return locks == 1;
  });
}

namespace {
// Descriptors stay open in the child until it ends: that is the point.
void TakeHold(const std::string& dir, int connections, int& locks, int& conns) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d))
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
  ::closedir(d);
  for (const auto& name : names) {
    const std::string path = dir + "/" + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      TakeHold(path, connections, locks, conns);
    } else if (S_ISREG(st.st_mode)) {
      int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
      if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ++locks;
    } else if (S_ISSOCK(st.st_mode)) {
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      if (path.size() >= sizeof addr.sun_path) continue;
      std::memcpy(addr.sun_path, path.data(), path.size());
      for (int i = 0; i < connections; ++i) {
        int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (s < 0 || ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
          if (s >= 0) ::close(s);
          break;
        }
        ++conns;
      }
    }
  }
}
}  // namespace

bool HeldByNobody::HoldEverything(const std::string& folder, int connections) {
  std::string dir = folder;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return HoldWhat([&](int& locks, int& conns) {
    TakeHold(dir, connections, locks, conns);
    return true;
  });
}

void HeldByNobody::Release() {
  if (m_release >= 0) ::close(m_release);
  m_release = -1;
  if (m_pid > 0) {
    int status;
    while (::waitpid(m_pid, &status, 0) < 0) {
    }
  }
  m_pid = -1;
}

}  // namespace qortest
