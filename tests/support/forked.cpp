#include "tests/support/forked.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace qortest {

bool RunForked(int count, const std::function<bool(int)>& work) {
  std::vector<pid_t> children;
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(work(i) ? 0 : 1);
    if (pid < 0) ok = false;
    else children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ok = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
  }
  return ok;
}

ChildRun RunInChild(const std::function<std::string()>& work) {
  ChildRun run;
  int fds[2];
  if (::pipe(fds) != 0) return run;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const std::string result = work();
    const char* p = result.data();
    size_t left = result.size();
    while (left > 0) {
      const ssize_t n = ::write(fds[1], p, left);
      if (n <= 0) ::_exit(1);
      p += n;
      left -= static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return run;
  }
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) run.result.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    run.exitStatus = WEXITSTATUS(status);
    run.returned = run.exitStatus == 0 && !run.result.empty();
  }
  return run;
}

HoldingChild::HoldingChild(const std::function<int()>& work) {
  int fds[2];
  if (::pipe(fds) != 0) return;
  m_pid = ::fork();
  if (m_pid == 0) {
    ::close(fds[0]);
    const int result = work();
    if (::write(fds[1], &result, sizeof result) != sizeof result) ::_exit(1);
    for (;;) ::pause();
  }
  ::close(fds[1]);
  if (m_pid > 0 && ::read(fds[0], &m_result, sizeof m_result) != sizeof m_result) m_result = -1;
  ::close(fds[0]);
}

void HoldingChild::Kill() {
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGKILL);
  ::waitpid(m_pid, nullptr, 0);
  m_pid = -1;
}

}  // namespace qortest
