#pragma once
// Bounded polling for what another thread or process does; never a fixed sleep.
#include <cstdint>
#include <functional>

namespace qortest {

// Looks every 10 ms until done() holds or ms real milliseconds passed; the result of
// the last look.
bool WaitFor(const std::function<bool()>& done, int64_t ms = 20000);

}  // namespace qortest
