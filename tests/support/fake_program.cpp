#include "tests/support/fake_program.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <vector>

#include "platform/fs.h"
#include "platform/process.h"
#include "tests/support/wait.h"

namespace qortest {

namespace fs = platform::fs;
namespace proc = platform::process;

std::string CopySleeper(const std::string& dir, const std::string& name) {
  const std::string path = dir + name;
  if (fs::IsFile(path)) return path;
  std::string bytes;
  if (fs::ReadFile("/bin/sleep", bytes) != fs::kOk || fs::WriteFile(path, bytes) != fs::kOk) return "";
  ::chmod(path.c_str(), 0755);
  return path;
}

bool Listed(int pid, const std::string& name) {
  std::vector<proc::ProcessInfo> list;
  if (!proc::Snapshot(list)) return false;
  for (const auto& p : list)
    if (p.pid == pid) return name.empty() || p.exeName == name;
  return false;
}

bool WaitChildEnd(pid_t pid, int* status, int64_t ms) {
  if (pid <= 0) return false;  // never "any child"
  int got = 0;
  bool ended = false;
  WaitFor([&] { return ended = ended || ::waitpid(pid, &got, WNOHANG) == pid; }, ms);
  if (ended && status) *status = got;
  return ended;
}

FakeProgram::FakeProgram(const std::string& dir, const std::string& name, const std::string& seconds)
    : m_name(name) {
  const std::string path = CopySleeper(dir, name);
  if (path.empty()) return;
  m_pid = proc::StartDetached(path, seconds);
  // Until its exec is done the child still carries the starter's name.
  if (m_pid > 0 && !WaitFor([&] { return Listed(m_pid, m_name); })) Stop();
}

void FakeProgram::Stop() {
  if (m_pid <= 0) return;
  (void)proc::Kill(m_pid);  // gone already is as good
  WaitFor([&] { return !Listed(m_pid, m_name); });
  m_pid = -1;
}

}  // namespace qortest
