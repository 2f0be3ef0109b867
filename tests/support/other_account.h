#pragma once
// What another local account can do: a child process that runs as "nobody".
#include <sys/types.h>

#include <functional>
#include <string>

namespace qortest {

// True when this process may switch accounts (it runs as root).
bool CanSwitchAccounts();

// Runs fn in a child process as nobody and returns its result (0 to 255); -1 when the
// child could not be made or did not switch. fn must only make plain system calls.
int RunAsNobody(const std::function<int()>& fn);

// Opens every folder level of path for others to pass through (mkdtemp makes them
// private), so that another account meets only the files' own modes.
void OpenWayFor(const std::string& path);

// A process of nobody that holds an exclusive flock on a file until it is released.
class HeldByNobody {
 public:
  HeldByNobody() = default;
  ~HeldByNobody() { Release(); }
  HeldByNobody(const HeldByNobody&) = delete;
  HeldByNobody& operator=(const HeldByNobody&) = delete;

  // True once the child holds the lock; false when nobody cannot open or lock the file
  // (create: the file may be made, mode 0666).
  bool Hold(const std::string& path, bool create = false);
  void Release();

 private:
  pid_t m_pid = -1;
  int m_release = -1;
};

}  // namespace qortest
