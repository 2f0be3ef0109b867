#include "tests/support/wait.h"

#include <thread>

namespace qortest {

bool WaitFor(const std::function<bool()>& done, int64_t ms) {
  for (int64_t waited = 0; waited < ms; waited += 10) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

}  // namespace qortest
