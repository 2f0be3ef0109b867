#pragma once
// Stand-ins for the system's programs in the process list: copies of sleep under a
// program's file name. A process list shows the processes of one machine root, so a
// stand-in started inside a TempInstall is seen by that test alone.
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace qortest {

// Copies sleep to dir + name (made executable) unless that file is there; its path,
// empty when it could not be written.
std::string CopySleeper(const std::string& dir, const std::string& name);

// Whether the process list shows pid running the executable name (any name when
// name is empty).
bool Listed(int pid, const std::string& name = "");

// Waits up to ms for this process's child pid to end and reaps it; false when it still
// runs. status receives its wait status.
bool WaitChildEnd(pid_t pid, int* status = nullptr, int64_t ms = 20000);

// A copy of sleep running under the file name dir + name, started detached.
class FakeProgram {
 public:
  // Once this returns, the process list shows the process under name (Running()).
  FakeProgram(const std::string& dir, const std::string& name, const std::string& seconds = "60");
  ~FakeProgram() { Stop(); }
  FakeProgram(const FakeProgram&) = delete;
  FakeProgram& operator=(const FakeProgram&) = delete;

  // Ends it; once this returns, the process list no longer shows it.
  void Stop();
  bool Running() const { return m_pid > 0; }
  int Pid() const { return m_pid; }

 private:
  std::string m_name;
  int m_pid = -1;
};

}  // namespace qortest
