#pragma once
// Bounded polling for what another thread or process does; never a fixed sleep.
#include <cstdint>
#include <functional>

namespace qortest {

// Looks every 10 ms until done() holds or ms real milliseconds passed; the result of
// the last look.
bool WaitFor(const std::function<bool()>& done, int64_t ms = 20000);

// While it lives, a wait for another process (platform::scm::ProcessWaitMs) lasts just
// its scaled bound, without the real-time floor, here and in the processes started
// meanwhile: for a test that waits for such a bound to pass on purpose. Only in a run
// scaled by QOR_TIME_SCALE.
class NoProcessWaitFloor {
 public:
  NoProcessWaitFloor();
  ~NoProcessWaitFloor();
  NoProcessWaitFloor(const NoProcessWaitFloor&) = delete;
  NoProcessWaitFloor& operator=(const NoProcessWaitFloor&) = delete;
};

}  // namespace qortest
