#include "tests/support/wait.h"

#include <cstdlib>
#include <thread>

#include "platform/scm.h"

namespace qortest {

bool WaitFor(const std::function<bool()>& done, int64_t ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the poll interval
  }
  return true;
}

NoProcessWaitFloor::NoProcessWaitFloor() { setenv(platform::scm::kMinProcessWaitEnv, "0", 1); }
NoProcessWaitFloor::~NoProcessWaitFloor() { unsetenv(platform::scm::kMinProcessWaitEnv); }

}  // namespace qortest
