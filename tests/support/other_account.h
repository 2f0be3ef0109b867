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
  // Takes hold of whatever nobody can reach under folder: an exclusive flock on every
  // file it can open and `connections` silent connections to every stream socket it
  // can connect to. True once the child has done so; Locks() and Connections() say how
  // much it holds.
  bool HoldEverything(const std::string& folder, int connections);
  // Runs setUp as nobody and keeps what it opened until released; setUp's two counts
  // are kept as Locks() and Connections(). False when setUp failed.
  bool HoldWhat(const std::function<bool(int& a, int& b)>& setUp);
  int Locks() const { return m_counts[0]; }
  int Connections() const { return m_counts[1]; }
  void Release();

 private:
  pid_t m_pid = -1;
  int m_release = -1;
  int m_counts[2] = {0, 0};
};

}  // namespace qortest
