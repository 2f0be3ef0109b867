#include "platform/iis_appcmd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form
#include <vector>

#include "platform/faults.h"
#include "platform/process.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace platform::iis {

AppcmdRun RunAppcmd(const std::string& program, const std::string& parameters, long long timeoutMs) {
  AppcmdRun run;
  std::vector<std::string> all{program};
  for (auto& a : process::SplitCommandLine(parameters)) all.push_back(std::move(a));
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  if (faults::CodeFor(faults::Kind::Start, program) != 0) return run;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return run;
  UniqueFd out(fds[0]), in(fds[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.Get(), 1);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  // Only the child writes: the read below ends when it has gone.
  in.Reset();
  if (rc != 0) return run;
  run.started = true;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  auto remainingMs = [&] {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
  };
  bool open = true;
  while (open) {
    pollfd p{out.Get(), POLLIN, 0};
    int ready = poll(&p, 1, remainingMs());
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;  // deadline
    char buf[4096];
    ssize_t n = read(out.Get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) open = false;
    else run.output.append(buf, static_cast<size_t>(n));
  }
  out.Reset();

  int status = 0;
  for (;;) {
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (r < 0 && errno != EINTR) return run;
    if (remainingMs() == 0) {
      // A tool that hangs must not hang its caller.
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      run.timedOut = true;
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(status)) {
    run.exited = true;
    run.exitCode = WEXITSTATUS(status);
  }
  return run;
}

}  // namespace platform::iis
