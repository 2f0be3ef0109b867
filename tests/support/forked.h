#pragma once
// This test program forked, for what only another process can show: locks, claims and
// files shared between processes.
#include <sys/types.h>

#include <functional>
#include <string>

namespace qortest {

// Runs work(0) .. work(count - 1) in as many children at once; true when every child
// ended with work true.
bool RunForked(int count, const std::function<bool(int index)>& work);

// work run in a child: what it returned, or how the child ended before it returned.
struct ChildRun {
  bool returned = false;
  std::string result;  // work's, when returned
  int exitStatus = -1;  // the child's, when it ended by itself
};
ChildRun RunInChild(const std::function<std::string()>& work);

// A child that runs work, reports its result back and then stays, holding what work
// made, until it is killed (at the latest when this goes).
class HoldingChild {
 public:
  explicit HoldingChild(const std::function<int()>& work);
  ~HoldingChild() { Kill(); }
  HoldingChild(const HoldingChild&) = delete;
  HoldingChild& operator=(const HoldingChild&) = delete;

  // work's result; -1 when the child never reported one.
  int Result() const { return m_result; }
  void Kill();

 private:
  pid_t m_pid = -1;
  int m_result = -1;
};

}  // namespace qortest
