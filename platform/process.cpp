#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form

#include "platform/clock.h"
#include "platform/faults.h"

extern char** environ;

namespace platform::process {

std::vector<std::string> SplitCommandLine(const std::string& s) {
  std::vector<std::string> out;
  size_t i = 0, n = s.size();
  for (;;) {
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      char c = s[i];
      if (c == '\\') {
        size_t slashes = 0;
        while (i < n && s[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && s[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < n && s[i + 1] == '"') {
          arg += '"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      if (!quoted && (c == ' ' || c == '\t')) break;
      arg += c;
      ++i;
    }
    out.push_back(std::move(arg));
  }
  return out;
}

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    if (c == '"') {
      out.append(slashes * 2 + 1, '\\');
    } else {
      out.append(slashes, '\\');
    }
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  out += '"';
  return out;
}

RunResult RunAndWaitArgs(const std::string& program, const std::vector<std::string>& args,
                         long long timeoutMs) {
  RunResult result;
  std::vector<std::string> all;
  all.push_back(program);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (faults::CodeFor(faults::Kind::Start, program) != 0) return result;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return result;
  result.started = true;
  result.pid = static_cast<int>(pid);
  int status = 0;
  if (timeoutMs < 0) {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  } else {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      pid_t r = waitpid(pid, &status, WNOHANG);
      if (r == pid) break;
      if (r < 0 && errno != EINTR) return result;
      if (std::chrono::steady_clock::now() >= deadline) {
        result.timedOut = true;
        return result;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  if (WIFEXITED(status)) {
    result.exited = true;
    result.exitCode = WEXITSTATUS(status);
  }
  return result;
}

RunResult RunAndWait(const std::string& program, const std::string& parameters, bool /*hidden*/,
                     long long timeoutMs) {
  return RunAndWaitArgs(program, SplitCommandLine(parameters), timeoutMs);
}

std::string CurrentUserName() { return UserNameOf(static_cast<long>(geteuid())); }

int CurrentPid() { return static_cast<int>(getpid()); }

}  // namespace platform::process
