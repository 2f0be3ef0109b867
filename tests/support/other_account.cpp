#include "tests/support/other_account.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

bool HeldByNobody::Hold(const std::string& path, bool create) {
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
    char ok = 0;
    if (BecomeNobody()) {
      int fd = ::open(path.c_str(), O_RDONLY | (create ? O_CREAT : 0) | O_CLOEXEC, 0666);
      if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ok = 1;
    }
    (void)::write(ready[1], &ok, 1);
    if (ok) {
      char c;
      (void)::read(release[0], &c, 1);  // until the test lets go
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  char ok = 0;
  bool held = pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
  ::close(ready[0]);
  m_pid = pid;
  m_release = release[1];
  if (!held) Release();
  return held;
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
