#include "tests/support/wait.h"

#include <cstdlib>
#include <thread>

namespace qortest {

namespace {
constexpr const char* kFloorEnv = "QOR_MIN_PROCESS_WAIT_MS";
}  // namespace

bool WaitFor(const std::function<bool()>& done, int64_t ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the poll interval
  }
  return true;
}

NoProcessWaitFloor::NoProcessWaitFloor() { setenv(kFloorEnv, "0", 1); }
NoProcessWaitFloor::~NoProcessWaitFloor() { unsetenv(kFloorEnv); }

}  // namespace qortest
